// Construction of the per-thread evaluator and its pawn hash.
#include "eval/evaluator.h"

#include <algorithm>

namespace NEngine {

Evaluator::Evaluator(size_t pawnHashEntries, bool evaluationCache) {
    // A non-power-of-two size would leave entries unreachable by the mask;
    // round down to a power of two.
    size_t entries = 0;
    if (pawnHashEntries > 0) {
        entries = 1;
        while (entries * 2 <= pawnHashEntries)
            entries *= 2;
    }
    pawnHash_.assign(entries, 0);
    evalCache_.assign(evaluationCache ? EvalCacheEntries : 0, EvalCacheEntry{});
    imbalanceCache_.assign(ImbalanceCacheEntries, ImbalanceCacheEntry{});
    pawnHashMask_ = entries ? entries - 1 : 0;
    registry_ = &endgameRegistry();
}

void Evaluator::clearPawnHash() {
    std::fill(pawnHash_.begin(), pawnHash_.end(), 0);
    std::fill(evalCache_.begin(), evalCache_.end(), EvalCacheEntry{});
}

}  // namespace NEngine
