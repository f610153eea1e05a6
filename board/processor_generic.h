// Any other 64-bit processor: the compiler's population count, which is the
// processor's instruction where it has one (every ARM64 processor does).
#pragma once

namespace NEngine {

inline int PopCount(uint64_t b) { return __builtin_popcountll(b); }

}  // namespace NEngine
