// Storage rules of the transposition table.
#include "search/transposition.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace NEngine {

namespace {

constexpr size_t BytesPerMegabyte = size_t(1) << 20;

// Data word layout: score (bits 0-15), info (16-31), generation (32-47),
// move (48-63).
inline uint64_t packData(int16_t score, uint16_t info, uint16_t generation, Move move) {
    return uint64_t(uint16_t(score)) | (uint64_t(info) << 16) | (uint64_t(generation) << 32) | (uint64_t(move) << 48);
}

inline void writeEntry(TableEntry& e, uint64_t key, uint64_t data) {
    e.data.store(data, std::memory_order_relaxed);
    e.check.store(key ^ data, std::memory_order_relaxed);
}

// The largest power of two of buckets not above the byte count.
size_t bucketsFor(size_t bytes) {
    size_t buckets = 1;
    while (buckets * 2 * sizeof(TableBucket) <= bytes)
        buckets *= 2;
    return buckets;
}

}  // namespace

TranspositionTable::TranspositionTable(int megabytes) {
    if (!resize(megabytes))
        resize(MinMegabytes);  // the smallest table is always within reach
}

bool TranspositionTable::resize(int megabytes) {
    if (megabytes < MinMegabytes)
        return false;
    megabytes = std::min(megabytes, MaxMegabytes);
    size_t bytes = size_t(megabytes) * BytesPerMegabyte;
    if (bytes < sizeof(TableBucket))
        return false;
    size_t count = bucketsFor(bytes);
    TableMemory memory = allocateTableMemory(count * sizeof(TableBucket));
    if (!memory)
        return false;
    // Every atomic word starts at 0 (an empty entry), as after clear().
    auto* fresh = static_cast<TableBucket*>(memory.get());
    zeroTableMemory(fresh, count * sizeof(TableBucket));
    if (buckets_) {
        size_t keep = std::min(count, bucketCount());
        for (size_t b = 0; b < keep; ++b)
            for (int i = 0; i < TableBucket::Entries; ++i) {
                const TableEntry& from = buckets_[b].entries[i];
                TableEntry& to = fresh[b].entries[i];
                to.data.store(from.data.load(std::memory_order_relaxed), std::memory_order_relaxed);
                to.check.store(from.check.load(std::memory_order_relaxed), std::memory_order_relaxed);
            }
    }
    memory_ = std::move(memory);
    buckets_ = fresh;
    mask_ = count - 1;
    generation_ = 0;
    return true;
}

void TranspositionTable::clear() {
    // Only between searches, when no other thread touches the table: all
    // zero bits (an empty entry) at once.
    generation_ = 0;
    zeroTableMemory(buckets_, bucketCount() * sizeof(TableBucket));
}

// Step 1 of a store: the first entry that is empty or holds the key, else the
// one of the oldest generation (the first among equals).
TableEntry* TranspositionTable::chooseSlot(TableBucket& bucket, uint64_t key, TableRecord& old) const {
    TableEntry* oldest = nullptr;
    TableRecord oldestRecord;
    for (TableEntry& e : bucket.entries) {
        TableRecord r = readTableEntry(e);
        if (r.key == 0 || r.key == key) {
            old = r;
            return &e;
        }
        if (!oldest || r.generation < oldestRecord.generation) {
            oldest = &e;
            oldestRecord = r;
        }
    }
    old = oldestRecord;
    return oldest;
}

uint16_t TranspositionTable::store(uint64_t key, int score, int depth, int bound, Move move, bool threat, bool extended,
                                   bool pv, uint16_t mark) {
    // 1. Choose the slot.
    TableRecord old;
    TableEntry* slot = chooseSlot(buckets_[key & mask_], key, old);
    depth = std::clamp(depth, 0, MaxStoredDepth);
    bound &= 3;

    // 2. A shallower result for the same position replaces the stored one
    //    only when it brings a better bound or PV knowledge, and is not much
    //    shallower.
    if (old.key == key && depth < old.depth()) {
        bool betterBound = bound == BoundExact && old.bound() != BoundExact && old.bound() != BoundLower;
        bool pvKnowledge = pv && !old.pv() && bound != BoundNone;
        if (!betterBound && !pvKnowledge)
            return 0;
        if (depth < old.depth() - 2 || depth < 1)
            return 0;
    }

    // 3. Write the whole entry.
    uint16_t info = uint16_t(depth | (bound << InfoBoundShift) | (threat ? InfoThreat : 0) |
                             (extended ? InfoExtended : 0) | (pv ? InfoPv : 0) | (mark & InfoThreadMask));
    writeEntry(*slot, key, packData(int16_t(score), info, generation_, move));
    return old.key != key ? old.info : 0;
}

uint16_t TranspositionTable::storeMoveOnly(uint64_t key, Move move, bool pv, uint16_t mark) {
    TableRecord old;
    TableEntry* slot = chooseSlot(buckets_[key & mask_], key, old);
    if (old.key == key && old.depth() != 0)
        return 0;
    writeEntry(*slot, key, packData(0, uint16_t((pv ? InfoPv : 0) | (mark & InfoThreadMask)), generation_, move));
    return old.key != key ? old.info : 0;
}

}  // namespace NEngine
