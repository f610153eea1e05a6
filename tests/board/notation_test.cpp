// Move text: coordinate and SAN, written and read back.
#include <random>

#include "board_test_util.h"

#include "board/fen.h"
#include "board/makemove.h"

namespace NEngine::test {
namespace {

TEST(Notation, ReadsBothForms) {
    Position p;
    Move e4 = parseMoveText(p.board, "e2e4");
    EXPECT_EQ(e4, composeMove(sq("e2"), sq("e4")));
    EXPECT_EQ(parseMoveText(p.board, "e4"), e4);
    EXPECT_EQ(parseMoveText(p.board, "Nf3"), composeMove(sq("g1"), sq("f3")));
    EXPECT_EQ(parseMoveText(p.board, "Nc3"), composeMove(sq("b1"), sq("c3")));
    EXPECT_EQ(moveToText(e4, true), "move e2e4");
    EXPECT_EQ(moveToText(NullMove, false), "");
    EXPECT_EQ(moveToSan(p.board, NullMove), "0000");
    EXPECT_EQ(parseSan(p.board, "0000"), NullMove);
    EXPECT_EQ(classifyMoveText("0000"), SanText);
    // Text naming squares off the board never wraps into a real move.
    EXPECT_EQ(parseCoordinate("a9a1"), NullMove);
    EXPECT_EQ(parseMoveText(p.board, "a9a1"), NullMove);
    EXPECT_EQ(parseMoveText(p.board, "e2e5"), NullMove);
    EXPECT_EQ(parseMoveText(p.board, "hello"), NullMove);
    EXPECT_EQ(parseMoveText(p.board, "Nxf3"), NullMove);  // f3 is empty
}

TEST(Notation, Disambiguation) {
    Position knights("4k3/7p/8/8/8/5N2/8/1N2K3 w - - 0 1");
    ASSERT_TRUE(knights.ok);
    EXPECT_EQ(moveToSan(knights.board, composeMove(sq("b1"), sq("d2"))), "Nbd2");
    EXPECT_EQ(moveToSan(knights.board, composeMove(sq("f3"), sq("d2"))), "Nfd2");

    Position rooks("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1");
    ASSERT_TRUE(rooks.ok);
    EXPECT_EQ(moveToSan(rooks.board, composeMove(sq("a1"), sq("a3"))), "R1a3");
    EXPECT_EQ(moveToSan(rooks.board, composeMove(sq("a5"), sq("a3"))), "R5a3");

    Position queens("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1");
    ASSERT_TRUE(queens.ok);
    EXPECT_EQ(moveToSan(queens.board, composeMove(sq("a1"), sq("b2"))), "Qa1b2");
    EXPECT_EQ(parseSan(queens.board, "Qa1b2"), composeMove(sq("a1"), sq("b2")));
}

TEST(Notation, CapturesPromotionsAndSuffixes) {
    Position pawn("4k3/8/8/3pP3/4P3/8/8/4K3 w - d6 0 2");
    ASSERT_TRUE(pawn.ok);
    EXPECT_EQ(moveToSan(pawn.board, composeMove(sq("e4"), sq("d5"))), "exd5");
    EXPECT_EQ(moveToSan(pawn.board, composeMove(sq("e5"), sq("d6"))), "exd6");

    Position promo("8/4P3/8/8/8/8/k7/4K3 w - - 0 1");
    ASSERT_TRUE(promo.ok);
    Move queen = composeMove(sq("e7"), sq("e8"), Queen);
    EXPECT_EQ(moveToText(queen, false), "e7e8q");
    EXPECT_EQ(moveToSan(promo.board, queen), "e8=Q");
    EXPECT_EQ(parseMoveText(promo.board, "e8=Q"), queen);
    EXPECT_EQ(parseMoveText(promo.board, "e8Q"), queen);
    EXPECT_EQ(parseMoveText(promo.board, "e7e8q"), queen);
    EXPECT_EQ(parseMoveText(promo.board, "e7e8"), NullMove);

    Position mate("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    ASSERT_TRUE(mate.ok);
    EXPECT_EQ(moveToSan(mate.board, composeMove(sq("a1"), sq("a8"))), "Ra8#");
    EXPECT_EQ(moveToSan(mate.board, composeMove(sq("a1"), sq("a7"))), "Ra7");
    Position check("6k1/5pp1/8/8/8/8/8/R5K1 w - - 0 1");
    EXPECT_EQ(moveToSan(check.board, composeMove(sq("a1"), sq("a8"))), "Ra8+");

    Position castle("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(moveToSan(castle.board, composeMove(sq("e1"), sq("g1"))), "O-O");
    EXPECT_EQ(moveToSan(castle.board, composeMove(sq("e1"), sq("c1"))), "O-O-O");
    EXPECT_EQ(parseMoveText(castle.board, "O-O-O"), composeMove(sq("e1"), sq("c1")));
}

TEST(Notation, EveryLegalMoveRoundTrips) {
    std::mt19937 rng(7);
    int checked = 0;
    const char* starts[] = {"", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1"};
    for (int game = 0; game < 60; ++game) {
        Position p(starts[game % 3]);
        for (int ply = 0; ply < 80; ++ply) {
            std::vector<Move> moves = legalMoves(p.board);
            if (moves.empty())
                break;
            const Board before = p.board;
            for (Move m : moves) {
                std::string san = moveToSan(p.board, m);
                ASSERT_FALSE(san.empty());
                EXPECT_EQ(parseSan(p.board, san), m) << san << " in " << writeFen(p.board);
                EXPECT_EQ(parseMoveText(p.board, san), m) << san;
                EXPECT_EQ(parseMoveText(p.board, moveToText(m, false)), m);
                ++checked;
            }
            EXPECT_TRUE(samePosition(p.board, before));
            makeMove(p.board, moves[rng() % moves.size()]);
        }
    }
    EXPECT_GT(checked, 10000);
}

}  // namespace
}  // namespace NEngine::test
