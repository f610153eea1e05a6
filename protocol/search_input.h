// Input while a search runs: the non-blocking poll, the continue-check that
// the search calls, and the callbacks the shell hands to the search: four of
// the search's five slots (the fifth, the time extension, is the search's own).
#pragma once

#include "protocol/command.h"
#include "protocol/input_reader.h"

namespace NEngine {

class EngineShell;

// A command when a whole line is waiting (or the input has ended, which reads
// as "quit"); otherwise None. Never blocks.
Command pollCommand(InputReader& reader);

// Called by the search every 16384 of its nodes: "." asks for a progress
// line, "stop", "exit" and "?" end the search, "quit" ends it and then the
// program, and every other command ends it and is queued for afterwards.
bool continueCheck(EngineShell& shell);

// Installs the continue-check, iteration-report, final-result and
// root-move-progress callbacks (the search keeps its own time extension).
void installCallbacks(EngineShell& shell);

}  // namespace NEngine
