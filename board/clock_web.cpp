// WebAssembly clock: the host's monotonic clock (performance.now() in the
// browser and in Node), in milliseconds with a fraction.
#include <emscripten.h>

#include "board/clock.h"

namespace NEngine {

uint64_t clockNanoseconds() { return uint64_t(emscripten_get_now() * 1e6); }

}  // namespace NEngine
