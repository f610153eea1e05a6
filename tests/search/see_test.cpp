// The static exchange test on positions whose exchanges any player can count.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/see.h"
#include "tests/board/board_test_util.h"

namespace NEngine {
namespace {

class SeeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initBoardTables(); }

    bool see(const char* fen, const char* move, int threshold) {
        holder_ = std::make_unique<BoardWithStack>();
        EXPECT_TRUE(parseFen(fen, holder_->board)) << fen;
        Move m = parseCoordinate(move);
        EXPECT_NE(m, NullMove) << move;
        return seeAtLeast(holder_->board, m, threshold);
    }

    std::unique_ptr<BoardWithStack> holder_;
};

TEST_F(SeeTest, FreePawn) {
    const char* fen = "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1";
    EXPECT_TRUE(see(fen, "e4d5", 0));
    EXPECT_TRUE(see(fen, "e4d5", 90));
    EXPECT_FALSE(see(fen, "e4d5", 91));
}

// A discovered check counts only from a slider still on the board of the
// exchange: here the c3 bishop has already recaptured on e1 and been taken
// when the e5 rook leaves the long diagonal, so nothing reveals a check.
TEST_F(SeeTest, DiscoveredCheckNeedsTheSliderStillThere) {
    // Ng2-e1 Bxe1 Bxe1 Rxe1 Rxe1 Qxe1: the knight is lost.
    EXPECT_FALSE(see("7k/8/8/4R3/7b/2B4K/6N1/qr6 w - - 0 1", "g2e1", 0));
    EXPECT_FALSE(see("6k1/8/8/4R3/7b/2B4K/6N1/qr6 w - - 0 1", "g2e1", 0));
    // With the bishop still at home on the diagonal, the rook's capture does
    // uncover a check from it, which wins the exchange.
    EXPECT_TRUE(see("7k/8/8/4R3/8/2B4K/8/1r6 w - - 0 1", "e5e1", 0));
}

TEST_F(SeeTest, QueenTakesDefendedPawn) {
    const char* fen = "4k3/8/2p5/3p4/8/8/3Q4/4K3 w - - 0 1";
    EXPECT_FALSE(see(fen, "d2d5", 0));
    EXPECT_TRUE(see(fen, "d2d5", -1000));  // wins 90, loses 1090
    EXPECT_FALSE(see(fen, "d2d5", -999));
}

TEST_F(SeeTest, DoubledRooksAgainstPawnDefence) {
    // Rxd5 cxd5 Rxd5: a rook for two pawns.
    const char* fen = "4k3/8/2p5/3p4/8/8/3R4/3RK3 w - - 0 1";
    EXPECT_FALSE(see(fen, "d2d5", 0));
    EXPECT_TRUE(see(fen, "d2d5", -365));
    EXPECT_FALSE(see(fen, "d2d5", -364));
}

TEST_F(SeeTest, EqualTradeAndXrayBehindQueen) {
    // Nxd5 Nxd5 Qxd5: the queen on h1 recaptures along the long diagonal.
    const char* fen = "3k4/4n3/8/3p4/5N2/8/8/K6Q w - - 0 1";
    EXPECT_TRUE(see(fen, "f4d5", 90));
    EXPECT_FALSE(see(fen, "f4d5", 91));
}

TEST_F(SeeTest, PinnedDefenderDoesNotRecapture) {
    // The e7 knight guards d5 but is pinned against d8 by the h4 queen.
    EXPECT_TRUE(see("3k4/4n3/8/3p4/5N1Q/8/8/K7 w - - 0 1", "f4d5", 90));
    // Without the pin Nxd5 Nxd5 loses the knight for a pawn.
    EXPECT_FALSE(see("3k4/4n3/8/3p4/5N2/8/8/K7 w - - 0 1", "f4d5", 0));
    EXPECT_TRUE(see("3k4/4n3/8/3p4/5N2/8/8/K7 w - - 0 1", "f4d5", -265));
}

TEST_F(SeeTest, QuietMoveOntoGuardedSquare) {
    // Nd4 walks into the c5 pawn.
    const char* fen = "4k3/8/8/2p5/8/8/4N3/5K2 w - - 0 1";
    EXPECT_FALSE(see(fen, "e2d4", 0));
    EXPECT_TRUE(see(fen, "e2c3", 0));
    // With a rook behind the knight, Nd4 is a discovered check: it wins.
    EXPECT_TRUE(see("4k3/8/8/2p5/8/8/4N3/4RK2 w - - 0 1", "e2d4", 0));
}

TEST_F(SeeTest, KingMayOnlyTakeUndefendedPieces) {
    // Rxe7: only the king can answer, and the e1 rook guards e7, so the king cannot.
    const char* guarded = "3k4/4p3/8/8/8/8/4R3/4RK2 w - - 0 1";
    EXPECT_TRUE(see(guarded, "e2e7", 90));
    // Without the second rook the king takes back: a rook for a pawn.
    const char* lone = "3k4/4p3/8/8/8/8/4R3/5K2 w - - 0 1";
    EXPECT_FALSE(see(lone, "e2e7", 0));
}

TEST_F(SeeTest, EnPassantAndPromotion) {
    const char* ep = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2";
    EXPECT_TRUE(see(ep, "e5d6", 0));
    EXPECT_TRUE(see(ep, "e5d6", 90));
    EXPECT_FALSE(see(ep, "e5d6", 91));
    // Promotion on a free square wins a queen's worth; into a rook's file it loses the pawn.
    EXPECT_TRUE(see("7k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", 1000));
    EXPECT_FALSE(see("r6k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", 0));
}

// ---- The exchange test against a plain one written here ------------------------
//
// The reference below plays the same exchange rules out the slow way: every
// attack is found by walking the board square by square (no attack tables),
// and the attackers are sought afresh at every turn. Over the perft suite's
// positions and positions reached from them by random play, every legal move
// at many thresholds must get the same answer from both.

constexpr std::array<int, 7> RefValue = {0, 90, 355, 355, 545, 1090, 0};

int fileDiff(Square a, Square b) { return fileOf(b) - fileOf(a); }
int rankDiff(Square a, Square b) { return rankOf(b) - rankOf(a); }

// The squares strictly between a and b, walking along their common line,
// are all empty in occ. Only for squares on one line.
bool pathClear(Square a, Square b, Bitboard occ) {
    int df = fileDiff(a, b), dr = rankDiff(a, b);
    int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
    for (Square s = a + step; s != b; s += step)
        if (occ & squareBit(s))
            return false;
    return true;
}

bool straightLine(Square a, Square b) { return a != b && (fileDiff(a, b) == 0 || rankDiff(a, b) == 0); }
bool diagonalLine(Square a, Square b) { return a != b && std::abs(fileDiff(a, b)) == std::abs(rankDiff(a, b)); }

// Whether s lies strictly between a and b on their common line.
bool strictlyBetween(Square a, Square s, Square b) {
    if (!straightLine(a, b) && !diagonalLine(a, b))
        return false;
    int df = fileDiff(a, b), dr = rankDiff(a, b);
    int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
    for (Square x = a + step; x != b; x += step)
        if (x == s)
            return true;
    return false;
}

// Whether a piece of the type and colour on s attacks target through occ.
bool refAttacks(int type, Color c, Square s, Square target, Bitboard occ) {
    int df = fileDiff(s, target), dr = rankDiff(s, target);
    switch (type) {
    case Pawn: return std::abs(df) == 1 && dr == (c == White ? 1 : -1);
    case Knight: return (std::abs(df) == 1 && std::abs(dr) == 2) || (std::abs(df) == 2 && std::abs(dr) == 1);
    case Bishop: return diagonalLine(s, target) && pathClear(s, target, occ);
    case Rook: return straightLine(s, target) && pathClear(s, target, occ);
    case Queen: return (diagonalLine(s, target) || straightLine(s, target)) && pathClear(s, target, occ);
    case King: return s != target && std::abs(df) <= 1 && std::abs(dr) <= 1;
    default: return false;
    }
}

bool isSlider(int type) { return type == Bishop || type == Rook || type == Queen; }

// Taking v out of the occupancy lets a slider of colour c (still in occ)
// attack k: it attacks through occ, and would not with v standing.
bool refUncovers(const Board& b, Color c, Square v, Bitboard occ, Square k) {
    for (Square e = 0; e < 64; ++e) {
        if (!(occ & squareBit(e)) || !(b.sides[c].occupied & squareBit(e)) || !isSlider(b.typeOn(e)))
            continue;
        if (refAttacks(b.typeOn(e), c, e, k, occ) && !refAttacks(b.typeOn(e), c, e, k, occ | squareBit(v)))
            return true;
    }
    return false;
}

// The piece on s, of side c, is pinned to its king by an enemy slider that
// stands beyond it (not on the exchange square) once s is taken out.
bool refPinned(const Board& b, Square s, Color c, Bitboard occ, Square to) {
    Square king = b.kingSquare[c];
    if (s == king || !(straightLine(king, s) || diagonalLine(king, s)))
        return false;
    Bitboard open = occ & ~squareBit(s);
    for (Square e = 0; e < 64; ++e) {
        if (e == to || !(occ & squareBit(e)) || !(b.sides[~c].occupied & squareBit(e)) || !isSlider(b.typeOn(e)))
            continue;
        // Beyond s as seen from the king: s lies strictly between them.
        bool sBetween = strictlyBetween(king, s, e);
        if (sBetween && refAttacks(b.typeOn(e), ~c, e, king, open))
            return true;
    }
    return false;
}

// The side's least valuable unpinned attacker of `to`, kings aside: by kind,
// then by square. Returns -1 when there is none.
Square refCheapest(const Board& b, Square to, Bitboard occ, Color side) {
    for (int type = Pawn; type <= Queen; ++type)
        for (Square s = 0; s < 64; ++s)
            if ((occ & squareBit(s)) && (b.sides[side].occupied & squareBit(s)) && b.typeOn(s) == type &&
                refAttacks(type, side, s, to, occ) && !refPinned(b, s, side, occ, to))
                return s;
    return -1;
}

bool refDefended(const Board& b, Square to, Bitboard occ, Color side) {
    for (Square s = 0; s < 64; ++s)
        if ((occ & squareBit(s)) && (b.sides[side].occupied & squareBit(s)) &&
            refAttacks(b.typeOn(s), side, s, to, occ))
            return true;
    return false;
}

bool lastRank(Square s) { return rankOf(s) == 0 || rankOf(s) == 7; }

bool referenceSee(const Board& b, Move move, int threshold) {
    Square from = moveFrom(move), to = moveTo(move);
    Color us = b.side(), them = ~us;
    int mover = b.typeOn(from), captured = b.typeOn(to);
    Square enemyKing = b.kingSquare[them];
    if (captured && RefValue[captured] - RefValue[mover] >= threshold)
        return true;
    bool enPassant = mover == Pawn && !captured && b.enPassant > 0 && to == b.enPassant;
    if (enPassant && threshold < 91)
        return true;
    Bitboard occ = (b.occupied() | squareBit(to)) & ~squareBit(from);
    if (enPassant)
        occ &= ~squareBit(to + (us == White ? -8 : 8));
    if (refUncovers(b, us, from, occ, enemyKing))
        return true;
    int landing = movePromotion(move) ? movePromotion(move) : mover;
    bool directCheck = landing != King && refAttacks(landing, us, to, enemyKing, occ);
    if (mover != Queen && directCheck)
        for (Square q = 0; q < 64; ++q)
            if ((b.sides[them].occupied & squareBit(q)) && b.typeOn(q) == Queen && !straightLine(q, to) &&
                !diagonalLine(q, to) && refUncovers(b, us, from, occ, q))
                return true;
    if (threshold > 0 && directCheck)
        threshold = 0;
    if (enPassant)
        return threshold < 91;
    int balance = RefValue[captured], stake = RefValue[mover];
    if (mover == Pawn && lastRank(to)) {
        balance += 1000;
        stake = 1090;
    }
    if (balance < threshold)
        return false;
    Color side = them;
    for (bool first = true;; first = false, side = ~side) {
        Square attacker = refCheapest(b, to, occ, side);
        int type = attacker >= 0 ? b.typeOn(attacker) : 0;
        if (attacker < 0) {
            Square king = b.kingSquare[side];
            if (!(occ & squareBit(king)) || !refAttacks(King, side, king, to, occ) || refDefended(b, to, occ, ~side))
                return first && side == them ? true : balance >= threshold;
            attacker = king;
            type = King;
        }
        occ &= ~squareBit(attacker);
        int value = type == Pawn && lastRank(to) ? 1000 : RefValue[type];
        if (side == them) {
            balance -= stake;
            stake = value;
            if (type == King)
                return balance >= threshold;
            if (balance + stake < threshold)
                return false;
            if (balance >= threshold)
                return true;
        } else {
            balance += stake;
            stake = value;
            if (type == King)
                return balance >= threshold;
            if (refUncovers(b, us, attacker, occ, enemyKing))
                return true;
            if (balance - stake >= threshold)
                return true;
            if (balance < threshold)
                return false;
        }
    }
}

std::vector<std::string> suiteFens() {
    std::ifstream in(QUILLON_SOURCE_DIR "/tests/board/data/perft-suite.tsv");
    std::vector<std::string> fens;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#')
            fens.push_back(line.substr(0, line.find('\t')));
    return fens;
}

TEST(SeeReference, EveryLegalMoveOfSuiteAndPlayoutPositionsAtManyThresholds) {
    initBoardTables();
    const std::vector<std::string> fens = suiteFens();
    ASSERT_GE(fens.size(), 50u);
    const int thresholds[] = {-1091, -1000, -736, -545, -456, -365, -265, -190, -91, -90,  -1,   0,   1,
                              89,    90,    91,   100,  265,  355,  356,  545,  546, 1000, 1090, 1091};
    std::mt19937 random(20261210);
    long positions = 0, moves = 0, trueAnswers = 0, falseAnswers = 0, checks = 0;
    for (const std::string& fen : fens) {
        // Several games from each position, so that positions from openings,
        // middle games and endings all come up.
        for (int game = 0; game < 6; ++game) {
            auto holder = std::make_unique<BoardWithStack>();
            Board& b = holder->board;
            ASSERT_TRUE(parseFen(fen, b)) << fen;
            for (int ply = 0; ply < 60; ++ply) {
                const std::vector<Move> legal = test::legalMoves(b);
                if (legal.empty() || b.status & GameOverMask)
                    break;
                ++positions;
                checks += b.inCheck();
                for (Move m : legal) {
                    ++moves;
                    for (int threshold : thresholds) {
                        bool expected = referenceSee(b, m, threshold);
                        (expected ? trueAnswers : falseAnswers) += 1;
                        ASSERT_EQ(seeAtLeast(b, m, threshold), expected)
                            << writeFen(b) << " " << moveToText(m, false) << " threshold " << threshold;
                    }
                }
                // Prefer captures now and then, so that crowded exchanges and
                // thinned-out endings are both reached.
                std::vector<Move> captures;
                for (Move m : legal)
                    if (b.typeOn(moveTo(m)))
                        captures.push_back(m);
                const std::vector<Move>& pool = !captures.empty() && random() % 3 == 0 ? captures : legal;
                makeMove(b, pool[random() % pool.size()]);
            }
        }
    }
    // The sample must be broad: thousands of positions, both answers often,
    // positions in check among them.
    EXPECT_GT(positions, 10000);
    EXPECT_GT(trueAnswers, 100000);
    EXPECT_GT(falseAnswers, 100000);
    EXPECT_GT(checks, 200);
    RecordProperty("positions", std::to_string(positions));
    RecordProperty("moves", std::to_string(moves));
}

}  // namespace
}  // namespace NEngine
