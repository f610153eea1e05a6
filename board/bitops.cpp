// The population count's software path and its choice at start-up (what the
// processor offers is asked in processor_<family>.cpp).
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

// Until start-up has chosen, the software count serves (it is always correct).
bool UseHardwarePopCount = false;

void selectPopCount() { UseHardwarePopCount = cpuHasPopCount(); }

}  // namespace NEngine
