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
    // Every counter stays below this. When one reaches it, all counters of
    // the table are halved together: each entry keeps its ratio of good to
    // bad, and the entries keep their order. Only hours of analysis get here.
    static constexpr int64_t CounterLimit = int64_t(1) << 30;

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
    void addGood(HistoryEntry& e) { bump(e.good, 1); }
    void addBad(HistoryEntry& e) { bump(e.bad, 1); }
    // Depth won, never negative.
    void addScore(HistoryEntry& e, int32_t amount) { bump(e.score, amount); }

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
    void bump(std::atomic<T>& a, int64_t amount) {
        const int64_t value = int64_t(a.load(std::memory_order_relaxed)) + amount;
        if (value < CounterLimit) {
            a.store(T(value), std::memory_order_relaxed);
            return;
        }
        a.store(T(CounterLimit), std::memory_order_relaxed);
        halveAll();
    }

    // Rare: another thread may bump an entry meanwhile, which at worst loses
    // that count or halves it once more.
    void halveAll() {
        for (auto& byColor : entries_)
            for (auto& byFrom : byColor)
                for (HistoryEntry& e : byFrom) {
                    e.score.store(e.score.load(std::memory_order_relaxed) / 2, std::memory_order_relaxed);
                    e.good.store(e.good.load(std::memory_order_relaxed) / 2, std::memory_order_relaxed);
                    e.bad.store(e.bad.load(std::memory_order_relaxed) / 2, std::memory_order_relaxed);
                }
    }

    HistoryEntry entries_[ColorCount][64][64];
};

}  // namespace NEngine
