// Moves as text: coordinate notation (UCI, XBoard) and standard algebraic notation.
#pragma once

#include <string>
#include <string_view>

#include "board/board.h"

namespace NEngine {

const std::string& nullMoveText();  // "0000"
std::string squareText(Square s);

// "e2e4", "e7e8q"; "move e2e4" with the prefix; "" for the null move.
std::string moveToText(Move move, bool withPrefix);
// "Nf3", "exd5", "e8=Q+", "O-O", "Qxf7#"; "" when the move is not legal here.
// The board is returned unchanged.
std::string moveToSan(Board& board, Move move);

enum MoveTextKind : int { NotMoveText = 0, CoordinateText = 1, SanText = 2 };
int classifyMoveText(std::string_view text);
Move parseCoordinate(std::string_view text);
Move parseSan(Board& board, std::string_view text);
// Reads any incoming move text; 0 when it names no usable move. The caller
// still tests legality before making the move.
Move parseMoveText(Board& board, std::string_view text);

}  // namespace NEngine
