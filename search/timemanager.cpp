// Time management: the budget of a search, the clock and input poll of the
// main search thread, and the rule for extra time when the clock runs out in
// the middle of an iteration.
#include <algorithm>

#include "search/search.h"
#include "search/threadstate.h"

namespace NEngine {

namespace {

// Moves assumed left in the game when the interface does not say.
constexpr int DefaultMovesLeft = 40;
constexpr int MinMovesDivisor = 2;
constexpr uint32_t MaxTimeExtensions = 3;
constexpr double MinClockForExtension = 0.5;

// Moves left in the current period of a conventional clock of m moves.
int movesLeftInLevel(int m, uint32_t fullmove) {
    int move = int(std::max<uint32_t>(fullmove, 1));
    return m - ((move - 1) % m);
}

}  // namespace

void Search::computeTimeBudget() {
    SearchLimits& l = limits;
    if (l.analysing)
        return;
    if (l.depthLimit >= 1) {
        l.timeBudget = 0;
    } else if (l.moveTimeSeconds > 0) {
        l.timeBudget = l.moveTimeSeconds;
    } else if (l.levelMoves < 1 && l.movesToGo < 1 && l.clockSeconds > 0) {
        l.timeBudget = l.clockSeconds / DefaultMovesLeft;
    } else if (l.levelMoves < 1) {
        l.timeBudget = l.movesToGo >= 1 ? l.clockSeconds / std::max(l.movesToGo, MinMovesDivisor)
                                        : l.clockSeconds / MinMovesDivisor;
    } else {
        int left = movesLeftInLevel(l.levelMoves, position().fullmove);
        l.timeBudget = l.clockSeconds / std::max(left, MinMovesDivisor);
    }
}

double Search::grantTimeExtension() {
    const SearchLimits& l = limits;
    // Step 1. No extension with a fixed time per move, with an almost empty
    //         clock, or after the last one allowed.
    if (l.moveTimeSeconds > 0 || l.clockSeconds <= MinClockForExtension || extensionCount_ >= MaxTimeExtensions)
        return 0;
    // Step 2. Moves to the next control; the game position is the root
    //         snapshot while a search runs.
    uint32_t fullmove = l.analysing ? threads_[0]->data.board.fullmove : position().fullmove;
    int moves = DefaultMovesLeft;
    if (l.levelMoves < 1 && l.movesToGo >= 1)
        moves = l.movesToGo;
    if (l.levelMoves >= 1)
        moves = movesLeftInLevel(l.levelMoves, fullmove);
    ++extensionCount_;
    // Step 3. A share of the clock that shrinks as the control comes nearer.
    if (moves < 2)
        return 0;
    double perMove = l.clockSeconds / moves;
    if (moves > 20)
        return perMove;
    if (moves >= 14)
        return perMove * 0.5;
    if (moves >= 8)
        return perMove / 3;
    return perMove / 6;
}

bool Search::pollStop(ThreadState& thread) {
    // Step 1. Helpers never look at the clock.
    if (thread.index != 0)
        return false;
    // Step 2. Every ClockInterval nodes the clock, every PollInterval nodes the
    //         input (once per count: several calls can see the same count when
    //         nodes return without making a move).
    uint64_t nodes = thread.searchNodes.load(std::memory_order_relaxed);
    if (nodes != 0 && nodes % ClockInterval == 0 && nodes != lastPolledNodes_) {
        lastPolledNodes_ = nodes;
        // The first iteration is always finished (a few thousand nodes at
        // most), so that even the last milliseconds of a clock buy a move
        // that was searched.
        if (limits.timeBudget > 0 && thread.iterationDepth() > 1) {
            ++clockReads_;
            uint64_t spent = clockNanoseconds() - thread.data.startTime;
            if (double(spent) > limits.timeBudget * 1e9)
                thread.stop.store(true);
        }
        if (nodes % PollInterval != 0)
            return thread.stopped();
        if (continueCheck)
            continueCheck();
        if (reportRequest.exchange(false) && rootMoveProgress)
            rootMoveProgress(progressData());
    }
    // Step 3. The stop flag, set by the clock, by input or by a stop command.
    return thread.stopped();
}

}  // namespace NEngine
