// The history counters over hours of analysis: driven to their limit, every
// counter of the table is halved together, so nothing overflows and the
// ordering the counters give survives.
#include <gtest/gtest.h>

#include <memory>

#include "search/history.h"

namespace NEngine {
namespace {

struct Counts {
    int64_t score, good, bad;
};

void set(HistoryEntry& e, Counts c) {
    e.score.store(int32_t(c.score));
    e.good.store(uint32_t(c.good));
    e.bad.store(uint32_t(c.bad));
}

Counts read(const HistoryEntry& e) { return {e.score.load(), e.good.load(), e.bad.load()}; }

TEST(History, CountersAtTheirLimitHalveTheWholeTable) {
    auto table = std::make_unique<HistoryTable>();
    table->clear();
    const int64_t limit = HistoryTable::CounterLimit;
    HistoryEntry& busy = table->entry(White, 12, 28);
    HistoryEntry& other = table->entry(Black, 52, 36);
    set(busy, {4000, limit - 1, limit / 4});
    set(other, {800, 60, 20});
    const bool busyFirst = table->quietScore(White, 12, 28) > table->quietScore(Black, 52, 36);

    table->addGood(busy);  // reaches the limit
    const Counts b = read(busy), o = read(other);
    EXPECT_EQ(b.good, limit / 2);
    EXPECT_EQ(b.bad, limit / 8);
    EXPECT_EQ(b.score, 2000);
    EXPECT_EQ(o.good, 30);
    EXPECT_EQ(o.bad, 10);
    EXPECT_EQ(o.score, 400);
    EXPECT_EQ(table->quietScore(White, 12, 28) > table->quietScore(Black, 52, 36), busyFirst);
    // The reduction gate (four times good at most bad) answers as before.
    EXPECT_EQ(4 * b.good <= b.bad, 4 * (limit - 1) <= limit / 4);

    // The bad counter and the score likewise.
    set(busy, {100, 7, limit - 1});
    table->addBad(busy);
    EXPECT_EQ(read(busy).bad, limit / 2);
    EXPECT_EQ(read(busy).good, 3);
    set(busy, {limit - 10, 5, 5});
    table->addScore(busy, 40);
    EXPECT_EQ(read(busy).score, limit / 2);
}

// Long analysis adds to the same few entries for hours: however many
// increments come, every counter stays in range and positive.
TEST(History, EndlessIncrementsStayInRange) {
    auto table = std::make_unique<HistoryTable>();
    table->clear();
    HistoryEntry& e = table->entry(White, 4, 6);
    // Start where 80 minutes of analysis used to leave a score: just short of
    // the signed 32-bit maximum.
    set(e, {int64_t(INT32_MAX) - 100, uint64_t(UINT32_MAX) - 100, 1000});
    for (int i = 0; i < 1000; ++i) {
        table->addScore(e, 63);
        table->addGood(e);
        table->addBad(e);
        const Counts c = read(e);
        ASSERT_GT(c.score, 0);
        ASSERT_LE(c.score, HistoryTable::CounterLimit);
        ASSERT_LE(c.good, HistoryTable::CounterLimit);
        ASSERT_LE(c.bad, HistoryTable::CounterLimit);
    }
    EXPECT_GT(table->quietScore(White, 4, 6), 0);
}

}  // namespace
}  // namespace NEngine
