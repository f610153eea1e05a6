// A search that runs with fewer threads than "Threads" asks for, because the
// system refused helpers, says so once: an "info string" in UCI, a "#"
// comment in XBoard.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/search_input.h"
#include "protocol/shell.h"
#include "search/searchthread.h"
#include "shell_fixture.h"

using namespace NEngine;
using namespace NEngineTest;

namespace {

class ShellRefusedThreads : public ShellFixture {
protected:
    // Every helper after the first `allowed` of each search is refused.
    void refuseHelpersAfter(int allowed) {
        auto started = std::make_shared<int>(0);
        shell->search.setThreadStarter([allowed, started](std::function<void()> body) {
            if ((*started)++ % 2 >= allowed)  // two helpers a search here
                return SearchThread();
            return SearchThread(std::move(body));
        });
    }
    // The output lines that contain the text.
    std::vector<std::string> linesWith(const std::string& text) const {
        std::vector<std::string> found;
        std::istringstream lines(output.str());
        std::string line;
        while (std::getline(lines, line))
            if (line.find(text) != std::string::npos)
                found.push_back(line);
        return found;
    }
};

const char* const Middlegame = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

}  // namespace

TEST_F(ShellRefusedThreads, UciSaysItOnceEverySearch) {
    run("uci");
    run("setoption name Threads value 3");
    refuseHelpersAfter(1);
    run(std::string("position fen ") + Middlegame);
    run("go depth 5");
    run("go depth 5");
    const auto told = linesWith("search threads running");
    ASSERT_EQ(told.size(), 2u) << output.str();
    EXPECT_EQ(told[0], "info string 2 of 3 search threads running: the system refused 1 helper thread");
    EXPECT_EQ(told[1], told[0]);
    EXPECT_EQ(linesWith("bestmove ").size(), 2u);
    // The message comes before the search's first report.
    EXPECT_LT(output.str().find("info string"), output.str().find("info depth"));
}

TEST_F(ShellRefusedThreads, XBoardSaysItAsAComment) {
    run("xboard");
    run("setoption name Threads value 3");
    refuseHelpersAfter(0);
    run(std::string("setboard ") + Middlegame);
    run("sd 4");
    run("go");
    const auto told = linesWith("search threads running");
    ASSERT_EQ(told.size(), 1u) << output.str();
    EXPECT_EQ(told[0], "# 1 of 3 search threads running: the system refused 2 helper threads");
    EXPECT_EQ(linesWith("move ").size(), 1u) << output.str();
}

TEST_F(ShellRefusedThreads, NothingToSayWhenEveryHelperRuns) {
    run("uci");
    run("setoption name Threads value 3");
    run(std::string("position fen ") + Middlegame);
    run("go depth 5");
    EXPECT_TRUE(linesWith("search threads running").empty()) << output.str();
    EXPECT_EQ(linesWith("bestmove ").size(), 1u);
}
