// The report of the thread diagnostics: one line per thread after a search.
#include "search/threadstats.h"

#include <algorithm>

#include "search/threadstate.h"

namespace NEngine {

namespace {

double percent(uint64_t part, uint64_t whole) { return whole ? 100.0 * double(part) / double(whole) : 0.0; }

// Nanoseconds of thread `self`'s iterations during which another thread
// searched the same iteration depth.
uint64_t sameDepthTime(ThreadState* const* threads, int count, int self) {
    uint64_t shared = 0;
    const ThreadStats& mine = threads[self]->stats;
    for (int i = 0; i < mine.iterationCount; ++i) {
        const ThreadStats::Iteration& a = mine.iterations[i];
        // Merge the overlaps with every other thread's iterations of that depth.
        uint64_t covered = 0;
        for (int other = 0; other < count; ++other) {
            if (other == self)
                continue;
            const ThreadStats& theirs = threads[other]->stats;
            for (int j = 0; j < theirs.iterationCount; ++j) {
                const ThreadStats::Iteration& b = theirs.iterations[j];
                if (b.depth != a.depth)
                    continue;
                const uint64_t from = std::max(a.start, b.start), to = std::min(a.end, b.end);
                if (to > from)
                    covered = std::max(covered, to - from);
            }
        }
        shared += covered;
    }
    return shared;
}

}  // namespace

void printThreadStats(std::FILE* out, ThreadState* const* threads, int count, uint64_t start, uint64_t end) {
    uint64_t allNodes = 0;
    for (int i = 0; i < count; ++i)
        allNodes += threads[i]->searchNodes.load(std::memory_order_relaxed);
    std::fprintf(out, "thread stats: %d threads, %.3f s, %llu nodes\n", count, double(end - start) / 1e9,
                 static_cast<unsigned long long>(allNodes));
    for (int i = 0; i < count; ++i) {
        const ThreadState& t = *threads[i];
        const ThreadStats& s = t.stats;
        const uint64_t nodes = t.searchNodes.load(std::memory_order_relaxed);
        int completed = 0;
        uint64_t busy = 0;
        for (int k = 0; k < s.iterationCount; ++k) {
            if (s.iterations[k].complete)
                completed = std::max(completed, s.iterations[k].depth);
            busy += s.iterations[k].end - s.iterations[k].start;
        }
        std::fprintf(out,
                     "thread %d: nodes %llu (%.1f%%), deepest completed %d, probes %llu, hits %.1f%% "
                     "(%.1f%% of them another thread's), cut-offs %llu (%.1f%% on another thread's entries), "
                     "stores %llu (%.1f%% replaced another thread's searched entry), "
                     "time on a depth another thread was searching %.1f%%\n",
                     t.index, static_cast<unsigned long long>(nodes), percent(nodes, allNodes), completed,
                     static_cast<unsigned long long>(s.probes), percent(s.hits, s.probes),
                     percent(s.hitsFromOthers, s.hits), static_cast<unsigned long long>(s.cutoffs),
                     percent(s.cutoffsFromOthers, s.cutoffs), static_cast<unsigned long long>(s.stores),
                     percent(s.replacedOthers, s.stores), percent(sameDepthTime(threads, count, i), busy));
        std::fprintf(out, "thread %d iterations:", t.index);
        for (int k = 0; k < s.iterationCount; ++k)
            std::fprintf(out, " %d%s[%.3f-%.3f]", s.iterations[k].depth, s.iterations[k].complete ? "" : "*",
                         double(s.iterations[k].start - start) / 1e9, double(s.iterations[k].end - start) / 1e9);
        std::fprintf(out, "\n");
    }
}

}  // namespace NEngine
