// "quillon bench [DEPTH]": a fixed set of positions searched to a fixed depth
// with one thread; prints the node total (the engine's signature) and speed.
#pragma once

namespace NEngine {

// argv holds the arguments after "bench".
int runBenchmark(int argc, char** argv);

// The benchmark's positions (FEN), for tests and tools.
int benchmarkPositionCount();
const char* benchmarkPosition(int index);

}  // namespace NEngine
