// WebAssembly signals: a Worker or a Node program gets none that the engine
// should ignore (Node's own handling of SIGINT and of a closed pipe stays).
#include "protocol/signals.h"

namespace NEngine {

void ignoreInterruptSignals() {}

}  // namespace NEngine
