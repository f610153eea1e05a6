// The population count's and the bit extraction's software paths, and the
// count's choice at start-up (what the processor offers is asked in
// processor_<family>.cpp).
#include "board/processor.h"

namespace NEngine {

int popCountSoftware(uint64_t b) {
    if (b == 0)
        return 0;
    if ((b & (b - 1)) == 0)
        return 1;
    b = b - ((b >> 1) & 0x5555555555555555ULL);
    b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((b * 0x0101010101010101ULL) >> 56);
}

uint64_t extractBitsSoftware(uint64_t b, uint64_t mask) {
    uint64_t result = 0;
    for (uint64_t bit = 1; mask; mask &= mask - 1, bit <<= 1)
        if (b & mask & (0 - mask))
            result |= bit;
    return result;
}

// Until start-up has chosen, the software count serves (it is always correct).
bool UseHardwarePopCount = false;

void selectPopCount() { UseHardwarePopCount = cpuHasPopCount(); }

}  // namespace NEngine
