// The king-and-pawn-against-king bitbase and its probes.
//
// Layout: kpk_[strong king][defending king][side] is a 64-bit word whose bit b
// is set when the side with the pawn, its pawn on square b, wins. Side index 1
// means the pawn side is to move, 0 the defender. The table is laid out for
// White as the pawn side; Black's positions are probed with every square
// flipped vertically and the side to move exchanged. The table is filled by a
// static initialiser before main runs and only read afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "board/board.h"

namespace NEngine {

using KpkWords = std::array<uint64_t, 2>;  // [defender to move, pawn side to move]
using KpkBitbase = std::vector<std::vector<KpkWords>>;

extern const KpkBitbase kpk_;

// Raw probe in White-as-pawn-side coordinates.
inline bool kpkProbe(Square strongKing, Square weakKing, Square pawn, bool strongToMove) {
    return (kpk_[strongKing][weakKing][strongToMove ? 1 : 0] >> pawn) & 1;
}

// Whether side c, with one pawn on `pawn`, wins king and pawn against king in
// this position (kings and side to move read from the board).
bool kpk(const Board& board, Color c, Square pawn);

// KP v K score for side c (White-relative): 10 when not won, otherwise
// 510 + 20 per relative rank of the pawn.
int16_t kpkScore(const Board& board, Color c);

}  // namespace NEngine
