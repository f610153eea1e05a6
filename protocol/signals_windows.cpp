// Windows signals: Ctrl+C of the console is ignored (Ctrl+Break still ends
// the program, for a person at the console). A write to a pipe whose reader
// has gone fails without a signal, so there is nothing else to ignore.
#include <windows.h>

#include <csignal>

#include "protocol/signals.h"

namespace NEngine {

void ignoreInterruptSignals() {
    // Without a handler function this makes the process, and the children it
    // would start, ignore Ctrl+C; the C runtime's SIGINT is set aside too.
    SetConsoleCtrlHandler(nullptr, TRUE);
    std::signal(SIGINT, SIG_IGN);
}

}  // namespace NEngine
