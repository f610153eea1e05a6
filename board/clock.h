// The monotonic clock of the search: nanoseconds from an arbitrary start,
// never going back. Each system has its own file (clock_posix.cpp,
// clock_windows.cpp).
#pragma once

#include <cstdint>

namespace NEngine {

uint64_t clockNanoseconds();

}  // namespace NEngine
