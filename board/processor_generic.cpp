// Any other 64-bit processor: there is nothing to ask; the compiler's count is
// always available (on ARM64 it is the processor's own instruction).
#include "board/processor.h"

namespace NEngine {

int popCountHardware(uint64_t b) { return __builtin_popcountll(b); }

bool cpuHasPopCount() { return true; }

bool cpuHasFastBitExtract() { return false; }

bool selectBitExtract() { return false; }

}  // namespace NEngine
