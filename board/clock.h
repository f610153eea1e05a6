// The monotonic clock of the engine, the only one it reads: nanoseconds from
// an arbitrary start, never going back. The search times itself by it, and
// the benchmarks and perft report their speed by it. Each system has its own
// file (clock_posix.cpp, clock_windows.cpp).
#pragma once

#include <cstdint>

namespace NEngine {

uint64_t clockNanoseconds();

constexpr double NanosecondsPerSecond = 1e9;

// Seconds from one reading of the clock to a later one.
inline double secondsBetween(uint64_t from, uint64_t to) { return double(to - from) / NanosecondsPerSecond; }

}  // namespace NEngine
