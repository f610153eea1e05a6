// Process-wide attack, geometry and key tables. Built once at start-up,
// single-threaded, and only read afterwards.
#pragma once

#include "board/types.h"

namespace NEngine {

// ---- Zobrist keys (fixed constants) ----------------------------------------
// pieceKey[square][colour][type]; type 0 holds the en-passant keys: the key of
// target t is pieceKey[t][colour of the pawn that double-stepped][0].
extern const uint64_t pieceKey[64][2][8];
extern const uint64_t castleKey[4];  // black short, black long, white short, white long
extern const uint64_t sideKey;       // XORed in whenever black is to move

inline uint64_t enPassantKey(Square target, Color pawnColor) { return pieceKey[target][pawnColor][0]; }

// ---- Magic slider attacks ----------------------------------------------------
struct MagicEntry {
    uint64_t multiplier;
    Bitboard mask;
    const Bitboard* attacks;
};

constexpr int RookShift = 52;
constexpr int BishopShift = 55;

extern MagicEntry rookMagics[64];
extern MagicEntry bishopMagics[64];
extern const uint64_t rookMultipliers[64];
extern const uint64_t bishopMultipliers[64];

enum SliderKind : int { BishopSlider = 0, RookSlider = 1 };

// Rays of the kind's directions from the square, each stopping at (and
// including) the first square of occupancy. In mask mode the rays stop before
// the outermost file and rank: the relevant-occupancy mask.
Bitboard sliderAttacks(SliderKind kind, Square square, Bitboard occupancy, bool maskMode);

// Builds both slider tables, indexed by bit extraction where the processor
// does that fast (selectBitExtract), else by the magic multipliers; called
// once at start-up.
void initSliderTables();

inline Bitboard rookAttacks(Square s, Bitboard occupancy) {
    const MagicEntry& m = rookMagics[s];
    if (UseBitExtract)
        return m.attacks[extractBits(occupancy, m.mask)];
    return m.attacks[((occupancy & m.mask) * m.multiplier) >> RookShift];
}
inline Bitboard bishopAttacks(Square s, Bitboard occupancy) {
    const MagicEntry& m = bishopMagics[s];
    if (UseBitExtract)
        return m.attacks[extractBits(occupancy, m.mask)];
    return m.attacks[((occupancy & m.mask) * m.multiplier) >> BishopShift];
}
inline Bitboard queenAttacks(Square s, Bitboard occupancy) {
    return rookAttacks(s, occupancy) | bishopAttacks(s, occupancy);
}

// ---- Geometry tables -----------------------------------------------------------

struct UnitStep {
    int8_t dx;
    int8_t dy;
};

// A ray descriptor of a slider: how many squares to the edge and the square step.
struct RayDescriptor {
    int8_t length;
    int8_t step;
};

struct LookupTables {
    // Unit step that leads from b towards a when aligned, else (0, 0).
    UnitStep unitStep[64][64];

    Bitboard between[64][64];     // strictly between a and b
    Bitboard rayThrough[64][64];  // from a towards b, beyond a, to the edge (b included)
    Bitboard rays[8][64];         // from a square to the edge, direction order below
    Bitboard beyond[64][64];      // on the line from a through b, beyond b
    Bitboard line[64][64];        // the whole line through a and b

    uint32_t distance[64][64];  // king distance

    // Per-square move lists, each ended by -1.
    int8_t pawnMoves[2][64][5];  // captures (-1 when off board), push, double push
    int8_t knightMoves[64][9];
    int8_t kingMoves[64][9];
    // Ray descriptors, ended by a zero pair. Index: 0 bishop, 1 rook, 2 queen.
    RayDescriptor sliderRays[3][64][9];

    Bitboard pawnAttacks[2][64];
    Bitboard pawnPushes[2][64];
    Bitboard pawnPushOrigins[2][64];
    Bitboard knightAttacks[64];
    Bitboard bishopEmpty[64];
    Bitboard rookEmpty[64];
    Bitboard queenEmpty[64];
    Bitboard kingAttacks[64];
    Bitboard orthogonalNeighbours[64];
    Bitboard ringTwo[64];

    Bitboard seventhRank[2];
    Bitboard castlePath[4];  // colour * 2 + wing

    // Direction index (in the piece's own direction order) that takes a piece
    // of that type and colour from origin to target on an empty board; -1 when
    // it cannot get there. Kings: 8 two files towards h, 9 two files towards a.
    int32_t moveDirection[8][2][64][64];
    // 1 when on a common rank or file, 2 when on a common diagonal, else 0.
    int8_t lineKind[64][64];

    // Pawn-structure masks, by colour and square; ahead means towards the
    // colour's last rank.
    Bitboard frontSpan[2][64];
    Bitboard passedMask[2][64];
    Bitboard neighbourMask[2][64];
};

// Ray direction order of `rays`.
constexpr int RayDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int RayDy[8] = {1, 1, 1, 0, -1, -1, -1, 0};

// The published tables (null until buildLookupTables has run).
extern const LookupTables* Tables;

// Builds the geometry tables once; later calls do nothing.
void buildLookupTables();

// Both start-up steps of the board core, in the order they must run; safe to
// call more than once. Convenient for tools and tests.
void initBoardTables();

inline const LookupTables& tables() { return *Tables; }

inline Bitboard sliderLookup(int kind, Square s, Bitboard occupancy) {
    return kind == 1 ? rookAttacks(s, occupancy) : bishopAttacks(s, occupancy);
}

}  // namespace NEngine
