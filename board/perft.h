// The "perft" command-line tool: counts legal move paths from a position.
#pragma once

namespace NEngine {

// argv holds the words after "perft": DEPTH, then an optional FEN (its words
// may arrive as separate arguments). Returns the process exit status.
int runPerftCommand(int argc, char** argv);

}  // namespace NEngine
