// The "quillon positions" command: every position of the games of a PGN
// file, with the move played from it, for position suites and for replaying
// lost games.
#pragma once

#include <iosfwd>
#include <string>

namespace NEngine {

// Reads the games of a PGN text one after the other and writes, for every
// move, a line "FEN<tab>move<tab>SAN" (the position before the move, the move
// in coordinate notation and in algebraic notation). Each game ends with an
// empty line. A game stops at its first move that cannot be played, or at a
// position that has no FEN text (castling rights its pieces contradict); a game
// with no playable move, or whose set-up position is rejected, gives only its
// empty line. A FEN tag counts when a SetUp tag comes before it or right after
// it (xboard's order). Returns the games read.
int writePgnPositions(std::istream& in, std::ostream& out);

// The command: `path` names the PGN file; empty or "-" reads standard input.
// Returns the exit status: 0, or 2 when the file cannot be opened.
int runPositionsCommand(const std::string& path);

}  // namespace NEngine
