// The static exchange test on positions whose exchanges any player can count.
#include <gtest/gtest.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/see.h"

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

}  // namespace
}  // namespace NEngine
