// Packing of pawn-hash entries.
#include <gtest/gtest.h>

#include "eval/pawnhash.h"

namespace NEngine {
namespace {

TEST(PawnHash, ComponentsRoundTripInTenBits) {
    const ScoreTriple s{-512, 511, -7};
    const PawnHashEntry e = packPawnEntry(0, 0xDEADBEEF, s);
    EXPECT_TRUE(pawnEntryMatches(e, 0xDEADBEEF));
    EXPECT_FALSE(pawnEntryMatches(e, 0xDEADBEEE));
    EXPECT_EQ(unpackPawnEntry(e), s);
    EXPECT_EQ(uint32_t(e), 0xDEADBEEFu);
    EXPECT_NE(e >> 32 & PawnEntryValidBit, 0u);
}

TEST(PawnHash, OutOfRangeComponentsAreCutToTenBits) {
    // 600 = 0b1001011000: read back as 600 - 1024.
    const PawnHashEntry e = packPawnEntry(0, 1, {600, -513, 1024});
    EXPECT_EQ(unpackPawnEntry(e), (ScoreTriple{600 - 1024, -513 + 1024, 0}));
    EXPECT_FALSE(fitsPawnEntry({600, 0, 0}));
    EXPECT_TRUE(fitsPawnEntry({511, -512, 0}));
}

TEST(PawnHash, TopBitIsKeptAndEmptyEntriesNeverMatch) {
    const PawnHashEntry old = PawnHashEntry(1) << 63;
    const PawnHashEntry e = packPawnEntry(old, 5, {1, 2, 3});
    EXPECT_EQ(e >> 63, 1u);
    EXPECT_EQ(unpackPawnEntry(e), (ScoreTriple{1, 2, 3}));
    EXPECT_FALSE(pawnEntryMatches(0, 0));  // a zeroed entry is not valid
}

}  // namespace
}  // namespace NEngine
