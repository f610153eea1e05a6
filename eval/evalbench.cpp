// The evaluation micro-benchmark.
#include "eval/evalbench.h"

#include <ctime>

#include "board/clock.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

constexpr uint64_t BenchSeed = 0x51A7E5EEDULL;
constexpr int PlayoutPlies = 160;
constexpr int SkipOpeningPlies = 2;

// splitmix64: small, fast and the same everywhere.
struct BenchRandom {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

}  // namespace

std::vector<Board> benchPositions(int count, BoardWithStack& stack) {
    std::vector<Board> positions;
    positions.reserve(count > 0 ? size_t(count) : 0);
    BenchRandom random{BenchSeed};
    Board& board = stack.board;
    MoveList list;
    Move legal[MoveList::Capacity];
    while (int(positions.size()) < count) {
        parseFen("", board);
        for (int ply = 0; ply < PlayoutPlies && int(positions.size()) < count; ++ply) {
            if (board.status & GameOverMask)
                break;
            list.clear();
            generateAll(board, list);
            int n = 0;
            list.forEach([&](Move m) {
                if (isLegal(board, m))
                    legal[n++] = m;
            });
            if (n == 0 || !board.hasRoomForMove())
                break;
            makeMove(board, legal[random.next() % uint64_t(n)]);
            if (ply >= SkipOpeningPlies)
                positions.push_back(board);
        }
    }
    return positions;
}

EvalBenchResult runEvalBench(int count, int warmPasses) {
    EvalBenchResult result;
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(count, stack);
    result.positions = int(positions.size());
    // Without the evaluation cache: every pass evaluates every position in full.
    Evaluator evaluator(PawnHashDefaultEntries, false);

    auto pass = [&](int64_t& checksum) {
        for (Board& b : positions) {
            evaluator.setBoard(&b);
            checksum += evaluator.evaluate(-InfiniteScore, InfiniteScore);
        }
    };
    uint64_t start = clockNanoseconds();
    pass(result.checksum);
    result.coldSeconds = secondsBetween(start, clockNanoseconds());
    int64_t warmChecksum = 0;
    start = clockNanoseconds();
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < warmPasses; ++i)
        pass(warmChecksum);
    result.warmCpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    result.warmSeconds = secondsBetween(start, clockNanoseconds());
    result.warmEvaluations = int64_t(warmPasses) * result.positions;
    result.evaluations = result.positions + result.warmEvaluations;
    return result;
}

}  // namespace NEngine
