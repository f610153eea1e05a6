// PGN writing and reading on boards: exact layout, tolerant reading and
// round trips.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "board/fen.h"
#include "board/makemove.h"
#include "protocol/game_record.h"
#include "test_support.h"

using namespace NEngine;
using namespace NEngineTest;

namespace {

class GameRecord : public ::testing::Test {
protected:
    void SetUp() override {
        ensureBoardTables();
        ASSERT_TRUE(parseFen("", game.board));
    }
    std::string written() {
        std::ostringstream out;
        EXPECT_TRUE(writePgn(game.board, out));
        return out.str();
    }
    bool read(const std::string& text) {
        std::istringstream in(text);
        return readPgn(loaded.board, in);
    }
    BoardWithStack game;
    BoardWithStack loaded;
};

}  // namespace

TEST_F(GameRecord, FreshGameIsJustTheResult) { EXPECT_EQ(written(), "[Result \"*\"]\n*\n\n"); }

TEST_F(GameRecord, MovetextLayout) {
    playMoves(game.board, {"e2e4", "e7e5", "g1f3"});
    EXPECT_EQ(written(), "[Result \"*\"]\n1. e4 e5\n2. Nf3 *\n\n");
    playMoves(game.board, {"b8c6"});
    EXPECT_EQ(written(), "[Result \"*\"]\n1. e4 e5\n2. Nf3 Nc6\n*\n\n");
}

TEST_F(GameRecord, MateByWhiteWritesOneZero) {
    playMoves(game.board, {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7"});
    ASSERT_TRUE(game.board.status & Checkmate);
    EXPECT_EQ(written(), "[Result \"1-0\"]\n1. e4 e5\n2. Bc4 Nc6\n3. Qh5 Nf6\n4. Qxf7# 1-0\n\n");
}

TEST_F(GameRecord, MateByBlackAndStalemateResults) {
    playMoves(game.board, {"f3", "e5", "g4", "Qh4"});
    EXPECT_EQ(written(), "[Result \"0-1\"]\n1. f3 e5\n2. g4 Qh4#\n0-1\n\n");

    const std::string fen = "7k/8/6K1/8/8/8/8/5Q2 w - - 0 40";
    ASSERT_TRUE(parseFen(fen, game.board));
    playMoves(game.board, {"f1f7"});
    ASSERT_TRUE(game.board.status & Stalemate);
    EXPECT_EQ(written(), "[SetUp \"1\"] \n[FEN \"" + fen + "\"]\n[Result \"1/2-1/2\"]\n40. Qf7 1/2-1/2\n\n");
}

TEST_F(GameRecord, SetUpGameWithBlackToMove) {
    const std::string fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 12";
    ASSERT_TRUE(parseFen(fen, game.board));
    playMoves(game.board, {"e7e5", "g1f3"});
    EXPECT_EQ(written(), "[SetUp \"1\"] \n[FEN \"" + fen + "\"]\n[Result \"*\"]\n12.  ... e5\n13. Nf3 *\n\n");
}

TEST_F(GameRecord, InconsistentCastlingRightsWriteNoSetUpTags) {
    ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", game.board));
    // A right whose rook is gone cannot be written as FEN.
    game.board.castling = 1 << (White * 2);
    game.board.removePiece(White, Rook, 7);
    game.board.squares[7] = 0;
    ASSERT_EQ(writeFen(game.board), "");
    EXPECT_EQ(written(), "[Result \"*\"]\n*\n\n");
}

TEST_F(GameRecord, SavedGameLoadsBackToTheSamePosition) {
    // A pseudo-random game of up to 120 plies, replayed through PGN text.
    std::mt19937 random(20261208);
    for (int ply = 0; ply < 120 && !(game.board.status & GameOverMask); ++ply) {
        MoveList list;
        generateAll(game.board, list);
        std::vector<Move> legal;
        list.forEach([&](Move m) {
            if (isLegal(game.board, m))
                legal.push_back(m);
        });
        ASSERT_FALSE(legal.empty());
        makeMove(game.board, legal[random() % legal.size()]);
        detectTerminal(game.board);
    }
    const std::string text = written();
    ASSERT_TRUE(read(text)) << text;
    EXPECT_EQ(loaded.board.key, game.board.key);
    EXPECT_EQ(writeFen(loaded.board), writeFen(game.board));
    EXPECT_EQ(loaded.board.ply, game.board.ply);
    EXPECT_EQ(loaded.board.status, game.board.status);
    // And the reloaded game writes the same text.
    std::ostringstream again;
    EXPECT_TRUE(writePgn(loaded.board, again));
    EXPECT_EQ(again.str(), text);
}

TEST_F(GameRecord, SetUpGameRoundTrip) {
    ASSERT_TRUE(parseFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 30", game.board));
    playMoves(game.board, {"O-O", "O-O-O", "a8b8"});
    const std::string text = written();
    ASSERT_TRUE(read(text)) << text;
    EXPECT_EQ(writeFen(loaded.board), writeFen(game.board));
    EXPECT_EQ(loaded.board.movesMade(), 3);
}

TEST_F(GameRecord, ZeroCastlingEndsTheGame) {
    EXPECT_TRUE(read("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. 0-0 Nf6 *\n"));
    BoardWithStack expected;
    ASSERT_TRUE(parseFen("", expected.board));
    playMoves(expected.board, {"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5"});
    EXPECT_EQ(writeFen(loaded.board), writeFen(expected.board));
}

TEST_F(GameRecord, FenTagNeedsSetUpFirst) {
    EXPECT_TRUE(read("[FEN \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\"]\n[SetUp \"1\"]\n1. e4 *\n"));
    EXPECT_EQ(writeFen(loaded.board), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
}

TEST_F(GameRecord, CommentsAcrossLinesAndEscapes) {
    EXPECT_TRUE(read("[Event \"x\"]\n1. e4 {a comment\nNf3 Nc6 about\n things} e5 % Nf3 ignored\n2. Nf3{x}Nc6 *\n"));
    BoardWithStack expected;
    ASSERT_TRUE(parseFen("", expected.board));
    playMoves(expected.board, {"e4", "e5", "Nf3", "Nc6"});
    EXPECT_EQ(writeFen(loaded.board), writeFen(expected.board));
}

TEST_F(GameRecord, WordEndings) {
    BoardWithStack expected;
    ASSERT_TRUE(parseFen("", expected.board));
    playMoves(expected.board, {"e4"});
    // A stray character inside a move word stops the game there: Zd5 is not d5.
    EXPECT_FALSE(read("1. e4 Zd5 2. Nf3 *\n"));
    EXPECT_EQ(writeFen(loaded.board), writeFen(expected.board));
    // An annotation mark ends the word and is skipped with it.
    EXPECT_TRUE(read("1. e4 e5! 2. Nf3 *\n"));
    playMoves(expected.board, {"e5", "Nf3"});
    EXPECT_EQ(writeFen(loaded.board), writeFen(expected.board));
    // A comment straight after a move word is still a comment; the game goes on.
    EXPECT_TRUE(read("1. e4{good} e5 2. Nf3 {fine}Nc6 *\n"));
    playMoves(expected.board, {"Nc6"});
    EXPECT_EQ(writeFen(loaded.board), writeFen(expected.board));
}

TEST_F(GameRecord, VariationsStopAtTheFirstIllegalMove) {
    EXPECT_FALSE(read("1. e4 (1. d4 d5) e5 *\n"));
    EXPECT_EQ(writeFen(loaded.board), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
}

TEST_F(GameRecord, TagsOnlyKeepTheFenPosition) {
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    EXPECT_FALSE(read("[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n*\n"));
    EXPECT_EQ(writeFen(loaded.board), fen);
}

TEST_F(GameRecord, RejectedFenTagLeavesTheBoard) {
    ASSERT_TRUE(parseFen("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", loaded.board));
    const std::string before = writeFen(loaded.board);
    // White to move with the black king in check: not a position.
    EXPECT_FALSE(read("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\"]\n1. Kd2 *\n"));
    EXPECT_EQ(writeFen(loaded.board), before);
    EXPECT_FALSE(read("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4X3/4K3 w - - 0 1\"]\n1. Kd2 *\n"));
    EXPECT_EQ(writeFen(loaded.board), before);
}
