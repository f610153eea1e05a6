// x86-64: the population-count instruction is an extension that CPUID reports.
// The choice is a flag tested inline rather than a call through a pointer.
#pragma once

namespace NEngine {

inline int PopCount(uint64_t b) {
    if (UseHardwarePopCount) {
#if defined(__POPCNT__)
        return __builtin_popcountll(b);
#else
        // The instruction itself, whatever the build's target flags; only
        // reached once start-up has seen the processor report it.
        uint64_t n;
        asm("popcntq %1, %0" : "=r"(n) : "rm"(b) : "cc");
        return int(n);
#endif
    }
    return popCountSoftware(b);
}

extern bool UseBitExtract;

// The instruction itself, whatever the build's target flags; only called once
// start-up has seen the processor report it.
inline uint64_t extractBits(uint64_t b, uint64_t mask) {
    uint64_t r;
    asm("pextq %2, %1, %0" : "=r"(r) : "r"(b), "rm"(mask));
    return r;
}

}  // namespace NEngine
