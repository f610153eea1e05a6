// Windows clock: the performance counter, whose frequency is fixed at boot.
#include <windows.h>

#include "board/clock.h"

namespace NEngine {

namespace {

uint64_t counterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return uint64_t(frequency.QuadPart);
}

}  // namespace

uint64_t clockNanoseconds() {
    static const uint64_t frequency = counterFrequency();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const uint64_t ticks = uint64_t(counter.QuadPart);
    // Whole seconds and the remainder apart: ticks * 10^9 would overflow
    // after a few weeks of uptime at a 10 MHz counter.
    return ticks / frequency * 1000000000u + ticks % frequency * 1000000000u / frequency;
}

}  // namespace NEngine
