// Game records: the game on a board written as PGN, and PGN read back.
#pragma once

#include <iosfwd>
#include <string>

#include "board/board.h"

namespace NEngine {

// The file used by "saveboard" and "loadboard" without a name.
extern const char* const DefaultGameFile;

// Writes the board's game (set-up tags for a non-standard start, the result
// tag, the movetext and the result). False when a move of the history cannot
// be replayed; the output then stops there.
bool writePgn(const Board& board, std::ostream& out);

// Reads the first game of a PGN text onto the board. True when a game with at
// least one move was read and every move was played. A FEN tag that does not
// set up a legal position leaves the board as it was.
bool readPgn(Board& board, std::istream& in);

// The file commands: silent on every failure.
void saveGameFile(const Board& board, const std::string& path);
void loadGameFile(Board& board, const std::string& path);

}  // namespace NEngine
