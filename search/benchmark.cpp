// "quillon bench": a fixed set of openings, middlegames, endgames and mates
// searched to a fixed depth with one thread and a fresh table. With one
// thread the node total is reproducible: it is the engine's signature, and
// any change to it means the search or the evaluation changed.
#include "search/benchmark.h"

#include <cstdio>
#include <cstdlib>

#include "board/clock.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/search.h"

namespace NEngine {

namespace {

constexpr int DefaultBenchDepth = 8;
constexpr int BenchHashMegabytes = 16;

const char* const BenchPositions[] = {
    // Openings and middlegames.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r3k2r/2pb1ppp/2pp1q2/p7/1nP1B3/1P2P3/P2N1PPP/R2QK2R w KQkq a6 0 14",
    "4rrk1/2p1b1p1/p1p3q1/4p3/2P2n1p/1P1NR2P/PB3PP1/3R1QK1 b - - 2 24",
    "r3qbrk/6p1/2b2pPp/p3pP1Q/PpPpP2P/3P1B2/2PB3K/R5R1 w - - 16 42",
    "6k1/1R3p2/6p1/2Bp3p/3P2q1/P7/1P2rQ1K/5R2 b - - 4 44",
    "7r/2p3k1/1p1p1qp1/1P1Bp3/p1P2r1P/P7/4R3/Q4RK1 w - - 0 36",
    "r1bq1rk1/pp2b1pp/n1pp1n2/3P1p2/2P1p3/2N1P2N/PP2BPPP/R1BQ1RK1 b - - 2 10",
    "3r3k/2r4p/1p1b3q/p4P2/P2Pp3/1B2P3/3BQ1RP/6K1 w - - 3 87",
    "2r4r/1p4k1/1Pnp4/3Qb1pq/8/4BpPp/5P2/2RR1BK1 w - - 0 42",
    "4q1bk/6b1/7p/p1p4p/PNPpP2P/KN4P1/3Q4/4R3 b - - 0 37",
    "2q3r1/1r2pk2/pp3pp1/2pP3p/P1Pb1BbP/1P4Q1/R3NPP1/4R1K1 w - - 2 34",
    "1r2r2k/1b4q1/pp5p/2pPp1p1/P3Pn2/1P1B1Q1P/2R3P1/4BR1K b - - 1 37",
    "r3kbbr/pp1n1p1P/3ppnp1/q5N1/1P1pP3/P1N1B3/2P1QP2/R3KB1R b KQkq b3 0 17",
    "1r4k1/4ppb1/2n1b1qp/pB4p1/1n1BP1P1/7P/2PNQPK1/3RN3 w - - 8 29",
    "3r4/ppq1ppkp/4bnp1/2pN4/2P1P3/1P4P1/PQ3PBP/R4K2 b - - 2 20",
    "6k1/3b3r/1p1p4/p1n2p2/1PPNpP1q/P3Q1p1/1R1RB1P1/5K2 b - - 0 1",
    // Endgames.
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/1p2k1p1/3p3p/1p1P1P1P/1P2PK2/8/8 w - - 3 54",
    "8/6pk/2b1Rp2/3r4/1R1B2PP/P5K1/8/2r5 b - - 16 42",
    "8/p2B4/PkP5/4p1pK/4Pb1p/5P2/8/8 w - - 29 68",
    "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1",
    "8/8/1P6/5pr1/8/4R3/7k/2K5 w - - 0 1",
    "8/2p4P/8/kr6/6R1/8/8/1K6 w - - 0 1",
    "8/R7/2q5/8/6k1/8/1P5p/K6R w - - 0 124",
    "7k/8/8/8/8/4K3/8/6Q1 w - - 0 1",
    // Mates and finished games.
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
};

constexpr int BenchPositionCount = int(sizeof(BenchPositions) / sizeof(BenchPositions[0]));

}  // namespace

int benchmarkPositionCount() { return BenchPositionCount; }

const char* benchmarkPosition(int index) {
    return index >= 0 && index < BenchPositionCount ? BenchPositions[index] : "";
}

int runBenchmark(int argc, char** argv) {
    int depth = DefaultBenchDepth;
    if (argc >= 1) {
        int requested = std::atoi(argv[0]);
        if (requested < 1 || requested > int(MaxIterationDepth)) {
            std::fprintf(stderr, "bench: depth must be 1 to %u\n", MaxIterationDepth);
            return 2;
        }
        depth = requested;
    }
    initBoardTables();

    Search search(BenchHashMegabytes);
    uint64_t totalNodes = 0;
    int index = 0;
    const int count = BenchPositionCount;
    // The speed counts the searches only: clearing the table between the
    // positions is set-up, not search, and would dilute the figure.
    uint64_t searchNanoseconds = 0;
    for (const char* fen : BenchPositions) {
        ++index;
        search.clearHash();
        if (!search.setPosition(fen)) {
            std::printf("Position %d/%d: rejected FEN %s\n", index, count, fen);
            continue;
        }
        search.limits.setDepth(depth);
        // A finished game (the stalemate) is not searched.
        const uint64_t searchStart = clockNanoseconds();
        const bool found = !(search.position().status & GameOverMask) && search.searchMove();
        searchNanoseconds += clockNanoseconds() - searchStart;
        const SearchResult& res = search.result();
        const Move best = found ? res.bestMove : NullMove;
        uint64_t nodes = best ? res.totalNodes : 0;
        totalNodes += nodes;
        std::printf("Position %d/%d: %s\n  bestmove %s score %d depth %d nodes %llu\n", index, count, fen,
                    best ? moveToText(best, false).c_str() : "(none)", found ? int(res.score) : 0, int(res.depth),
                    static_cast<unsigned long long>(nodes));
    }
    const uint64_t us = searchNanoseconds / 1000;
    std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(totalNodes));
    std::printf("Nodes/second: %llu\n",
                static_cast<unsigned long long>(totalNodes * 1000000 / uint64_t(us > 0 ? us : 1)));
    return 0;
}

}  // namespace NEngine
