// The records through which the front end sees a search: progress data of a
// thread (SearchData) and the result of the last completed iteration
// (SearchResult).
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/clock.h"
#include "search/scoredmove.h"

namespace NEngine {

// Principal-variation rows hold this many moves; reports carry at most
// MaxReportedLine of them.
constexpr int PlyRecordCount = 68;
constexpr int MaxReportedLine = 64;

// Progress of one search thread. The board is a snapshot of the root
// position; its state stack is a scratch stack of its own, so a copy of it may
// make and unmake moves (for move text) without touching any search.
struct SearchData {
    Board board{};
    int32_t rootMoveIndex = 0;  // root moves finished in this iteration
    int32_t rootMoveCount = 0;
    int32_t depth = 0;            // iteration depth in plies
    uint64_t iterationNodes = 0;  // moves made in this iteration (summed over threads in reports)
    uint64_t searchNodes = 0;     // moves made since the search started
    // Spare, for a later figure: zeroed at every iteration; nothing reads it.
    uint32_t reserved = 0;
    uint64_t startTime = 0;       // nanoseconds
    uint64_t currentTime = 0;     // nanoseconds: end of the last completed iteration
    ScoredMove bestRootMove;      // best root move of this iteration; move 0 while none
    Move currentMove = NullMove;  // the root move being searched (or just finished)

    SearchData() : startTime(clockNanoseconds()), currentTime(startTime) {}
};

// The last completed iteration of the main thread. Moves carry no mark bit.
class SearchResult {
public:
    double elapsed = 0;           // seconds since the search started
    uint64_t iterationNodes = 0;  // main thread's moves in the reported iteration
    uint64_t totalNodes = 0;      // all threads while running; main thread's total at the end
    int32_t pvLength = 0;         // at most MaxReportedLine
    int32_t rootMoveCount = 0;
    int32_t rootMovesSearched = 0;
    Board board{};  // root position (scratch stack, as in SearchData)
    Move bestMove = NullMove;
    int32_t depth = 0;             // completed depth in plies
    int16_t score = 0;             // side to move at the root; mate p plies away: +-(32000 - p)
    Move pv[PlyRecordCount] = {};  // ended by 0
    int32_t selectiveDepth = 0;    // deepest ply reached by the main thread
    int32_t threadsRunning = 0;    // search threads that ran, the main one included (fewer than
                                   // the Search has when the system refused a helper)

    void reset() { *this = SearchResult(); }
};

}  // namespace NEngine
