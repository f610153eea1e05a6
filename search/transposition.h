// The shared transposition table: buckets of four 16-byte entries, one cache
// line each, read and written by every search thread without locks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "board/tablememory.h"
#include "board/types.h"

namespace NEngine {

enum Bound : int { BoundNone = 0, BoundUpper = 1, BoundExact = 2, BoundLower = 3 };

// Bits of an entry's info word.
constexpr uint16_t InfoDepthMask = 63;
constexpr int InfoBoundShift = 6;
constexpr uint16_t InfoThreat = 1 << 8;
constexpr uint16_t InfoExtended = 1 << 9;
constexpr uint16_t InfoPv = 1 << 10;
// Bits 11-14 name the thread that stored the entry (index + 1) while the
// thread diagnostics are on; otherwise they stay 0. Readers ignore them.
constexpr int InfoThreadShift = 11;
constexpr uint16_t InfoThreadMask = 15 << InfoThreadShift;
constexpr int MaxStoredDepth = 63;

// One entry as read from the table.
struct TableRecord {
    uint64_t key = 0;
    int16_t score = 0;
    uint16_t info = 0;
    uint16_t generation = 0;
    Move move = NullMove;

    int depth() const { return info & InfoDepthMask; }
    int bound() const { return (info >> InfoBoundShift) & 3; }
    bool threat() const { return info & InfoThreat; }
    bool extended() const { return info & InfoExtended; }
    bool pv() const { return info & InfoPv; }
};

// An entry is two relaxed atomic words: the data (score, info, generation,
// move) and the key XOR-ed with that data. A reader that sees halves of two
// different writes recomputes a key that does not match and ignores the
// entry, so torn entries are never trusted.
struct TableEntry {
    std::atomic<uint64_t> check{0};  // key ^ data
    std::atomic<uint64_t> data{0};
};

struct alignas(64) TableBucket {
    static constexpr int Entries = 4;
    TableEntry entries[Entries];
};
static_assert(sizeof(TableBucket) == 64, "a bucket is one cache line");

class TranspositionTable {
public:
    static constexpr int MinMegabytes = 1;
    static constexpr int MaxMegabytes = 1024;
    static constexpr int DefaultMegabytes = 256;

    explicit TranspositionTable(int megabytes = DefaultMegabytes);

    // Sizes the table to the largest power of two of buckets that fits in the
    // megabytes (clamped to 1..1024). Existing buckets are kept, the
    // generation restarts at 0. When the memory cannot be had the previous
    // table stays and the result is false.
    bool resize(int megabytes);
    void clear();
    void advanceGeneration() { generation_ = uint16_t(generation_ + 1); }
    uint16_t generation() const { return generation_; }
    size_t bucketCount() const { return mask_ + 1; }

    bool lookup(uint64_t key, TableRecord& record) const;
    // depth in plies; only 0..63 is kept (deeper results are stored as 63).
    // `mark` (thread bits of the info word, 0 normally) is written with the
    // entry; the result is the info word of another position's entry that
    // the store replaced, 0 when it replaced none.
    uint16_t store(uint64_t key, int score, int depth, int bound, Move move, bool threat, bool extended, bool pv,
                   uint16_t mark = 0);
    // The quiescence search's move-only entry (depth 0, no bound, score 0):
    // never overwrites a searched entry of the same position.
    uint16_t storeMoveOnly(uint64_t key, Move move, bool pv, uint16_t mark = 0);

    void prefetch(uint64_t key) const { __builtin_prefetch(&buckets_[key & mask_]); }

private:
    TableEntry* chooseSlot(TableBucket& bucket, uint64_t key, TableRecord& old) const;

    TableMemory memory_;
    TableBucket* buckets_ = nullptr;
    uint64_t mask_ = 0;
    uint16_t generation_ = 0;
};

// An entry's words as a record: the key is the check word XOR the data.
inline TableRecord readTableEntry(const TableEntry& e) {
    uint64_t data = e.data.load(std::memory_order_relaxed);
    uint64_t check = e.check.load(std::memory_order_relaxed);
    TableRecord r;
    r.key = check ^ data;
    r.score = int16_t(uint16_t(data));
    r.info = uint16_t(data >> 16);
    r.generation = uint16_t(data >> 32);
    r.move = Move(data >> 48);
    return r;
}

// Defined here so that the probe of every node is inlined into it.
inline bool TranspositionTable::lookup(uint64_t key, TableRecord& record) const {
    const TableBucket& bucket = buckets_[key & mask_];
    for (const TableEntry& e : bucket.entries) {
        TableRecord r = readTableEntry(e);
        if (r.key == key) {
            record = r;
            return true;
        }
    }
    return false;
}

}  // namespace NEngine
