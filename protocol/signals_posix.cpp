// POSIX signals: SIGINT and SIGPIPE ignored.
#include <csignal>

#include "protocol/signals.h"

namespace NEngine {

void ignoreInterruptSignals() {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace NEngine
