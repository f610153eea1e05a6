// Squares where a knight or bishop with little mobility is caught by enemy
// pawns, and the corner zones of the rook terms.
#pragma once

#include "board/types.h"
#include "eval/bitmasks.h"

namespace NEngine {

// A trap: the piece is caught when every pawn of `all` and (if `any` is not
// empty) at least one pawn of `any` stands there.
struct TrapPattern {
    Bitboard all = 0;
    Bitboard any = 0;
    bool active = false;
};

struct TrapTable {
    TrapPattern at[2][64];  // [colour of the trapped piece][its square]
};

// Trap tables of knights and bishops. The Black bishop patterns on b1 and g1
// are deliberately not the mirror images of the White ones on b8 and g8.
const TrapTable& knightTraps();
const TrapTable& bishopTraps();

inline bool trapped(const TrapTable& table, Color c, Square s, Bitboard enemyPawns) {
    const TrapPattern& p = table.at[c][s];
    return p.active && (enemyPawns & p.all) == p.all && (!p.any || (enemyPawns & p.any));
}

// Corner zones as seen by White: f1 g1 h1 g2 h2 h3, and a1 b1 c1 a2 b2 a3.
constexpr Bitboard KingCornerZone = 0x0000000000800000ULL | 0xC000ULL | 0xE0ULL;
constexpr Bitboard QueenCornerZone = 0x0000000000010000ULL | 0x0300ULL | 0x07ULL;

}  // namespace NEngine
