// What each search thread contributes, for the thread diagnostics that the
// environment variable QUILLON_THREAD_STATS switches on: its nodes, its table
// probes and the cut-offs and hash moves it took from entries that another
// thread stored, the entries of other threads its stores replaced, and when
// it searched which iteration. Off, the counters stay untouched and table
// entries carry no thread mark.
#pragma once

#include <cstdint>
#include <cstdio>

namespace NEngine {

struct ThreadStats {
    static constexpr int MaxIterations = 64;
    struct Iteration {
        int32_t depth;
        uint64_t start, end;  // nanoseconds of the monotonic clock
        bool complete;
    };

    uint64_t probes = 0;             // table lookups of the node searches
    uint64_t hits = 0;               // ... that found the position
    uint64_t hitsFromOthers = 0;     // ... in an entry another thread stored
    uint64_t cutoffs = 0;            // nodes ended by the table
    uint64_t cutoffsFromOthers = 0;  // ... on another thread's entry
    uint64_t stores = 0;
    uint64_t replacedOthers = 0;  // stores that replaced another thread's searched entry
    Iteration iterations[MaxIterations];
    int iterationCount = 0;

    void reset() { *this = ThreadStats(); }
    void beginIteration(int depth, uint64_t now) {
        if (iterationCount < MaxIterations)
            iterations[iterationCount++] = {depth, now, now, false};
    }
    void endIteration(uint64_t now, bool complete) {
        if (iterationCount > 0) {
            iterations[iterationCount - 1].end = now;
            iterations[iterationCount - 1].complete = complete;
        }
    }
};

struct ThreadState;

// Writes the diagnostics of the threads that ran in one search (started and
// ended at the given clock readings), each under its own index.
void printThreadStats(std::FILE* out, ThreadState* const* threads, int count, uint64_t start, uint64_t end);

}  // namespace NEngine
