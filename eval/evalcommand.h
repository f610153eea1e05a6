// The "quillon eval" command: the static evaluation of a position with its
// terms, and ("--bench") the evaluation micro-benchmark.
#pragma once

#include <string>

namespace NEngine {

// Prints the evaluation of `fen` (the start position when empty); the last
// line reads "Evaluation: N (white side)". With "--bench" (optionally
// followed by a position count) it times the evaluation instead. Returns
// the process exit status: 0, or 2 for a rejected position.
int runEvalCommand(const std::string& fen);

}  // namespace NEngine
