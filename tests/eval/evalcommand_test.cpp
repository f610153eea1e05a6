// "quillon eval" through the real binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"

namespace {

using NEngineTest::ProgramRun;

// Runs the engine with the arguments; standard output is captured.
ProgramRun runQuillon(const std::vector<std::string>& arguments) {
    return NEngineTest::runProgram(QUILLON_BINARY, arguments);
}

// The binary is built beside the tests by a full build; a build of test_eval
// alone may not have produced it yet.
#define REQUIRE_BINARY()                                                    \
    do {                                                                    \
        if (!std::filesystem::exists(QUILLON_BINARY))                       \
            GTEST_SKIP() << "quillon binary not built: " << QUILLON_BINARY; \
    } while (0)

std::string lastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n')
        t.pop_back();
    const size_t nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

TEST(EvalCommand, StartPositionIsLevel) {
    REQUIRE_BINARY();
    const ProgramRun r = runQuillon({"eval"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lastLine(r.output), "Evaluation: 0 (white side)");
    EXPECT_NE(r.output.find("king safety"), std::string::npos);
}

TEST(EvalCommand, WhiteSideAndSideToMove) {
    REQUIRE_BINARY();
    // Black is to move and a queen down: negative for White's opponent,
    // positive from White's side.
    const ProgramRun r = runQuillon({"eval", "rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"});
    EXPECT_EQ(r.status, 0);
    const std::string last = lastLine(r.output);
    int white = 0;
    ASSERT_EQ(std::sscanf(last.c_str(), "Evaluation: %d (white side)", &white), 1) << last;
    EXPECT_GT(white, 1000);
    EXPECT_NE(r.output.find("Evaluation (side to move): " + std::to_string(-white)), std::string::npos);
}

TEST(EvalCommand, EndgameVerdictIsShown) {
    REQUIRE_BINARY();
    const ProgramRun r = runQuillon({"eval", "8/8/8/4k3/8/8/8/R3K3", "w", "-", "-", "0", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Endgame evaluator"), std::string::npos);
    EXPECT_EQ(lastLine(r.output).rfind("Evaluation: ", 0), 0u);
}

TEST(EvalCommand, RejectedPositionExitsWithTwo) {
    REQUIRE_BINARY();
    EXPECT_EQ(runQuillon({"eval", "8/8/8/8/8/8/8/8 w - - 0 1"}).status, 2);
    EXPECT_EQ(runQuillon({"eval", "not-a-fen"}).status, 2);
    EXPECT_EQ(runQuillon({"eval", "--bench", "0"}).status, 2);
}

TEST(EvalCommand, BenchReportsSpeed) {
    REQUIRE_BINARY();
    const ProgramRun r = runQuillon({"eval", "--bench", "200"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("evaluations/s"), std::string::npos);
    EXPECT_NE(r.output.find("Positions: 200"), std::string::npos);
}

// "eval --dump" over a pipe: one line per position.
std::vector<std::string> dumpLines(const std::string& input, int& status) {
    NEngineTest::EngineProcess engine(QUILLON_BINARY, "", false, {"eval", "--dump"});
    EXPECT_TRUE(engine.started());
    engine.send(input);
    engine.closeInput();
    std::vector<std::string> lines;
    std::string line;
    while (engine.readLine(line, 30000))
        lines.push_back(line);
    status = engine.waitExit();
    return lines;
}

TEST(EvalCommand, DumpFollowsTheMovesAndAgreesWithTheWindows) {
    REQUIRE_BINARY();
    int status = -1;
    const auto lines = dumpLines(
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e4 d7d5 e4d5 d8d5 b1c3\n"
        "8/8/8/4k3/8/8/8/R3K3 w - - 0 1\n",
        status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(lines.size(), 7u);
    // The positions after the moves, as a player writes them.
    EXPECT_EQ(lines[1].rfind("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 |", 0), 0u) << lines[1];
    EXPECT_EQ(lines[4].rfind("rnb1kbnr/ppp1pppp/8/3q4/8/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3 |", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5].rfind("rnb1kbnr/ppp1pppp/8/3q4/8/2N5/PPPP1PPP/R1BQKBNR b KQkq - 1 3 |", 0), 0u) << lines[5];
    for (const std::string& l : lines) {
        // The traced score, then the full window and the narrow window agree;
        // a window far from the score gives a score beyond it (the lazy exit).
        const size_t bar = l.find(" | ");
        ASSERT_NE(bar, std::string::npos) << l;
        int traced = 0;
        ASSERT_EQ(std::sscanf(l.c_str() + bar + 3, "%d", &traced), 1) << l;
        const size_t last = l.rfind(" | ");
        int full = 0, narrow = 0, above = 0, below = 0;
        ASSERT_EQ(std::sscanf(l.c_str() + last + 3, "%d %d %d %d", &full, &narrow, &above, &below), 4) << l;
        EXPECT_EQ(full, traced) << l;
        EXPECT_EQ(narrow, traced) << l;
        EXPECT_LT(above, traced + 2000) << l;
        EXPECT_GT(below, traced - 2001) << l;
    }
    // The rook ending is scored by its endgame verdict (flag and score
    // after the traced and White-relative scores), a clear win for White.
    int traced = 0, white = 0, mated = 0, drawn = 0, verdict = 0, verdictScore = 0;
    ASSERT_EQ(std::sscanf(lines[6].c_str() + lines[6].find(" | ") + 3, "%d %d %d %d %d %d", &traced, &white, &mated,
                          &drawn, &verdict, &verdictScore),
              6);
    EXPECT_EQ(verdict, 1);
    EXPECT_GT(verdictScore, 500);
    EXPECT_EQ(white, verdictScore);
}

TEST(EvalCommand, DumpRejectsAnIllegalMove) {
    REQUIRE_BINARY();
    int status = -1;
    const auto lines = dumpLines("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e4 e2e4\n", status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(lines.size(), 2u);
}

}  // namespace
