// The engine with its standard input redirected from a file: the lines after
// "go infinite" are read during the search, and the end of the file ends the
// program.
#include <gtest/gtest.h>

#include "session.h"

using namespace NEngineTest;

namespace {

// Runs the engine on the file's text; the lines it writes, and its exit
// status.
std::vector<std::string> runOnFile(const std::string& text, int& status) {
    TempDirectory dir;
    EXPECT_FALSE(dir.path().empty());
    dir.write("input.txt", text);
    auto engine = EngineProcess::withInputFile(QUILLON_BINARY, dir.path(), dir.file("input.txt"));
    EXPECT_TRUE(engine->started());
    std::string found;
    // Every line up to the end of the output.
    engine->readUntil([](const std::string&) { return false; }, found, nullptr, 30000);
    status = engine->waitExit();
    if (::testing::Test::HasFailure())
        std::cerr << "Transcript:\n" << engine->transcriptText();
    return engine->transcript();
}

size_t indexOf(const std::vector<std::string>& lines, const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (startsWith(lines[i], prefix))
            return i;
    return lines.size();
}

}  // namespace

TEST(RedirectedInput, StopAndIsReadyAreSeenDuringAnInfiniteSearch) {
    int status = -1;
    const auto lines =
        runOnFile("uci\nsetoption name Threads value 2\nposition startpos\ngo infinite\nstop\nisready\n", status);
    const size_t best = indexOf(lines, "bestmove ");
    ASSERT_LT(best, lines.size());
    EXPECT_NE(lines[best], "bestmove null");
    ASSERT_EQ(best + 1, lines.size() - 1);
    EXPECT_EQ(lines[best + 1], "readyok");
    EXPECT_EQ(status, 0);
}

TEST(RedirectedInput, EndOfTheFileEndsAnInfiniteSearch) {
    int status = -1;
    const auto lines = runOnFile("xboard\nprotover 2\npost\nanalyze\n", status);
    // The analysis ends at the end of the input, and so does the program.
    EXPECT_LT(indexOf(lines, "feature "), lines.size());
    EXPECT_EQ(status, 0);
}
