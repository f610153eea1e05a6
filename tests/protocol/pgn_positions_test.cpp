// "quillon positions": every position of a PGN file with the move played.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "protocol/pgn_positions.h"
#include "session.h"
#include "test_support.h"

using namespace NEngine;
using namespace NEngineTest;

namespace {

struct Line {
    std::string fen, move, san;
};

// The games of the output, each a list of its lines; the messages go to
// `errors` when given.
std::vector<std::vector<Line>> positionsOf(const std::string& pgn, long long* games = nullptr,
                                           std::string* errors = nullptr) {
    std::istringstream in(pgn);
    std::ostringstream out, messages;
    const PositionsSummary summary = writePgnPositions(in, out, messages);
    if (games)
        *games = summary.games;
    const std::string said = messages.str();
    if (errors)
        *errors = said;
    EXPECT_EQ(summary.failedGames, std::count(said.begin(), said.end(), '\n'))
        << "one message per game that stopped early: " << said;
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
    long long games = 0;
    std::string errors;
    const auto result = positionsOf(pgn, &games, &errors);
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
    EXPECT_EQ(errors, "quillon positions: game 3, ply 3, at 'Ke3': not a legal move here\n");

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
    // A rejected set-up position, a game of only tags and a game whose first
    // move is not legal (two bare kings: the game is over) each give an empty
    // game, the first and the last with a message; the games after them
    // still line up.
    std::string errors;
    const auto result = positionsOf(
        "[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4 *\n\n"
        "[Event \"x\"]\n*\n\n1. c4 *\n\n"
        "[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 w K - 0 1\"]\n1. Kd2 *\n\n"
        "  [ SetUp \"1\"]\n[ FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4 *\n",
        nullptr, &errors);
    ASSERT_EQ(result.size(), 5u);
    EXPECT_TRUE(result[4].empty());  // tags written loosely are still tags
    EXPECT_TRUE(result[0].empty());
    EXPECT_TRUE(result[1].empty());
    ASSERT_EQ(result[2].size(), 1u);
    EXPECT_EQ(result[2][0].move, "c2c4");
    EXPECT_TRUE(result[3].empty());
    EXPECT_EQ(errors,
              "quillon positions: game 1, ply 1, at '8/8/8/8/8/8/8/8 w - - 0 1': the set-up position is rejected\n"
              "quillon positions: game 4, ply 1, at 'Kd2': not a legal move here\n"
              "quillon positions: game 5, ply 1, at '8/8/8/8/8/8/8/8 w - - 0 1': the set-up position is rejected\n");
    EXPECT_TRUE(positionsOf("").empty());
    EXPECT_TRUE(positionsOf("\n\n  \n").empty());
}

namespace {

// The SAN of the moves of a game, one word each.
std::vector<std::string> sansOf(const std::vector<Line>& game) {
    std::vector<std::string> sans;
    for (const Line& l : game)
        sans.push_back(l.san);
    return sans;
}

using Words = std::vector<std::string>;

// One game whose listing must be exactly these moves with no message.
void expectMainLine(const std::string& movetext, const Words& expected) {
    std::string errors;
    long long games = 0;
    const auto result = positionsOf("[Event \"x\"]\n\n" + movetext + "\n", &games, &errors);
    EXPECT_EQ(games, 1) << movetext;
    ASSERT_EQ(result.size(), 1u) << movetext;
    EXPECT_EQ(sansOf(result[0]), expected) << movetext;
    EXPECT_EQ(errors, "") << movetext;
}

}  // namespace

TEST(PgnPositions, VariationsAreSkippedWithEverythingInside) {
    ensureBoardTables();
    // The four movetexts with which the first version of this listing gave
    // up at the first parenthesis, without a word.
    expectMainLine("1. e4 e5 2. Nf3 (2. Nc3 Nf6) 2... Nc6 3. Bb5 *", {"e4", "e5", "Nf3", "Nc6", "Bb5"});
    expectMainLine("1. e4 e5 2. Nf3 (2. Nc3 Nf6 (2... Nc6)) 2... Nc6 3. Bb5 *", {"e4", "e5", "Nf3", "Nc6", "Bb5"});
    expectMainLine("1. e4 e5 (1... c5 2. Nf3) 2. Nf3 Nc6 *", {"e4", "e5", "Nf3", "Nc6"});
    expectMainLine("1. e4 { [%clk 0:03:00] } 1... e5 { [%clk 0:03:00] } 2. Nf3 $1 Nc6 3. Bc4 Bc5 (3... Nf6) 4. c3 *",
                   {"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5", "c3"});
    // Three deep, with results, comments, glyphs and moves illegal in the
    // main line inside; a variation right after a move number.
    expectMainLine(
        "1. d4 (1. e4 e5 (1... c5 2. Nf3 (2. c3 d5 {the Alapin} 3. exd5 $10 Qxd5) 2... d6) 2. Nf3) "
        "1... Nf6 2. (2. Nf3) c4 (2. Bg5 Ne4 (2... e6 3. e4 h6 (3... Be7) 4. Bxf6 Qxf6) 3. Bf4) 2... e6 "
        "1-0",
        {"d4", "Nf6", "c4", "e6"});
    // Parentheses and braces inside a comment are only text; a brace comment
    // spans lines.
    expectMainLine("1. e4 {a comment with ) and { and ( inside,\nover two lines} e5 2. Nf3 *", {"e4", "e5", "Nf3"});
    // A ";" comment runs to the end of its line, whatever it holds.
    expectMainLine("1. e4 ; the king's pawn (with 1... c5 { here\n1... e5 2. Nf3 *", {"e4", "e5", "Nf3"});
}

TEST(PgnPositions, ServerExportWithClocksEvaluationsAndGlyphs) {
    ensureBoardTables();
    // A game as an online server exports it with clocks and evaluations, an
    // annotator's suffixes and glyphs, and a database program's escape line.
    const std::string pgn =
        "[Event \"Rated Blitz game\"]\n[Site \"https://example.org/abcd1234\"]\n[Date \"2024.01.05\"]\n"
        "[White \"alpha\"]\n[Black \"beta\"]\n[Result \"1-0\"]\n[WhiteElo \"2010\"]\n[BlackElo \"1985\"]\n"
        "[TimeControl \"180+2\"]\n[Opening \"Italian Game: Giuoco Piano\"]\n\n"
        "1. e4 { [%eval 0.36] [%clk 0:03:00] } 1... e5 { [%eval 0.3] [%clk 0:03:00] } 2. Nf3 $1 { [%eval 0.35] "
        "[%clk 0:02:59] } 2... Nc6 { [%eval 0.31] [%clk 0:02:58] } 3. Bc4!? { [%eval 0.2] [%clk 0:02:57] } "
        "3... Bc5 { [%eval 0.25] } 4. c3 Nf6?! $6 5. d4 exd4 6. cxd4 Bb4+ 7. Nc3 Nxe4!! 8. 0-0 Bxc3?? $4 "
        "{ [%eval 4.1] } 9. d5 $14 Ne5 10. bxc3 Nxc4 11. Qd4 O-O 12. Qxc4 Nd6 13. Qb3 Ne8 $2\n"
        "%this escape line holds ( and {\n"
        "14. Ba3 d6 15. Rfe1 Bf5 16. Nd4 Bg6 17. Nc6 bxc6 18. dxc6 Qc8 19. Bxd6 Nxd6 20. Re7 a5 21. Rae1 a4 "
        "22. Qd5 Nf5 23. Re8 Rxe8 24. Rxe8+ Qxe8 25. Qxf5 Bxf5 1-0\n";
    std::string errors;
    const auto result = positionsOf(pgn, nullptr, &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(result.size(), 1u);
    const Words game = {"e4",   "e5",   "Nf3",  "Nc6",  "Bc4",  "Bc5",  "c3",    "Nf6",  "d4",   "exd4",
                        "cxd4", "Bb4+", "Nc3",  "Nxe4", "O-O",  "Bxc3", "d5",    "Ne5",  "bxc3", "Nxc4",
                        "Qd4",  "O-O",  "Qxc4", "Nd6",  "Qb3",  "Ne8",  "Ba3",   "d6",   "Rfe1", "Bf5",
                        "Nd4",  "Bg6",  "Nc6",  "bxc6", "dxc6", "Qc8",  "Bxd6",  "Nxd6", "Re7",  "a5",
                        "Rae1", "a4",   "Qd5",  "Nf5",  "Re8",  "Rxe8", "Rxe8+", "Qxe8", "Qxf5", "Bxf5"};
    EXPECT_EQ(sansOf(result[0]), game);
    // Every position is the one the game reaches, played move by move here.
    BoardWithStack replay;
    ASSERT_TRUE(parseFen(startPositionFen(), replay.board));
    for (size_t i = 0; i < result[0].size() && i < game.size(); ++i) {
        EXPECT_EQ(result[0][i].fen, writeFen(replay.board)) << "before " << game[i];
        playMoves(replay.board, {game[i]});
    }
}

TEST(PgnPositions, CastlingWithZerosAndMoveNumbersInBothForms) {
    ensureBoardTables();
    // 0-0-0 and 0-0 with a check sign, move numbers "5." and "5...", moves
    // glued to their numbers, and each result token ending its game.
    long long games = 0;
    std::string errors;
    const auto result = positionsOf(
        "1.d4 d5 2.Nc3 Nf6 3.Bg5 Bf5 4.Qd2 e6 5.0-0-0 5...Bb4 6.f3 0-0 1/2-1/2\n"
        "1. e4 1... e5 0-1 1. d4 1-0 1. c4 *",
        &games, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(games, 4);
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(sansOf(result[0]),
              (Words{"d4", "d5", "Nc3", "Nf6", "Bg5", "Bf5", "Qd2", "e6", "O-O-O", "Bb4", "f3", "O-O"}));
    EXPECT_EQ(result[0][8].move, "e1c1");
    EXPECT_EQ(result[0][11].move, "e8g8");
    EXPECT_EQ(sansOf(result[1]), (Words{"e4", "e5"}));
    EXPECT_EQ(sansOf(result[2]), (Words{"d4"}));
    EXPECT_EQ(sansOf(result[3]), (Words{"c4"}));
}

TEST(PgnPositions, SetUpGamesInEitherTagOrder) {
    ensureBoardTables();
    const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 20";
    std::string errors;
    const auto result = positionsOf("[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n\n20... 0-0-0 21. O-O *\n\n" + "[FEN \"" +
                                        fen + "\"]\n[SetUp \"1\"]\n\n20... O-O 21. Rb1 *\n\n",
                                    nullptr, &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(result.size(), 2u);
    ASSERT_EQ(result[0].size(), 2u);
    EXPECT_EQ(result[0][0].fen, fen);
    EXPECT_EQ(result[0][0].move, "e8c8");
    BoardWithStack replay;
    ASSERT_TRUE(parseFen(fen, replay.board));
    playMoves(replay.board, {"e8c8"});
    EXPECT_EQ(result[0][1].fen, writeFen(replay.board));
    EXPECT_EQ(result[0][1].move, "e1g1");
    ASSERT_EQ(result[1].size(), 2u);
    EXPECT_EQ(result[1][1].san, "Rb1");
}

TEST(PgnPositions, AGameThatStopsEarlyIsReportedAndTheNextOneRead) {
    ensureBoardTables();
    // An illegal move, an unreadable word, a game cut off before its result
    // (a tag section follows), and an unclosed variation at the end of the
    // file: each game keeps the moves before its fault and gets one message.
    long long games = 0;
    std::string errors;
    const auto result = positionsOf(
        "[Event \"1\"]\n\n1. e4 e5 2. Ke3 Nc6 3. Nf3 *\n\n"
        "[Event \"2\"]\n\n1. d4 d5 2. c4 xyz 3. Nc3 1-0\n\n"
        "[Event \"3\"]\n\n1. c4 e5 2. Nc3\n\n"
        "[Event \"4\"]\n\n1. Nf3 d5 2. g3 (2. c4 dxc4 3. e3 *\n",
        &games, &errors);
    EXPECT_EQ(games, 4);
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(sansOf(result[0]), (Words{"e4", "e5"}));
    EXPECT_EQ(sansOf(result[1]), (Words{"d4", "d5", "c4"}));
    EXPECT_EQ(sansOf(result[2]), (Words{"c4", "e5", "Nc3"}));
    EXPECT_EQ(sansOf(result[3]), (Words{"Nf3", "d5", "g3"}));
    EXPECT_EQ(errors,
              "quillon positions: game 1, ply 3, at 'Ke3': not a legal move here\n"
              "quillon positions: game 2, ply 4, at 'xyz': not a legal move here\n"
              "quillon positions: game 3, ply 4, at '[Event': the game ends without a result\n"
              "quillon positions: game 4, ply 4, at end of file: a variation is not closed\n");

    // A comment left open and a closing parenthesis with no opening one.
    EXPECT_TRUE(positionsOf("1. e4 { never closed e5 *", nullptr, &errors).size() == 1u);
    EXPECT_EQ(errors, "quillon positions: game 1, ply 2, at '{': a comment is not closed\n");
    EXPECT_EQ(sansOf(positionsOf("1. e4 e5 ) 2. Nf3 *", nullptr, &errors).at(0)), (Words{"e4", "e5"}));
    EXPECT_EQ(errors, "quillon positions: game 1, ply 3, at ')': a variation closes that was never opened\n");
}

namespace {

NEngineTest::ProgramRun listFile(const TempDirectory& dir, const std::string& name) {
    return NEngineTest::runProgram(QUILLON_BINARY, {"positions", dir.file(name)});
}

}  // namespace

TEST(PgnPositions, ExitStatusOfTheCommand) {
    TempDirectory dir;
    ASSERT_FALSE(dir.path().empty());
    // Every game read to its end: status 0.
    dir.write("good.pgn", "[Event \"x\"]\n\n1. e4 e5 (1... c5) 2. Nf3 *\n\n[Event \"y\"]\n\n1. d4 1-0\n");
    auto run = listFile(dir, "good.pgn");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 3 + 1 + 1 + 1);
    // A game that stops early: the others are still listed, status 1.
    dir.write("illegal.pgn", "[Event \"x\"]\n\n1. e4 e5 2. Ke3 *\n\n[Event \"y\"]\n\n1. d4 d5 *\n");
    run = listFile(dir, "illegal.pgn");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\td7d5\td5"), std::string::npos) << run.output;
    // No file, a directory, an empty file, a file without a game: status 2.
    EXPECT_EQ(listFile(dir, "missing.pgn").status, 2);
    EXPECT_EQ(NEngineTest::runProgram(QUILLON_BINARY, {"positions", dir.path()}).status, 2);
    dir.write("empty.pgn", "");
    EXPECT_EQ(listFile(dir, "empty.pgn").status, 2);
    dir.write("nogame.pgn", "\n  {only a comment}\n; and another\n");
    EXPECT_EQ(listFile(dir, "nogame.pgn").status, 2);
}
