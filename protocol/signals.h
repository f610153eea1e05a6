// The signals a GUI may send its engine, and those a dying GUI causes.
#pragma once

namespace NEngine {

// Ignores the interrupt (xboard interrupts its engines with SIGINT; a console
// window's Ctrl+C likewise) and, where the system has it, the broken-pipe
// signal: a GUI that has gone must not kill the engine in the middle of a
// write.
void ignoreInterruptSignals();

}  // namespace NEngine
