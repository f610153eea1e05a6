// Any other 64-bit processor: the compiler's population count, which is the
// processor's instruction where it has one (every ARM64 processor does).
#pragma once

namespace NEngine {

inline int PopCount(uint64_t b) { return __builtin_popcountll(b); }

// No bit-extract instruction is assumed: the slider lookups multiply.
constexpr bool UseBitExtract = false;

inline uint64_t extractBits(uint64_t b, uint64_t mask) { return extractBitsSoftware(b, mask); }

}  // namespace NEngine
