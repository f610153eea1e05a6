// Setting a position up from FEN text or after an edit, its status, and the
// FEN text of a position.
#pragma once

#include <string>
#include <string_view>

#include "board/board.h"

namespace NEngine {

// A FEN full-move number is clamped to half of this (512) so that the set-up
// ply stays below it, leaving the game room to go on.
constexpr int MaxSetupPly = 1024;

extern const std::string& startPositionFen();

// Sets up the board from FEN text (the start position for empty text).
// On false the board holds a partial position and must not be used.
bool parseFen(std::string_view text, Board& board);
// False when the side not to move is in check or the position breaks the
// board's limits; otherwise fills the status.
bool computeStatus(Board& board);
// The FEN text, or "" when rights or the en-passant square contradict the pieces.
std::string writeFen(const Board& board);

// Settles a position whose pieces were placed by hand (the XBoard editor):
// rights and en passant that no longer fit go, counters start afresh; false
// when the position cannot be played (as computeStatus).
bool endEdit(Board& board);

}  // namespace NEngine
