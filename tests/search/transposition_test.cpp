// Storage rules of the transposition table.
#include <gtest/gtest.h>

#include <cstring>

#include "board/tablememory.h"
#include "search/transposition.h"

namespace NEngine {
namespace {

class TableTest : public ::testing::Test {
protected:
    TranspositionTable table{1};
    // Keys that share bucket 5 of the one-megabyte table.
    uint64_t keyInBucket(int n) const { return 5 + uint64_t(n + 1) * table.bucketCount(); }
};

TEST_F(TableTest, SizesAreLargestPowerOfTwoOfBuckets) {
    EXPECT_EQ(table.bucketCount(), 16384u);
    EXPECT_TRUE(table.resize(3));  // 3 MB: 49152 buckets fit, 32768 is the power of two
    EXPECT_EQ(table.bucketCount(), 32768u);
    EXPECT_FALSE(table.resize(0));
    EXPECT_FALSE(table.resize(-4));
    EXPECT_EQ(table.bucketCount(), 32768u);
    EXPECT_TRUE(table.resize(1024));
    EXPECT_EQ(table.bucketCount(), 16777216u);
    EXPECT_TRUE(table.resize(5000));  // clamped to the option's maximum
    EXPECT_EQ(table.bucketCount(), 16777216u);
    EXPECT_TRUE(table.resize(1));
    EXPECT_EQ(table.bucketCount(), 16384u);
}

TEST_F(TableTest, ResizeKeepsEntriesAndRestartsGeneration) {
    table.advanceGeneration();
    table.store(77, 12, 4, BoundExact, 0x1234, false, false, false);
    EXPECT_TRUE(table.resize(2));
    EXPECT_EQ(table.generation(), 0);
    TableRecord r;
    EXPECT_TRUE(table.lookup(77, r));
    EXPECT_EQ(r.score, 12);
}

TEST_F(TableTest, StoreAndLookupRoundTrip) {
    table.advanceGeneration();
    table.advanceGeneration();
    uint64_t key = 0x9E3779B97F4A7C15ull;
    Move marked = Move(composeMove(12, 28) | MoveMark);
    table.store(key, -31950, 17, BoundLower, marked, true, false, true);
    TableRecord r;
    ASSERT_TRUE(table.lookup(key, r));
    EXPECT_EQ(r.key, key);
    EXPECT_EQ(r.score, -31950);
    EXPECT_EQ(r.depth(), 17);
    EXPECT_EQ(r.bound(), BoundLower);
    EXPECT_TRUE(r.threat());
    EXPECT_FALSE(r.extended());
    EXPECT_TRUE(r.pv());
    EXPECT_EQ(r.generation, 2);
    EXPECT_TRUE(sameMove(r.move, marked));
    EXPECT_EQ(r.info >> 11, 0);
    EXPECT_FALSE(table.lookup(key ^ 1, r));
    // Depths beyond the field are kept at the deepest value, never wrapped.
    table.store(key, 5, 70, BoundExact, 0, false, true, false);
    ASSERT_TRUE(table.lookup(key, r));
    EXPECT_EQ(r.depth(), MaxStoredDepth);
    EXPECT_TRUE(r.extended());
}

// A shallower store replaces a deeper one only when it is exact over an
// upper/no bound, or a PV result with a bound over a non-PV entry, and then
// only when it is at most 2 plies shallower and at least 1 ply deep.
TEST_F(TableTest, ShallowerStoreReplacementRules) {
    uint64_t key = 4242;
    auto depthAfter = [&](int oldDepth, int oldBound, bool oldPv, int newDepth, int newBound, bool newPv) {
        table.clear();
        table.store(key, 100, oldDepth, oldBound, 0, false, false, oldPv);
        table.store(key, 200, newDepth, newBound, 0, false, false, newPv);
        TableRecord r;
        EXPECT_TRUE(table.lookup(key, r));
        return r.depth();
    };
    // Exact over upper: replaced when at most 2 plies shallower.
    EXPECT_EQ(depthAfter(8, BoundUpper, false, 6, BoundExact, false), 6);
    EXPECT_EQ(depthAfter(8, BoundUpper, false, 5, BoundExact, false), 8);
    EXPECT_EQ(depthAfter(8, BoundNone, false, 7, BoundExact, false), 7);
    // Exact over lower or exact: kept.
    EXPECT_EQ(depthAfter(8, BoundLower, false, 7, BoundExact, false), 8);
    EXPECT_EQ(depthAfter(8, BoundExact, false, 7, BoundExact, false), 8);
    // PV knowledge with a bound over a non-PV entry.
    EXPECT_EQ(depthAfter(8, BoundLower, false, 7, BoundUpper, true), 7);
    EXPECT_EQ(depthAfter(8, BoundLower, true, 7, BoundUpper, true), 8);
    EXPECT_EQ(depthAfter(8, BoundLower, false, 7, BoundNone, true), 8);
    // Never below one ply.
    EXPECT_EQ(depthAfter(2, BoundUpper, false, 0, BoundExact, false), 2);
    // Equal or deeper results always replace.
    EXPECT_EQ(depthAfter(8, BoundExact, true, 8, BoundUpper, false), 8);
    TableRecord r;
    table.lookup(key, r);
    EXPECT_EQ(r.score, 200);
    EXPECT_EQ(depthAfter(3, BoundExact, true, 9, BoundNone, false), 9);
}

TEST_F(TableTest, FullBucketReplacesOldestGenerationEvenIfDeeper) {
    for (int i = 0; i < 4; ++i) {
        table.store(keyInBucket(i), i, i == 1 ? 60 : 1, BoundExact, 0, false, false, false);
        table.advanceGeneration();
    }
    // Entry 1 is from the oldest generation but one (0 is oldest): store a fifth key.
    table.store(keyInBucket(4), 9, 1, BoundExact, 0, false, false, false);
    TableRecord r;
    EXPECT_FALSE(table.lookup(keyInBucket(0), r));  // generation 0: replaced
    EXPECT_TRUE(table.lookup(keyInBucket(4), r));
    EXPECT_TRUE(table.lookup(keyInBucket(1), r));
    // Now generation 1 (the deep entry) is the oldest: it goes next.
    table.store(keyInBucket(5), 9, 1, BoundExact, 0, false, false, false);
    EXPECT_FALSE(table.lookup(keyInBucket(1), r));
    EXPECT_TRUE(table.lookup(keyInBucket(2), r));
    EXPECT_TRUE(table.lookup(keyInBucket(3), r));
}

TEST_F(TableTest, ClearEmptiesEverything) {
    for (int i = 0; i < 100; ++i)
        table.store(uint64_t(i) * 7919 + 1, i, 5, BoundExact, 0, false, false, false);
    table.advanceGeneration();
    table.clear();
    EXPECT_EQ(table.generation(), 0);
    TableRecord r;
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(table.lookup(uint64_t(i) * 7919 + 1, r));
}

// Large blocks are zeroed a page at a time by the system; the bytes before
// and after the range must stay as they were, and every byte inside it must
// read as zero, whatever the alignment of its ends.
TEST(TableMemory, ZeroingCoversExactlyTheRange) {
    constexpr size_t Bytes = size_t(200) << 20;
    TableMemory memory = allocateTableMemory(Bytes);
    ASSERT_TRUE(memory);
    auto* bytes = static_cast<unsigned char*>(memory.get());
    std::memset(bytes, 0xAB, Bytes);
    const size_t begin = 3, end = Bytes - 7;
    zeroTableMemory(bytes + begin, end - begin);
    for (size_t i = 0; i < begin; ++i)
        EXPECT_EQ(bytes[i], 0xAB) << i;
    for (size_t i = end; i < Bytes; ++i)
        EXPECT_EQ(bytes[i], 0xAB) << i;
    size_t nonZero = 0;
    for (size_t i = begin; i < end; i += 509)  // a stride that visits every page at varying offsets
        nonZero += bytes[i] != 0;
    for (size_t i = begin; i < begin + 8192; ++i)
        nonZero += bytes[i] != 0;
    for (size_t i = end - 8192; i < end; ++i)
        nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    // A small range is written the ordinary way.
    std::memset(bytes, 0xCD, 100);
    zeroTableMemory(bytes + 10, 50);
    EXPECT_EQ(bytes[9], 0xCD);
    EXPECT_EQ(bytes[10], 0);
    EXPECT_EQ(bytes[59], 0);
    EXPECT_EQ(bytes[60], 0xCD);
}

TEST(TableMemory, LargeTableClearsAndStartsEmpty) {
    TranspositionTable big(128);
    TableRecord r;
    const uint64_t last = big.bucketCount() - 1;
    for (uint64_t key : {uint64_t(1), last, last / 2 + 12345})
        EXPECT_FALSE(big.lookup(key, r)) << key;
    for (uint64_t key : {uint64_t(1), last, last / 2 + 12345})
        big.store(key, 42, 6, BoundExact, 0x0abc, false, false, false);
    EXPECT_TRUE(big.lookup(last, r));
    big.clear();
    for (uint64_t key : {uint64_t(1), last, last / 2 + 12345})
        EXPECT_FALSE(big.lookup(key, r)) << key;
    big.store(last, 7, 3, BoundLower, 0, false, false, false);
    ASSERT_TRUE(big.lookup(last, r));
    EXPECT_EQ(r.score, 7);
}

TEST_F(TableTest, MoveOnlyStoreLeavesSearchedEntries) {
    uint64_t key = 999;
    table.store(key, 50, 3, BoundLower, composeMove(1, 2), false, false, false);
    table.storeMoveOnly(key, composeMove(3, 4), true);
    TableRecord r;
    ASSERT_TRUE(table.lookup(key, r));
    EXPECT_EQ(r.move, composeMove(1, 2));
    EXPECT_EQ(r.depth(), 3);

    uint64_t other = 1001;
    table.storeMoveOnly(other, composeMove(3, 4), true);
    ASSERT_TRUE(table.lookup(other, r));
    EXPECT_EQ(r.move, composeMove(3, 4));
    EXPECT_EQ(r.depth(), 0);
    EXPECT_EQ(r.bound(), BoundNone);
    EXPECT_EQ(r.score, 0);
    EXPECT_TRUE(r.pv());
    // A move-only entry may be refreshed by another.
    table.storeMoveOnly(other, composeMove(5, 6), false);
    ASSERT_TRUE(table.lookup(other, r));
    EXPECT_EQ(r.move, composeMove(5, 6));
}

}  // namespace
}  // namespace NEngine
