// x86-64: CPUID leaf 1 reports the population-count instruction in ECX bit 23,
// leaf 7 the bit-extract instruction (BMI2) in EBX bit 8.
#include <cpuid.h>

#include <cstring>

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

bool UseBitExtract = false;

bool cpuHasFastBitExtract() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || !((ebx >> 8) & 1))
        return false;
    // AMD processors before family 19h (and Hygon's, built on them) run it
    // as microcode, many times slower than the multiply it would replace.
    unsigned words[3] = {0, 0, 0};  // the vendor text: EBX, EDX, ECX of leaf 0
    if (!__get_cpuid(0, &eax, &words[0], &words[2], &words[1]))
        return false;
    char vendor[13] = {};
    std::memcpy(vendor, words, 12);
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    unsigned family = (eax >> 8) & 0xF;
    if (family == 0xF)
        family += (eax >> 20) & 0xFF;
    const bool amdDesign = std::strcmp(vendor, "AuthenticAMD") == 0 || std::strcmp(vendor, "HygonGenuine") == 0;
    return !amdDesign || family >= 0x19;
}

bool selectBitExtract() { return UseBitExtract = cpuHasFastBitExtract(); }

}  // namespace NEngine
