// Attack tables, geometry and the bit utilities.
#include "board_test_util.h"

#include "board/makemove.h"

namespace NEngine::test {
namespace {

Bitboard bits(std::initializer_list<const char*> squares) {
    Bitboard b = 0;
    for (const char* s : squares)
        b |= squareBit(sq(s));
    return b;
}

TEST(Tables, SliderAttacks) {
    initBoardTables();
    Bitboard fileA = 0x0101010101010101ULL, rank1 = 0xFF;
    EXPECT_EQ(rookAttacks(sq("a1"), 0), (fileA | rank1) & ~squareBit(sq("a1")));
    EXPECT_EQ(rookAttacks(sq("a1"), squareBit(sq("a4"))), bits({"a2", "a3", "a4"}) | (rank1 & ~1ULL));
    // The lookups agree with the plain ray walk for every subset of every
    // square's relevant occupancy, with other bits set outside it, in the
    // layout this processor was given (multiplied or extracted).
    uint64_t seed = 0x9E3779B97F4A7C15ULL;
    for (SliderKind kind : {RookSlider, BishopSlider})
        for (Square s = 0; s < 64; ++s) {
            const Bitboard mask = sliderAttacks(kind, s, 0, true);
            Bitboard subset = 0;
            do {
                seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
                const Bitboard occupancy = subset | (seed & ~mask);
                const Bitboard looked = kind == RookSlider ? rookAttacks(s, occupancy) : bishopAttacks(s, occupancy);
                ASSERT_EQ(looked, sliderAttacks(kind, s, occupancy, false)) << "square " << s << " kind " << kind;
                subset = (subset - mask) & mask;
            } while (subset);
        }
    // And on random occupancies.
    for (int i = 0; i < 20000; ++i) {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        Bitboard occupancy = seed & (seed >> 3);
        Square s = Square(i & 63);
        ASSERT_EQ(rookAttacks(s, occupancy), sliderAttacks(RookSlider, s, occupancy, false));
        ASSERT_EQ(bishopAttacks(s, occupancy), sliderAttacks(BishopSlider, s, occupancy, false));
    }
}

TEST(Tables, Geometry) {
    initBoardTables();
    const LookupTables& t = tables();
    EXPECT_EQ(t.between[sq("a1")][sq("h8")], bits({"b2", "c3", "d4", "e5", "f6", "g7"}));
    EXPECT_EQ(t.between[sq("a1")][sq("b3")], 0u);
    EXPECT_EQ(t.line[sq("c3")][sq("e5")], bits({"a1", "b2", "c3", "d4", "e5", "f6", "g7", "h8"}));
    EXPECT_EQ(t.beyond[sq("a1")][sq("c3")], bits({"d4", "e5", "f6", "g7", "h8"}));
    EXPECT_EQ(t.rayThrough[sq("c3")][sq("e5")], bits({"d4", "e5", "f6", "g7", "h8"}));
    EXPECT_EQ(t.distance[sq("a1")][sq("h8")], 7u);
    EXPECT_EQ(t.lineKind[sq("a1")][sq("a8")], 1);
    EXPECT_EQ(t.lineKind[sq("a1")][sq("h8")], 2);
    EXPECT_EQ(t.lineKind[sq("a1")][sq("b3")], 0);

    EXPECT_EQ(t.moveDirection[Pawn][White][sq("e4")][sq("e2")], 3);
    EXPECT_EQ(t.moveDirection[Pawn][White][sq("d3")][sq("e2")], 0);
    EXPECT_EQ(t.moveDirection[Pawn][Black][sq("d3")][sq("e2")], -1);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(t.moveDirection[King][c][sq("g1")][sq("e1")], 8);
        EXPECT_EQ(t.moveDirection[King][c][sq("c1")][sq("e1")], 9);
    }
    EXPECT_EQ(PopCount(t.ringTwo[sq("e4")]), 15);
    EXPECT_EQ(t.pawnPushOrigins[White][sq("e4")], bits({"e3", "e2"}));
    EXPECT_EQ(t.pawnPushOrigins[White][sq("e2")], 0u);
    EXPECT_EQ(t.passedMask[White][sq("e5")], bits({"d6", "e6", "f6", "d7", "e7", "f7", "d8", "e8", "f8"}));
    EXPECT_EQ(t.neighbourMask[Black][sq("e5")], bits({"d5", "f5", "d6", "f6"}));
}

TEST(Tables, EnPassantKeyOfDoubleStep) {
    Position p;
    uint64_t before = p.board.key;
    makeMove(p.board, composeMove(sq("e2"), sq("e4")));
    uint64_t expected = before ^ pieceKey[sq("e2")][White][Pawn] ^ pieceKey[sq("e4")][White][Pawn] ^ sideKey ^
                        pieceKey[sq("e3")][White][0];
    EXPECT_EQ(p.board.key, expected);
}

TEST(Bits, PopCountsAndMoves) {
    for (auto count : {popCountSoftware, popCountHardware}) {
        if (count == popCountHardware && !cpuHasPopCount())
            continue;
        EXPECT_EQ(count(0), 0);
        EXPECT_EQ(count(squareBit(37)), 1);
        EXPECT_EQ(count(~0ULL), 64);
        EXPECT_EQ(count(0x8000000000000001ULL), 2);
        EXPECT_EQ(count(0x0F0F0F0F0F0F0F0FULL), 32);
    }
    // The inline dispatch agrees with the software count on both paths.
    const bool chosen = UseHardwarePopCount;
    for (bool hardware : {false, cpuHasPopCount()}) {
        UseHardwarePopCount = hardware;
        uint64_t x = 0x9E3779B97F4A7C15ULL;
        for (int i = 0; i < 1000; ++i) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            Bitboard b = x & (x >> 3);
            ASSERT_EQ(PopCount(b), popCountSoftware(b)) << "hardware path " << hardware;
        }
    }
    UseHardwarePopCount = chosen;
    // Bit extraction: the software path against plain examples, and the
    // instruction (where this processor runs it fast) against the software.
    EXPECT_EQ(extractBitsSoftware(0, ~0ULL), 0u);
    EXPECT_EQ(extractBitsSoftware(~0ULL, 0), 0u);
    EXPECT_EQ(extractBitsSoftware(0xF0F0, 0xFF00), 0xF0u);
    EXPECT_EQ(extractBitsSoftware(0x8000000000000001ULL, 0x8000000000000001ULL), 3u);
    EXPECT_EQ(extractBitsSoftware(bits({"b1", "d1"}), bits({"a1", "b1", "c1", "d1"})), 0b1010u);
    if (cpuHasFastBitExtract()) {
        uint64_t y = 0xC2B2AE3D27D4EB4FULL;
        for (int i = 0; i < 1000; ++i) {
            y ^= y << 13, y ^= y >> 7, y ^= y << 17;
            const uint64_t mask = y ^ (y >> 29);
            ASSERT_EQ(extractBits(y, mask), extractBitsSoftware(y, mask));
        }
    }
    Move m = composeMove(sq("e7"), sq("e8"), Queen);
    EXPECT_TRUE(sameMove(m, Move(m | MoveMark)));
    EXPECT_FALSE(sameMove(m, composeMove(sq("e7"), sq("e8"), Rook)));
    EXPECT_EQ(moveFrom(m), sq("e7"));
    EXPECT_EQ(moveTo(m), sq("e8"));
    EXPECT_EQ(movePromotion(m), Queen);

    Board cleared;
    cleared.clear();
    EXPECT_EQ(cleared.side(), Black);
    EXPECT_EQ(cleared.enPassant, 0);
    EXPECT_EQ(cleared.castling, 0);
    EXPECT_EQ(cleared.ply, 0);
}

}  // namespace
}  // namespace NEngine::test
