// The population count, chosen once at start-up from the processor's features.
#include <cpuid.h>

#include "board/types.h"

namespace NEngine {

int popCountSoftware(Bitboard b) {
    if (b == 0)
        return 0;
    if ((b & (b - 1)) == 0)
        return 1;
    b = b - ((b >> 1) & 0x5555555555555555ULL);
    b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((b * 0x0101010101010101ULL) >> 56);
}

// The single instruction, whatever the build's target flags.
__attribute__((target("popcnt"))) int popCountHardware(Bitboard b) {
    return __builtin_popcountll(b);
}

bool cpuHasPopCount() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(1, 0, &eax, &ebx, &ecx, &edx))
        return false;
    return (ecx >> 23) & 1;
}

// Until start-up has chosen, the software count serves (it is always correct).
bool UseHardwarePopCount = false;

void selectPopCount() { UseHardwarePopCount = cpuHasPopCount(); }

}  // namespace NEngine
