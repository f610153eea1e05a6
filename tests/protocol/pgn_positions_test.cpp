// "quillon positions": every position of a PGN file with the move played.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "protocol/pgn_positions.h"
#include "test_support.h"

using namespace NEngine;
using namespace NEngineTest;

namespace {

struct Line {
    std::string fen, move, san;
};

// The games of the output, each a list of its lines.
std::vector<std::vector<Line>> positionsOf(const std::string& pgn, int* games = nullptr) {
    std::istringstream in(pgn);
    std::ostringstream out;
    const int read = writePgnPositions(in, out);
    if (games)
        *games = read;
    std::vector<std::vector<Line>> result(1);
    std::istringstream text(out.str());
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty()) {
            result.emplace_back();
            continue;
        }
        Line l;
        std::istringstream fields(line);
        std::getline(fields, l.fen, '\t');
        std::getline(fields, l.move, '\t');
        std::getline(fields, l.san, '\t');
        result.back().push_back(l);
    }
    result.pop_back();  // after the last empty line
    return result;
}

}  // namespace

TEST(PgnPositions, GamesInXboardAndQuillonLayout) {
    ensureBoardTables();
    // xboard writes the FEN tag before SetUp and comments with board diagrams;
    // the second game is in the layout Quillon saves; the third has an illegal
    // move after two good ones.
    const std::string setUp = "4k3/8/8/8/8/8/4P3/4K2R w K - 0 30";
    const std::string pgn = "[Event \"Computer Chess Game\"]\n[FEN \"" + setUp +
                            "\"]\n[SetUp \"1\"]\n\n{--------------\n. . . . k . . .\n--------------}\n"
                            "30. O-O {+3.10/12 0.4} Kd7 {-3.0/9}\n31. e4 1-0\n\n\n"
                            "[Result \"*\"]\n1. e4 e5 2. Nf3 *\n\n"
                            "1. d4 d5 2. Ke3 *\n\n\n";
    int games = 0;
    const auto result = positionsOf(pgn, &games);
    EXPECT_EQ(games, 3);
    ASSERT_EQ(result.size(), 3u);

    ASSERT_EQ(result[0].size(), 3u);
    EXPECT_EQ(result[0][0].fen, setUp);
    EXPECT_EQ(result[0][0].move, "e1g1");
    EXPECT_EQ(result[0][0].san, "O-O");
    EXPECT_EQ(result[0][1].fen, "4k3/8/8/8/8/8/4P3/5RK1 b - - 0 30");
    EXPECT_EQ(result[0][2].san, "e4");

    ASSERT_EQ(result[1].size(), 3u);
    EXPECT_EQ(result[1][0].fen, startPositionFen());
    EXPECT_EQ(result[1][2].move, "g1f3");

    ASSERT_EQ(result[2].size(), 2u);
    EXPECT_EQ(result[2][1].san, "d5");

    // Every line is consistent: its SAN read on its FEN is its move, and the
    // move leads to the next line's position.
    for (const auto& game : result) {
        for (size_t i = 0; i < game.size(); ++i) {
            BoardWithStack b;
            ASSERT_TRUE(parseFen(game[i].fen, b.board));
            const Move move = parseSan(b.board, game[i].san);
            ASSERT_NE(move, NullMove) << game[i].fen << " " << game[i].san;
            EXPECT_EQ(moveToText(move, false), game[i].move);
            makeMove(b.board, move);
            if (i + 1 < game.size()) {
                EXPECT_EQ(writeFen(b.board), game[i + 1].fen);
            }
        }
    }
}

TEST(PgnPositions, GameWithoutPlayableMoveKeepsItsPlace) {
    ensureBoardTables();
    // A rejected set-up position, a game of only tags and a position whose
    // castling right has no rook (no FEN text to write) each give an empty
    // game; the games after them still line up.
    const auto result = positionsOf(
        "[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4 *\n\n"
        "[Event \"x\"]\n*\n\n1. c4 *\n\n"
        "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 w K - 0 1\"]\n1. Kd2 *\n\n"
        "  [ SetUp \"1\"]\n[ FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4 *\n");
    ASSERT_EQ(result.size(), 5u);
    EXPECT_TRUE(result[4].empty());  // tags written loosely are still tags
    EXPECT_TRUE(result[0].empty());
    EXPECT_TRUE(result[1].empty());
    ASSERT_EQ(result[2].size(), 1u);
    EXPECT_EQ(result[2][0].move, "c2c4");
    EXPECT_TRUE(result[3].empty());
    EXPECT_TRUE(positionsOf("").empty());
    EXPECT_TRUE(positionsOf("\n\n  \n").empty());
}
