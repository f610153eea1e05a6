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
    const size_t cacheEntries = evaluationCache ? EvalCacheEntries : 0;
    const size_t cacheBytes = cacheEntries * sizeof(EvalCacheEntry);
    const size_t bytes = cacheBytes + entries * sizeof(PawnHashEntry);
    if (bytes > 0)
        memory_ = allocateTableMemory(bytes);
    if (memory_) {
        // Zero bytes are an empty entry of either table.
        zeroTableMemory(memory_.get(), bytes);
        char* block = static_cast<char*>(memory_.get());
        evalCache_ = cacheEntries ? reinterpret_cast<EvalCacheEntry*>(block) : nullptr;
        pawnHash_ = entries ? reinterpret_cast<PawnHashEntry*>(block + cacheBytes) : nullptr;
        pawnHashEntries_ = entries;
    }
    imbalanceCache_.assign(ImbalanceCacheEntries, ImbalanceCacheEntry{});
    pawnHashMask_ = pawnHashEntries_ ? pawnHashEntries_ - 1 : 0;
    registry_ = &endgameRegistry();
}

void Evaluator::clearPawnHash() {
    if (pawnHash_)
        std::fill(pawnHash_, pawnHash_ + pawnHashEntries_, 0);
    if (evalCache_)
        std::fill(evalCache_, evalCache_ + EvalCacheEntries, EvalCacheEntry{});
}

}  // namespace NEngine
