// The history table: per mover colour, origin and target square, how often a
// quiet move proved good or bad and how much depth it won. Shared by all
// search threads; counters may lose increments under contention, which only
// blurs the ordering.
#pragma once

#include <atomic>
#include <cstdint>

#include "board/types.h"

namespace NEngine {

struct HistoryEntry {
    std::atomic<int32_t> score{0};
    std::atomic<uint32_t> good{0};
    std::atomic<uint32_t> bad{0};
};

class HistoryTable {
public:
    HistoryEntry& entry(Color c, Square from, Square to) { return entries_[c][from][to]; }
    const HistoryEntry& entry(Color c, Square from, Square to) const { return entries_[c][from][to]; }

    void clear() {
        for (auto& byColor : entries_)
            for (auto& byFrom : byColor)
                for (HistoryEntry& e : byFrom) {
                    e.score.store(0, std::memory_order_relaxed);
                    e.good.store(0, std::memory_order_relaxed);
                    e.bad.store(0, std::memory_order_relaxed);
                }
    }

    // Plain load-and-store increments: cheaper than locked read-modify-write,
    // and a lost count is harmless.
    static void addGood(HistoryEntry& e) { bump(e.good, 1u); }
    static void addBad(HistoryEntry& e) { bump(e.bad, 1u); }
    static void addScore(HistoryEntry& e, int32_t amount) { bump(e.score, amount); }

    // score x good / (good + bad + 1), in 64 bits, truncated toward zero.
    int32_t quietScore(Color c, Square from, Square to) const {
        const HistoryEntry& e = entries_[c][from][to];
        int64_t good = e.good.load(std::memory_order_relaxed);
        int64_t bad = e.bad.load(std::memory_order_relaxed);
        int64_t score = e.score.load(std::memory_order_relaxed);
        return int32_t(score * good / (good + bad + 1));
    }

private:
    template <typename T>
    static void bump(std::atomic<T>& a, T amount) {
        a.store(T(a.load(std::memory_order_relaxed) + amount), std::memory_order_relaxed);
    }

    HistoryEntry entries_[ColorCount][64][64];
};

}  // namespace NEngine
