// Single evaluation terms in positions whose values can be counted by hand.
#include <gtest/gtest.h>

#include "board/psqt.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"
#include "evalhelpers.h"

namespace NEngine::NTest {
namespace {

class TermsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initEvalTables(); }
};

constexpr Square sq(const char* name) { return makeSquare(name[0] - 'a', name[1] - '1'); }

struct Traced {
    Position position;
    Evaluator evaluator;
    EvalBreakdown b;
    explicit Traced(const std::string& fen) : position(fen) {
        evaluator.setBoard(&position.board);
        evaluator.evaluateTraced(b);
    }
    const AttackRecord& record(Color c) const { return evaluator.record(c); }
};

TEST_F(TermsTest, PieceSquareSpotValues) {
    Position start("");
    EXPECT_EQ(start.board.psqMg, 0);
    EXPECT_EQ(start.board.psqEg, 0);
    EXPECT_EQ(psqValue(PsqMg, Knight, White, sq("g1")), -12);
    EXPECT_EQ(psqValue(PsqMg, Knight, Black, sq("g8")), -12);
    EXPECT_EQ(psqValue(PsqMg, King, White, sq("g1")), 20);
    EXPECT_EQ(psqValue(PsqEg, King, White, sq("g1")), -15);
    EXPECT_EQ(psqValue(PsqEg, King, Black, sq("g8")), -15);
    EXPECT_EQ(psqValue(PsqMg, Pawn, White, sq("e4")), 12);
    EXPECT_EQ(psqValue(PsqMg, Pawn, Black, sq("d5")), 12);
    // Kings g1 / e8 only: White's king reads 20 against Black's -10.
    Position kings("4k3/8/8/8/8/8/8/6K1 w - - 0 1");
    EXPECT_EQ(kings.board.psqMg, 20 - (-10));
}

TEST_F(TermsTest, MaterialImbalance) {
    // Bishop pair with eight pawns (30 / 15) and one bishop more (10 / 5).
    Position pair("rn2k3/pppppppp/8/8/8/8/PPPPPPPP/2B1KB2 w - - 0 1");
    Position pair2("1nb1k3/pppppppp/8/8/8/8/PPPPPPPP/2B1KB2 w - - 0 1");
    EXPECT_EQ(materialImbalance(pair2.board), (ScoreTriple{0, 40, 20}));
    // Rook against knight, five pawns each: one major for one minor.
    Position exchange("1n2k3/ppppp3/8/8/8/8/PPPPP3/R3K3 w - - 0 1");
    EXPECT_EQ(materialImbalance(exchange.board), (ScoreTriple{0, 10, 10}));
    // A knight for three pawns: 45 / 20 for the minor, -60 for the pawns.
    Position minor("4k3/ppppppp1/8/8/8/8/PPPP4/1N2K3 w - - 0 1");
    EXPECT_EQ(materialImbalance(minor.board), (ScoreTriple{0, 45, 20 - 60}));
    // Queen against two rooks balances out.
    Position queen("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/3QK3 w - - 0 1");
    EXPECT_EQ(materialImbalance(queen.board), (ScoreTriple{0, 0, 0}));
    // Bishop and knight against a rook, six pawns each: one bishop more (10 / 5)
    // and two minors for one major (+30 / +20 for the minors' side).
    Position minors("4k2r/pppppp2/8/8/8/8/PPPPPP2/1NB1K3 w - - 0 1");
    EXPECT_EQ(materialImbalance(minors.board), (ScoreTriple{0, 40, 25}));
    // Colours exchanged: the negated triple.
    Position minorsBlack(mirrorFen("4k2r/pppppp2/8/8/8/8/PPPPPP2/1NB1K3 w - - 0 1"));
    EXPECT_EQ(materialImbalance(minorsBlack.board), (ScoreTriple{0, -40, -25}));
    (void)pair;
}

TEST_F(TermsTest, PawnStructureByHand) {
    // Doubled and isolated a-pawns; a3 is open and passed.
    Position doubled("4k3/8/8/8/8/P7/P7/4K3 w - - 0 1");
    Bitboard passed = 0;
    const ScoreTriple d = pawnStructure(doubled.board, White, passed);
    // mg: doubled 12 - 24, isolated 2 * -15; eg: -10, 2 * -13, 3 * (d(e8,a8) - d(e1,a8)).
    EXPECT_EQ(d, (ScoreTriple{9, -12 - 30, -10 - 26 + 3 * (4 - 7)}));
    EXPECT_EQ(passed, squareBit(sq("a3")));

    // c2 is backward (c4 is Black's), d4 weak, c2 an open candidate.
    const std::string fen = "4k3/8/8/3p4/3P4/8/2P5/4K3 w - - 0 1";
    Position backward(fen);
    passed = 0;
    EXPECT_EQ(pawnStructure(backward.board, White, passed), (ScoreTriple{1, -10 - 6, -9 - 3}));
    EXPECT_EQ(passed, squareBit(sq("c2")));
    // The mirror image gives Black the same triple.
    Position mirrored(mirrorFen(fen));
    passed = 0;
    EXPECT_EQ(pawnStructure(mirrored.board, Black, passed), (ScoreTriple{1, -10 - 6, -9 - 3}));

    // A chain b2 c3 d4 without Black pawns: all open, three connected pawns
    // (+3 each); b2 is undefended but not weak (its double step to b4 lands
    // on a square c3 guards): -5.
    Position chain("4k3/8/8/8/3P4/2P5/1P6/4K3 w - - 0 1");
    passed = 0;
    const ScoreTriple c = pawnStructure(chain.board, White, passed);
    EXPECT_EQ(passed, squareBit(sq("b2")) | squareBit(sq("c3")) | squareBit(sq("d4")));
    EXPECT_EQ(c.mg, 3 * 3 - 5);
}

TEST_F(TermsTest, KingShelter) {
    Position castled("6k1/5ppp/8/8/8/8/5PPP/6K1 w - - 0 1");
    // g1: pawns g2 (column s1), f2 (west s1) -> 21, h2 east +15, front +15.
    EXPECT_EQ(kingShelter(castled.board, White), 51);
    EXPECT_EQ(kingShelter(castled.board, Black), 51);
    // A king on its second rank counts as on its back rank.
    Position stepped("6k1/5ppp/8/8/8/5PPP/6K1/8 w - - 0 1");
    Position back("6k1/5ppp/8/8/8/5PPP/8/6K1 w - - 0 1");
    EXPECT_EQ(kingShelter(stepped.board, White), kingShelter(back.board, White));
    // g1 with pawns one rank further: s2 column and west s2 row (14), east s2 +12, front +10.
    EXPECT_EQ(kingShelter(back.board, White), 14 + 12 + 10);
    // A storming pawn two ranks in front of g1's shelter square.
    Position storm("6k1/5pp1/8/8/8/7p/5PP1/6K1 w - - 0 1");
    // g1: g2 s1, f2 west s1 -> 21; h-file: no own pawn -> -13; storm h3 at d = 2 -> 15.
    EXPECT_EQ(shelterValue(storm.board, White, sq("g1")), 21 - 13 - 15);
    // The same storm against a Black king: no pawn on the king's file, so no halving.
    Position stormBlack(mirrorFen("6k1/5pp1/8/8/8/7p/5PP1/6K1 w - - 0 1"));
    EXPECT_EQ(shelterValue(stormBlack.board, Black, sq("g8")), 21 - 13 - 15);
    // On the king's own file the storm is halved for Black only.
    Position fileStorm("6k1/5p1p/8/8/8/6p1/5P1P/6K1 w - - 0 1");
    Position fileStormBlack(mirrorFen("6k1/5p1p/8/8/8/6p1/5P1P/6K1 w - - 0 1"));
    const int white = shelterValue(fileStorm.board, White, sq("g1"));
    const int black = shelterValue(fileStormBlack.board, Black, sq("g8"));
    EXPECT_EQ(black - white, 15 - (15 >> 1));
}

TEST_F(TermsTest, MobilityTables) {
    // A free knight on d4: eight squares -> 14.
    Traced free("7k/p7/8/8/3N4/8/7P/K7 w - - 0 1");
    EXPECT_EQ(free.record(White).running, 14);
    // A knight on a1 whose squares hold own pawns -> -30.
    Traced boxed("7k/8/8/8/8/1P6/2P5/N6K w - - 0 1");
    EXPECT_EQ(boxed.record(White).running, -30);
    // A queen on a1 with sixteen squares (a2-a4, b1-h1, b2-g7) -> 49.
    Traced queen("7K/8/2k5/P7/8/8/8/Q7 w - - 0 1");
    EXPECT_EQ(queen.record(White).running, 49);
    // A bishop on a1 with the long diagonal free: seven squares -> 13.
    Traced bishop("6k1/p7/8/8/8/8/7P/B6K w - - 0 1");
    EXPECT_EQ(bishop.record(White).running, 13);
    // A rook on a1: a2-a7 and b1-g1, twelve squares -> 32.
    Traced rook("6k1/p7/8/8/8/8/7P/R6K w - - 0 1");
    EXPECT_EQ(rook.record(White).running, 32);
}

TEST_F(TermsTest, OversizedPawnComponentsBypassTheHash) {
    // Eight free pawns on the seventh: 8 * (98 + 98 / 4) = 976 in the common
    // part, beyond the 10 bits of an entry. The structure is recomputed each
    // time rather than stored with the wrong sign.
    Position p("8/PPPPPPPP/8/4k3/8/8/8/4K3 w - - 0 1");
    Bitboard passed = 0;
    EXPECT_EQ(pawnStructure(p.board, White, passed).common, 976);
    Evaluator e;
    e.setBoard(&p.board);
    EvalBreakdown first, second;
    const int a = e.evaluateTraced(first);
    const int b = e.evaluateTraced(second);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(second.pawnHashHit);
    EXPECT_EQ(second.pawns.common, 976);
}

TEST_F(TermsTest, KnightTrap) {
    // Knight a8 with one square (c7; b6 is guarded by a7's pawn) and a Black pawn on a7.
    Traced trapped("N3k3/p7/8/8/8/8/P7/4K3 w - - 0 1");
    EXPECT_EQ(trapped.record(White).running, -15 - 80);
    Traced loose("N3k3/8/p7/8/8/8/P7/4K3 w - - 0 1");
    EXPECT_EQ(loose.record(White).running, 3);
}

TEST_F(TermsTest, RookShutInAndCaught) {
    // Rook h1 boxed in by its king on f1 (no short castling), pawns g2 and h2:
    // one move (g1), mobility -15 and -15 in the second running score.
    Traced shut("6k1/p7/8/8/8/8/6PP/5K1R w - - 0 1");
    EXPECT_EQ(shut.record(White).kingRunning, -15);
    EXPECT_EQ(shut.record(White).running, -15);
    // Rook h8 in Black's corner with h7 and g7 in front: three moves (8), -80.
    Traced caught("k4b1R/6pp/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(caught.record(White).running, 8 - 80);
    EXPECT_EQ(caught.record(White).kingRunning, 0);
}

TEST_F(TermsTest, PinsAndDiscoveredAttacks) {
    // Knight e4 in front of the rook on e1, facing the Black king: knight 14 + 20,
    // rook e2-e4 b1-d1 f1-h1: 29.
    Traced discovered("4k3/7p/8/8/4N3/8/P7/K3R3 w - - 0 1");
    EXPECT_EQ(discovered.record(White).running, 14 + 20 + 29);
    EXPECT_TRUE(discovered.record(White).discovered);
    // Knight d4 between the Black rook d8 and the White rook d1 while the
    // bishop b6 eyes it: knight 14 - 15; rook 8 squares (d4 is covered by the
    // bishop): 27.
    Traced relative("3r3k/7p/1b6/8/3N4/8/P7/3R3K w - - 0 1");
    EXPECT_EQ(relative.record(White).running, 14 - 15 + 27);
    EXPECT_FALSE(relative.record(White).discovered);
    // A knight pinned to its king has no moves: mobility -30, and nothing in the attack sets.
    Traced pinned("4r2k/7p/8/8/4N3/8/P7/4K3 w - - 0 1");
    EXPECT_EQ(pinned.record(White).running, -30);
    EXPECT_FALSE(pinned.record(White).all & tables().knightAttacks[sq("e4")] & ~pinned.record(White).kingAttacks &
                 ~pinned.record(White).pawnAttacks);
}

TEST_F(TermsTest, BlockedBackwardPawnRuleIsOneSided) {
    // e5 with an own pawn on e6, its neighbour on d6 and Black's pawn on e7 is
    // backward for White (ranks 1-6); the mirror image, a Black pawn on e4,
    // lies outside Black's ranks 5-8 and is merely weak.
    const std::string fen = "7k/4p3/3PP3/4P3/8/8/8/K7 w - - 0 1";
    Position white(fen), black(mirrorFen(fen));
    Bitboard passed = 0;
    const ScoreTriple w = pawnStructure(white.board, White, passed);
    const ScoreTriple b = pawnStructure(black.board, Black, passed);
    EXPECT_EQ(w.mg - b.mg, -10 - (-6));
    EXPECT_EQ(w.eg - b.eg, -9 - (-3));
    EXPECT_EQ(w.common, b.common);
}

TEST_F(TermsTest, RookFiles) {
    // Only the rook's file bonus lands in the pieces' endgame part.
    Traced open("4k3/p7/8/8/8/8/P7/4K2R w - - 0 1");
    EXPECT_EQ(open.b.pieces.eg, 8);
    Traced halfOpen("4k3/p6p/8/8/8/8/P7/4K2R w - - 0 1");
    EXPECT_EQ(halfOpen.b.pieces.eg, 3);
    Traced closed("4k3/p6p/8/8/8/8/P6P/4K2R w - - 0 1");
    EXPECT_EQ(closed.b.pieces.eg, 0);
}

TEST_F(TermsTest, PawnThreats) {
    // One pawn hit on a knight: 32 with White to move, 16 without. (The
    // extra pawns keep the material out of the endgame registry.)
    Traced toMove("4k3/7p/8/3n4/4P3/8/P7/4K3 w - - 0 1");
    EXPECT_EQ(toMove.b.threatsBySide[White], 32);
    Traced waiting("4k3/7p/8/3n4/4P3/8/P7/4K3 b - - 0 1");
    EXPECT_EQ(waiting.b.threatsBySide[White], 16);
    // A fork of knight and bishop counts 65 either way.
    Traced fork("4k3/7p/8/3n1b2/4P3/8/P7/4K3 b - - 0 1");
    EXPECT_EQ(fork.b.threatsBySide[White], 65);
}

TEST_F(TermsTest, BackRankCheckWithoutFlight) {
    // Queen d1 against a king on g8 behind f7 g7 h7. No piece attacks the
    // king zone (W = 0). One safe check (queen d8, weight 85) with no flight
    // square and nothing to interpose: +150. X = 32 + 12 = 44, taken >> 3
    // without attackers: (5 * 235) >> 5 = 36. h5 is a weak square of the
    // king's quadrant (+5), d5-d8 weak squares of the other quadrant (+2 each).
    Traced t("6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 1");
    EXPECT_EQ(t.record(White).kingAttackers, 0);
    EXPECT_EQ(t.b.kingSafetyBySide[White], 36 + 5 + 8);
    EXPECT_EQ(t.b.kingSafetyBySide[Black], 0);
}

TEST_F(TermsTest, PassedPawnOnTheSeventh) {
    // a7 with a free path: 98 plus 115 when it cannot be taken first.
    Traced free("8/P6p/8/8/8/8/7P/k3K3 w - - 0 1");
    EXPECT_EQ(free.b.passedBySide[White], (ScoreTriple{98 + 115, 0, 98}));
    // The Black king on b6 hits a7 and Black is to move: no extra.
    Traced hit("8/P6p/1k6/8/8/8/7P/4K3 b - - 0 1");
    EXPECT_EQ(hit.b.passedBySide[White], (ScoreTriple{98, 0, 98}));
    // The same with White to move keeps it.
    Traced hitWaiting("8/P6p/1k6/8/8/8/7P/4K3 w - - 0 1");
    EXPECT_EQ(hitWaiting.b.passedBySide[White], (ScoreTriple{98 + 115, 0, 98}));
}

TEST_F(TermsTest, SmallAttackGetsUnitsOnly) {
    // Knight f5 reaches g7 and h6 in the Black king's zone: 8 * 1 + 2 units.
    // With a knight and a rook White lacks mating material for the full term.
    Traced attack("6k1/p7/8/5N2/8/8/7P/R3K3 w Q - 0 1");
    EXPECT_EQ(attack.record(White).kingAttackUnits, 10);
    EXPECT_EQ(attack.b.kingSafetyBySide[White], 10);
}

}  // namespace
}  // namespace NEngine::NTest
