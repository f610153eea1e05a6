// Static exchange test and the check tests that move ordering relies on.
#pragma once

#include "board/board.h"

namespace NEngine {

// Whether the exchange sequence started by the move wins at least threshold
// (in piece-value units, pawn = 90).
bool seeAtLeast(const Board& board, Move move, int threshold);

// Whether the piece of the given type standing on `to` attacks square k
// across the occupancy.
[[gnu::always_inline]] inline bool attacksFrom(const LookupTables& t, int type, Color c, Square to, Square k,
                                               Bitboard occupancy) {
    switch (type) {
    case Pawn: return t.pawnAttacks[c][to] & squareBit(k);
    case Knight: return t.knightAttacks[to] & squareBit(k);
    case Bishop: return t.bishopEmpty[to] & squareBit(k) && (bishopAttacks(to, occupancy) & squareBit(k));
    case Rook: return t.rookEmpty[to] & squareBit(k) && (rookAttacks(to, occupancy) & squareBit(k));
    case Queen: return t.queenEmpty[to] & squareBit(k) && (queenAttacks(to, occupancy) & squareBit(k));
    default: return false;
    }
}

// Whether a quiet (non-capturing, non-promoting) move, castling included,
// checks the enemy king directly or by discovery.
bool quietMoveGivesCheck(const Board& board, Move move);

}  // namespace NEngine
