// Everything one search thread owns: its board with its own state stack, its
// evaluator, the per-ply records (killer and principal-variation row), the
// root move list, its progress records and its stop flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "board/board.h"
#include "eval/evaluator.h"
#include "search/records.h"
#include "search/scoredmove.h"
#include "search/threadstats.h"

namespace NEngine {

class Search;

// Search depths are counted in twentieths of a ply.
constexpr int OnePly = 20;
// The tree never goes deeper than this ply; positions at MaxPly + 1 are
// evaluated statically.
constexpr int MaxPly = 63;
constexpr int MateBound = MateScore - 64;  // 31936: scores beyond are mates
constexpr int UnknownEval = -InfiniteScore;

struct PlyRecord {
    ScoredMove killer;
    Move pv[PlyRecordCount];
};

struct ThreadState {
    ThreadState(Search& owner, int threadIndex);
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;

    Board& board() { return position.board; }
    const Board& board() const { return position.board; }

    // The node counters: written only by this thread, read by the main
    // thread for reports, hence relaxed atomics. 64 bits: analysis runs for
    // hours.
    void countMove() {
        iterationNodes.store(iterationNodes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        searchNodes.store(searchNodes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    bool stopped() const { return stop.load(std::memory_order_relaxed); }
    int iterationDepth() const { return data.depth; }

    // Copies of the progress records for the front end, counters filled in.
    SearchData snapshotData() const;

    Search& search;
    const int index;
    BoardWithStack position;
    // Scratch stack behind the root snapshots in data and result.
    std::vector<StateEntry> snapshotStack;
    Evaluator evaluator;
    PlyRecord plies[PlyRecordCount];
    ScoredMove rootMoves[256];
    SearchData data;
    SearchResult result;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> iterationNodes{0};
    std::atomic<uint64_t> searchNodes{0};
    std::atomic<int32_t> publishedDepth{0};  // iteration depth, read by the other threads
    int selectiveDepth = 0;
    // Thread diagnostics (see threadstats.h): the mark this thread's table
    // entries carry, 0 while the diagnostics are off.
    uint16_t tableMark = 0;
    ThreadStats stats;
};

}  // namespace NEngine
