// The time-control and depth settings of a search. The protocol commands set
// them between searches; the search reads them.
#pragma once

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
    double timeBudget = 0;               // seconds for the running search; 0: no limit
    uint32_t maxDepth = MaxIterationDepth;  // highest iteration depth
    bool infinite = false;               // analysis: search until stopped
    int32_t levelMoves = 0;              // moves per period of a conventional clock; < 1: none
    int32_t movesToGo = 0;               // moves left to the next time control; < 1: none
    int32_t depthLimit = 0;              // fixed depth in plies; < 1: none
    double clockSeconds = 0;             // the engine's remaining clock time
    double moveTimeSeconds = 0;          // fixed time per move; 0: none
    bool showThinking = false;           // XBoard post/nopost; nothing reads it
    bool analysing = false;              // a search is running
};

}  // namespace NEngine
