// Perft counts against published numbers from an independent engine.
#include <fstream>
#include <sstream>

#include "board/fen.h"
#include "board_test_util.h"

namespace NEngine::test {
namespace {

struct PerftCase {
    std::string fen;
    int depth;
    uint64_t count;
};

// Reads the suite: "FEN<TAB>counts by depth" lines, then (after the random
// playout header) "FEN<TAB>depth<TAB>count" lines. For each position the
// deepest count below the node budget is kept, so the suite stays quick.
std::vector<PerftCase> loadSuite(uint64_t budget) {
    std::ifstream in(QUILLON_SOURCE_DIR "/tests/board/data/perft-suite.tsv");
    std::vector<PerftCase> cases;
    std::string line;
    bool playouts = false;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        if (line[0] == '#') {
            playouts = line.find("depth<TAB>count") != std::string::npos;
            continue;
        }
        std::istringstream fields(line);
        std::string fen, rest;
        std::getline(fields, fen, '\t');
        std::getline(fields, rest);
        std::istringstream numbers(rest);
        if (playouts) {
            PerftCase c{fen, 0, 0};
            numbers >> c.depth >> c.count;
            if (c.count <= budget)
                cases.push_back(c);
            continue;
        }
        PerftCase best{fen, 0, 0};
        uint64_t count;
        for (int depth = 1; numbers >> count; ++depth)
            if (count <= budget)
                best = {fen, depth, count};
        if (best.depth)
            cases.push_back(best);
    }
    return cases;
}

TEST(Perft, WholeSuiteAtQuickDepths) {
    std::vector<PerftCase> cases = loadSuite(3'000'000);
    ASSERT_GE(cases.size(), 80u);
    for (const PerftCase& c : cases) {
        Position p(c.fen);
        ASSERT_TRUE(p.ok) << c.fen;
        EXPECT_EQ(perft(p.board, c.depth), c.count) << c.fen << " depth " << c.depth;
        EXPECT_EQ(writeFen(p.board).empty(), false);
    }
}

TEST(Perft, ReferencePositionsDeeper) {
    // Positions with castling, en passant and promotion traps, a few plies
    // deeper than the quick suite.
    struct {
        const char* fen;
        int depth;
        uint64_t count;
    } cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4, 4085603},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5, 674624},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 4, 2103487},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3065277},
    };
    for (auto& c : cases) {
        Position p(c.fen);
        ASSERT_TRUE(p.ok) << c.fen;
        EXPECT_EQ(perft(p.board, c.depth), c.count) << c.fen;
    }
}

}  // namespace
}  // namespace NEngine::test
