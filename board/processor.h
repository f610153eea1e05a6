// What depends on the processor: the population count PopCount, the bit
// extraction of the slider lookups, and their choice at start-up. Each
// processor family has an inline header (the count sits in the evaluation's
// inner loops) and one source file; the build compiles only this processor's
// file.
#pragma once

#include <cstdint>

namespace NEngine {

// Counts without any special instruction (always correct).
int popCountSoftware(uint64_t b);
// The processor's own count; only called when cpuHasPopCount() says so.
int popCountHardware(uint64_t b);
bool cpuHasPopCount();
// Called once by start-up before anything counts: sets UseHardwarePopCount.
void selectPopCount();
extern bool UseHardwarePopCount;

// The bits of b under mask, packed towards bit 0 (what BMI2's PEXT does),
// without any special instruction.
uint64_t extractBitsSoftware(uint64_t b, uint64_t mask);
// Whether the processor has a bit-extract instruction that runs in a few
// cycles; where it is slow (early AMD designs microcode it) or missing, the
// slider lookups multiply instead. The slider tables are laid out for one or
// the other when they are built: selectBitExtract() makes the choice (sets
// UseBitExtract, where the processor family has the instruction) and returns it.
bool cpuHasFastBitExtract();
bool selectBitExtract();

}  // namespace NEngine

#if defined(__x86_64__) || defined(_M_X64)
#include "board/processor_x86_64.h"
#else
#include "board/processor_generic.h"
#endif
