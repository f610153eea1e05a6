// FEN reading and writing, and the status of fresh positions.
#include "board_test_util.h"

#include "board/fen.h"
#include "board/makemove.h"

namespace NEngine::test {
namespace {

TEST(Fen, EmptyTextIsTheStartPosition) {
    Position p("");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.board.side(), White);
    EXPECT_EQ(p.board.castling, 15);
    EXPECT_EQ(p.board.ply, 0);
    EXPECT_EQ(p.board.fullmove, 1u);
    EXPECT_EQ(p.board.psqMg, 0);
    EXPECT_EQ(p.board.psqEg, 0);
    EXPECT_EQ(writeFen(p.board), startPositionFen());
}

TEST(Fen, RoundTripsCanonicalText) {
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 12 40",
        "r3k3/8/8/8/8/8/8/4K2R b Kq - 7 33",
    };
    for (const char* fen : fens) {
        Position p(fen);
        ASSERT_TRUE(p.ok) << fen;
        EXPECT_EQ(writeFen(p.board), fen);
        EXPECT_TRUE(boardConsistent(p.board));
    }
}

TEST(Fen, FieldRules) {
    // Rights whose rook is missing are ignored.
    Position noRook("r3k2r/8/8/8/8/8/8/R3K3 w KQkq - 0 1");
    ASSERT_TRUE(noRook.ok);
    EXPECT_EQ(writeFen(noRook.board), "r3k2r/8/8/8/8/8/8/R3K3 w Qkq - 0 1");

    // The en-passant square needs the pawn that made the double step.
    EXPECT_TRUE(Position("4k3/8/8/4pP2/8/8/8/4K3 w - e6 0 2").ok);
    EXPECT_FALSE(Position("4k3/8/8/5P2/8/8/8/4K3 w - e6 0 2").ok);
    // Squares off the board, or on the wrong rank, are refused.
    EXPECT_FALSE(Position("4k3/8/8/4pP2/8/8/8/4K3 w - i6 0 2").ok);
    EXPECT_FALSE(Position("4k3/8/8/4pP2/8/8/8/4K3 w - e9 0 2").ok);
    EXPECT_FALSE(Position("4k3/8/8/4pP2/8/8/8/4K3 w - e").ok);

    // The clock never exceeds the ply.
    Position clock("4k3/8/8/8/8/8/8/4K3 w - - 60 10");
    ASSERT_TRUE(clock.ok);
    EXPECT_EQ(clock.board.ply, 18);
    EXPECT_EQ(clock.board.halfmoveClock, 18);

    // Full-move numbers below 1 count as 1; huge ones are clamped so the game
    // keeps room on the state stack.
    Position zero("4k3/8/8/8/8/8/8/4K3 b - - 0 0");
    ASSERT_TRUE(zero.ok);
    EXPECT_EQ(zero.board.fullmove, 1u);
    EXPECT_EQ(zero.board.ply, 1);
    Position huge("4k3/8/8/8/8/8/8/4K3 w - - 0 99999999999");
    ASSERT_TRUE(huge.ok);
    EXPECT_LT(huge.board.ply, MaxGamePly);
    EXPECT_TRUE(huge.board.hasRoomForMove());

    // Missing trailing fields take their defaults (black to move).
    Position shortFen("4k3/8/8/8/8/8/8/4K3");
    ASSERT_TRUE(shortFen.ok);
    EXPECT_EQ(shortFen.board.side(), Black);
    EXPECT_TRUE(boardConsistent(shortFen.board));
}

TEST(Fen, RejectsPositionsNoGameReaches) {
    const char* bad[] = {
        "8/8/8/8/8/8/8/8",                           // no kings
        "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",            // two white kings
        "4k3/8/8/8/8/8/8/4K2P w - - 0 1",            // pawn on the first rank
        "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",            // pawn on the last rank
        "QQQQk3/QQQQ4/QQQQ4/8/8/8/8/4K3 w - - 0 1",  // promoted pieces without missing pawns
        "4k3/pppppppp/8/8/8/8/PPPPPPPP/QQQQK3 w - - 0 1",
        "4k3/8/8/8/8/8/4q3/4K3 b - - 0 1",  // side not to move in check
        "4k3/8/8/8/8/8/8/4K3 x - - 0 1",    // bad side letter
        "4k3/8/8/8/8/8/8/4X3 w - - 0 1",    // bad piece letter
        "4k3/8/8/8/8/8/8/4K3 w KZ - 0 1",   // bad castling letter
    };
    for (const char* fen : bad)
        EXPECT_FALSE(Position(fen).ok) << fen;
    // Nine queens with no pawns left is a position a game can reach.
    EXPECT_TRUE(Position("QQQQk3/QQQQ4/Q7/8/8/8/8/4K3 b - - 0 1").ok);
}

TEST(Fen, StatusOfFreshPositions) {
    Position mate("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    ASSERT_TRUE(mate.ok);
    EXPECT_TRUE(mate.board.status & Checkmate);
    Position stalemate("7k/5Q2/8/8/8/8/8/K7 b - - 0 1");
    ASSERT_TRUE(stalemate.ok);
    EXPECT_TRUE(stalemate.board.status & Stalemate);
    Position fifty("7k/8/8/8/8/8/8/KR6 b - - 101 90");
    ASSERT_TRUE(fifty.ok);
    EXPECT_TRUE(fifty.board.status & FiftyMoveDraw);
    Position checkAt100("7k/8/8/8/8/8/8/K6R b - - 100 90");
    ASSERT_TRUE(checkAt100.ok);
    EXPECT_FALSE(checkAt100.board.status & FiftyMoveDraw);
}

TEST(Fen, WriteRefusesContradictions) {
    Position p;
    Board& b = p.board;
    // Take the h1 rook away behind the board's back: the white short right no
    // longer fits the pieces.
    b.removePiece(White, Rook, sq("h1"));
    b.squares[sq("h1")] = 0;
    EXPECT_EQ(writeFen(b), "");
}

}  // namespace
}  // namespace NEngine::test
