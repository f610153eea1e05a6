// The time-control and depth settings of a search. The protocol commands set
// them between searches through the setters; the search reads them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace NEngine {

// Deepest iteration the driver ever runs; deeper depth limits are searched to
// this depth.
constexpr uint32_t MaxIterationDepth = 32;
// The smallest fixed depth accepted from a depth command.
constexpr int MinDepthLimit = 2;
// Floor of a clock or move time taken from the interface, in seconds.
constexpr double MinClockSeconds = 0.1;

struct SearchLimits {
    double timeBudget = 0;                  // seconds for the running search; 0: no limit
    uint32_t maxDepth = MaxIterationDepth;  // highest iteration depth
    bool infinite = false;                  // analysis: search until stopped
    int32_t levelMoves = 0;                 // moves per period of a conventional clock; < 1: none
    int32_t movesToGo = 0;                  // moves left to the next time control; < 1: none
    int32_t depthLimit = 0;                 // fixed depth in plies; < 1: none
    double clockSeconds = 0;                // the engine's remaining clock time
    double moveTimeSeconds = 0;             // fixed time per move; 0: none
    // Set by XBoard post/nopost and kept, though thinking is written whatever it holds.
    bool showThinking = false;
    bool analysing = false;  // a search is running

    // The time controls. Setting one clears those it replaces; each is
    // refused (false) while a search runs.
    // The engine's remaining clock, at least MinClockSeconds.
    bool setClock(double seconds);
    // Moves to the next time control, as the interface counts them.
    bool setMovesToGo(int32_t moves);
    // A conventional clock of this many moves per period (the clock itself
    // comes from setClock).
    bool setLevel(int32_t moves);
    // A fixed time per move, at least MinClockSeconds; it is also the budget.
    bool setMoveTime(double seconds);
    // A fixed depth of at least MinDepthLimit plies: no clock, no time limit;
    // the iterations go as deep as it, or to MaxIterationDepth.
    bool setDepth(int32_t depth);

private:
    // What every clock-based control does: no fixed depth, no fixed move
    // time, the iterations free to go to MaxIterationDepth.
    void leaveFixedLimits() {
        depthLimit = -1;
        moveTimeSeconds = 0;
        maxDepth = MaxIterationDepth;
    }
};

inline bool SearchLimits::setClock(double seconds) {
    if (analysing)
        return false;
    leaveFixedLimits();
    clockSeconds = std::max(MinClockSeconds, seconds);
    return true;
}

inline bool SearchLimits::setMovesToGo(int32_t moves) {
    if (analysing)
        return false;
    leaveFixedLimits();
    levelMoves = 0;
    movesToGo = moves;
    return true;
}

inline bool SearchLimits::setLevel(int32_t moves) {
    if (analysing)
        return false;
    leaveFixedLimits();
    levelMoves = moves;
    movesToGo = 0;
    return true;
}

inline bool SearchLimits::setMoveTime(double seconds) {
    if (analysing)
        return false;
    leaveFixedLimits();
    clockSeconds = 0;
    levelMoves = 0;
    movesToGo = 0;
    moveTimeSeconds = std::max(MinClockSeconds, seconds);
    timeBudget = moveTimeSeconds;
    return true;
}

inline bool SearchLimits::setDepth(int32_t depth) {
    if (analysing)
        return false;
    levelMoves = 0;
    movesToGo = 0;
    clockSeconds = 0;
    moveTimeSeconds = 0;
    depthLimit = std::max(depth, MinDepthLimit);
    maxDepth = uint32_t(std::min(depthLimit, int32_t(MaxIterationDepth)));
    timeBudget = 0;
    return true;
}

}  // namespace NEngine
