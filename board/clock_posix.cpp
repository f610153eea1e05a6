// POSIX clock: CLOCK_MONOTONIC.
#include <time.h>

#include "board/clock.h"

namespace NEngine {

uint64_t clockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

}  // namespace NEngine
