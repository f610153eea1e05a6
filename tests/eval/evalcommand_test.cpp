// "quillon eval" through the real binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

}  // namespace
