// What depends on the processor: the population count PopCount and its choice
// at start-up. Each processor family has an inline header (the count sits in
// the evaluation's inner loops) and one source file; the build compiles only
// this processor's file.
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

}  // namespace NEngine

#if defined(__x86_64__) || defined(_M_X64)
#include "board/processor_x86_64.h"
#else
#include "board/processor_generic.h"
#endif
