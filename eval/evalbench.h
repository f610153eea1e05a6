// The evaluation micro-benchmark: positions from seeded random playouts,
// evaluated again and again with the full window.
#pragma once

#include <cstdint>
#include <vector>

#include "board/board.h"

namespace NEngine {

struct EvalBenchResult {
    int positions = 0;
    int64_t evaluations = 0;
    double coldSeconds = 0;  // first pass, empty pawn hash
    double warmSeconds = 0;  // later passes, pawn hash filled
    int64_t warmEvaluations = 0;
    double warmCpuSeconds = 0;  // processor time of the later passes (robust on a busy machine)
    int64_t checksum = 0;       // sum of all scores: identical on every run
};

// Positions reached by random legal moves from the start position with a
// fixed seed (the same list on every run). Each board refers to `stack`.
std::vector<Board> benchPositions(int count, BoardWithStack& stack);

EvalBenchResult runEvalBench(int positions, int warmPasses);

}  // namespace NEngine
