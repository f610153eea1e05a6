// "quillon eval" through the real binary.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

struct RunResult {
    std::string output;
    int status = -1;
};

// Runs the engine with the arguments; stdout is captured, stderr discarded.
RunResult runQuillon(const std::string& arguments) {
    RunResult r;
    const std::string command = std::string("'") + QUILLON_BINARY + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The binary is built beside the tests by a full build; a build of test_eval
// alone may not have produced it yet.
#define REQUIRE_BINARY()                                                        \
    do {                                                                        \
        if (access(QUILLON_BINARY, X_OK) != 0)                                  \
            GTEST_SKIP() << "quillon binary not built: " << QUILLON_BINARY;     \
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
    const RunResult r = runQuillon("eval");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lastLine(r.output), "Evaluation: 0 (white side)");
    EXPECT_NE(r.output.find("king safety"), std::string::npos);
}

TEST(EvalCommand, WhiteSideAndSideToMove) {
    REQUIRE_BINARY();
    // Black is to move and a queen down: negative for White's opponent,
    // positive from White's side.
    const RunResult r = runQuillon("eval 'rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1'");
    EXPECT_EQ(r.status, 0);
    const std::string last = lastLine(r.output);
    int white = 0;
    ASSERT_EQ(std::sscanf(last.c_str(), "Evaluation: %d (white side)", &white), 1) << last;
    EXPECT_GT(white, 1000);
    EXPECT_NE(r.output.find("Evaluation (side to move): " + std::to_string(-white)), std::string::npos);
}

TEST(EvalCommand, EndgameVerdictIsShown) {
    REQUIRE_BINARY();
    const RunResult r = runQuillon("eval '8/8/8/4k3/8/8/8/R3K3 w - - 0 1'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Endgame evaluator"), std::string::npos);
    EXPECT_EQ(lastLine(r.output).rfind("Evaluation: ", 0), 0u);
}

TEST(EvalCommand, RejectedPositionExitsWithTwo) {
    REQUIRE_BINARY();
    EXPECT_EQ(runQuillon("eval '8/8/8/8/8/8/8/8 w - - 0 1'").status, 2);
    EXPECT_EQ(runQuillon("eval not-a-fen").status, 2);
    EXPECT_EQ(runQuillon("eval --bench 0").status, 2);
}

TEST(EvalCommand, BenchReportsSpeed) {
    REQUIRE_BINARY();
    const RunResult r = runQuillon("eval --bench 200");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("evaluations/s"), std::string::npos);
    EXPECT_NE(r.output.find("Positions: 200"), std::string::npos);
}

}  // namespace
