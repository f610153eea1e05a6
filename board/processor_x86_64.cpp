// x86-64: CPUID leaf 1 reports the population-count instruction in ECX bit 23.
#include <cpuid.h>

#include "board/processor.h"

namespace NEngine {

// The single instruction, whatever the build's target flags.
__attribute__((target("popcnt"))) int popCountHardware(uint64_t b) { return __builtin_popcountll(b); }

bool cpuHasPopCount() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(1, 0, &eax, &ebx, &ecx, &edx))
        return false;
    return (ecx >> 23) & 1;
}

}  // namespace NEngine
