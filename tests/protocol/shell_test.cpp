// The shell in-process: how the clock, depth and option commands set the
// search limits, and the dispatch of odd command kinds.
#include <gtest/gtest.h>

#include <sstream>

#include "protocol/engine_move.h"
#include "protocol/search_input.h"
#include "protocol/shell.h"
#include "shell_fixture.h"

using namespace NEngine;
using namespace NEngineTest;

namespace {

class ShellLimits : public ShellFixture {
protected:
    SearchLimits& limits() { return shell->search.limits; }
    double budget() {
        shell->search.computeTimeBudget();
        return limits().timeBudget;
    }
};

}  // namespace

TEST_F(ShellLimits, UciClockOfTheSideToMove) {
    run("uci");
    run("position startpos moves e2e4");
    run("go wtime 60000 btime 1000");
    EXPECT_DOUBLE_EQ(limits().clockSeconds, 1.0);
    EXPECT_DOUBLE_EQ(budget(), 1.0 / 40);
    EXPECT_NE(output.str().find("\nbestmove "), std::string::npos);

    // A move time below the floor is raised to a tenth of a second.
    run("go movetime 50");
    EXPECT_DOUBLE_EQ(limits().moveTimeSeconds, 0.1);
    EXPECT_DOUBLE_EQ(limits().clockSeconds, 0.0);
    // Moves to go divide the clock, at least by two.
    run("go btime 400 movestogo 1 depth -3");
    EXPECT_DOUBLE_EQ(limits().clockSeconds, 0.4);
    EXPECT_DOUBLE_EQ(limits().moveTimeSeconds, 0.0);
    limits().clockSeconds = 60;
    EXPECT_DOUBLE_EQ(budget(), 30.0);
}

TEST_F(ShellLimits, DepthCommands) {
    run("uci");
    run("go depth 1");
    EXPECT_EQ(limits().depthLimit, 2);
    EXPECT_EQ(limits().maxDepth, 2u);
    EXPECT_DOUBLE_EQ(budget(), 0.0);
    run("sd 12");
    EXPECT_EQ(limits().depthLimit, 12);
    EXPECT_EQ(limits().maxDepth, 12u);
    // Deeper than the search goes: searched as deep as it can.
    run("sd 50");
    EXPECT_EQ(limits().depthLimit, 50);
    EXPECT_EQ(limits().maxDepth, 32u);
}

TEST_F(ShellLimits, XBoardClocks) {
    run("xboard");
    run("st 0");
    EXPECT_DOUBLE_EQ(limits().moveTimeSeconds, 0.1);
    run("st -5");
    EXPECT_DOUBLE_EQ(limits().moveTimeSeconds, 0.1);
    EXPECT_DOUBLE_EQ(budget(), 0.1);
    run("time 0");
    EXPECT_DOUBLE_EQ(limits().clockSeconds, 0.1);

    // "level 40 5 0" with 300 seconds on the clock.
    run("level 40 5 0");
    run("time 30000");
    EXPECT_EQ(limits().levelMoves, 40);
    EXPECT_DOUBLE_EQ(budget(), 7.5);
    run("setboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 41");
    EXPECT_DOUBLE_EQ(budget(), 7.5);
    run("setboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 39");
    EXPECT_DOUBLE_EQ(budget(), 150.0);
    run("setboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 35");
    EXPECT_DOUBLE_EQ(budget(), 50.0);
    EXPECT_EQ(output.str(), "");
}

TEST_F(ShellLimits, OptionsAreHeldToTheirRange) {
    run("setoption name Threads value 20");
    EXPECT_EQ(shell->search.threadCount(), 8);
    run("setoption name Threads value 0");
    EXPECT_EQ(shell->search.threadCount(), 8);
    run("setoption name Threads value 3 name Hash value 2");
    EXPECT_EQ(shell->search.threadCount(), 3);
    EXPECT_EQ(shell->search.table().bucketCount(), 2u * 1024 * 1024 / 64);
    run("memory 1");
    EXPECT_EQ(shell->search.table().bucketCount(), 1024u * 1024 / 64);
    run("memory 0");
    run("option Hash=64");
    EXPECT_EQ(shell->search.table().bucketCount(), 1024u * 1024 / 64);
    EXPECT_EQ(output.str(), "");
}

TEST_F(ShellLimits, OddKindsDoNothing) {
    Command odd;
    odd.kind = CommandKind(99);
    execute(*shell, odd);
    odd.kind = CommandKind::None;
    execute(*shell, odd);
    run("stop");
    run("otim 5");
    EXPECT_EQ(output.str(), "");
    EXPECT_FALSE(shell->quit);
    run("quit");
    EXPECT_TRUE(shell->quit);
}

TEST_F(ShellLimits, GameMovesStopBeforeTheStackRunsOut) {
    // A game that has used the stack up to the search's reserve: the board
    // of a very long game, without playing thousands of moves.
    run("xboard");
    run("force");
    run("setboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    Board& board = shell->board();
    board.ply = board.setupPly = MaxGamePly - 1;
    run("e1d1");
    EXPECT_EQ(output.str(), "");
    EXPECT_EQ(board.ply, MaxGamePly);
    run("e8d8");
    EXPECT_EQ(output.str(), "Illegal move: e8d8\n");
    EXPECT_EQ(board.ply, MaxGamePly);
    // A take-back gives room again, but never goes below the set-up position.
    run("undo");
    EXPECT_EQ(board.ply, MaxGamePly - 1);
    run("undo");
    EXPECT_EQ(board.ply, MaxGamePly - 1);
    output.str("");
    run("e1f1");
    EXPECT_EQ(output.str(), "");
    EXPECT_EQ(board.ply, MaxGamePly);
}

// The engine's move decision that both protocols share: the move is played on
// the game board and worded for the protocol; a finished game gets none.
TEST_F(ShellLimits, ThinkPlaysTheMoveAndWordsIt) {
    run("setboard k7/8/8/8/8/8/6r1/7K w - - 0 1");
    run("sd 3");
    ThinkResult r = think(*shell, true);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.move, parseCoordinate("h1g2"));
    EXPECT_EQ(r.reply, "move h1g2");
    EXPECT_TRUE(r.moverIsWhite);
    EXPECT_EQ(r.score, shell->search.result().score);
    // The capture leaves bare kings: the status after the move says so.
    EXPECT_EQ(shell->board().side(), Black);
    EXPECT_EQ(r.status, shell->board().status);
    EXPECT_TRUE(r.status & MaterialDraw);
    EXPECT_FALSE(shell->search.isSearching());

    // Now the game is over: no search and no move, and the mover is the side to move.
    const uint64_t key = shell->board().key;
    r = think(*shell, false);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.move, NullMove);
    EXPECT_EQ(r.reply, "");
    EXPECT_FALSE(r.moverIsWhite);
    EXPECT_TRUE(r.status & MaterialDraw);
    EXPECT_EQ(shell->board().key, key);

    // Without the prefix, as UCI words it.
    run("setboard 4k3/8/8/8/8/8/6r1/4K2R b K - 0 1");
    run("sd 2");
    r = think(*shell, false);
    ASSERT_NE(r.move, NullMove);
    EXPECT_EQ(r.reply, moveToText(r.move, false));
    EXPECT_EQ(r.reply.find("move"), std::string::npos);
    EXPECT_FALSE(r.moverIsWhite);
    EXPECT_EQ(shell->board().side(), White);
}
