// Search-free pawn-endgame knowledge shared by the endgame evaluators: the
// pawn race, the blockade tests of a lone knight or bishop, the path test of
// a defending king, the pawn total of a side and the bishop-and-knight mate.
// All scores are White-relative.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace NEngine {

// Race score of side c's first (lowest-numbered) pawn.
int16_t race(const Board& board, Color c);

// Pawn total of side c.
int16_t pawns(const Board& board, Color c);

// Whether the defender's single knight (type Knight) or bishop (type Bishop)
// catches side c's pawn in time; `excluded` are squares the piece must avoid.
bool stops(const Board& board, Color c, int pieceType, Bitboard excluded);

// Whether the defending king reaches the path of side c's pawn in time.
bool defenderReachesPath(const Board& board, Color c, Square pawn);

// Score of side c mating with bishop and knight against the bare king.
int16_t bishopKnightMate(const Board& board, Color c);

}  // namespace NEngine
