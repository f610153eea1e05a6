// Bitboard masks and shifts used by the evaluation terms.
#pragma once

#include "board/types.h"

namespace NEngine {

constexpr Bitboard FileABits = 0x0101010101010101ULL;
constexpr Bitboard FileHBits = FileABits << 7;
constexpr Bitboard Rank1Bits = 0xFFULL;

constexpr Bitboard LightSquares = 0x55AA55AA55AA55AAULL;
constexpr Bitboard DarkSquares = 0xAA55AA55AA55AA55ULL;

constexpr Bitboard QueenSideFiles = 0x0F0F0F0F0F0F0F0FULL;  // files a-d
constexpr Bitboard KingSideFiles = ~QueenSideFiles;         // files e-h
constexpr Bitboard WhiteHalf = 0x00000000FFFFFFFFULL;       // ranks 1-4
constexpr Bitboard BlackHalf = ~WhiteHalf;                  // ranks 5-8

constexpr Bitboard fileBits(int file) { return FileABits << file; }
constexpr Bitboard rankBits(int rank) { return Rank1Bits << (8 * rank); }

// The files either side of `file` (none beyond the board's edge).
constexpr Bitboard adjacentFiles(int file) {
    return (file > 0 ? fileBits(file - 1) : 0) | (file < 7 ? fileBits(file + 1) : 0);
}

// Ranks of the board strictly ahead of `rank` for colour c.
constexpr Bitboard ranksAhead(Color c, int rank) {
    if (c == White)
        return rank >= 7 ? 0 : ~Bitboard(0) << (8 * (rank + 1));
    return rank <= 0 ? 0 : (Bitboard(1) << (8 * rank)) - 1;
}

// The set moved one rank towards colour c's far side.
constexpr Bitboard shiftForward(Color c, Bitboard b) { return c == White ? b << 8 : b >> 8; }

// Squares attacked by pawns of colour c standing on `pawns`.
constexpr Bitboard pawnAttackSet(Color c, Bitboard pawns) {
    const Bitboard west = pawns & ~FileABits;
    const Bitboard east = pawns & ~FileHBits;
    return c == White ? (west << 7) | (east << 9) : (west >> 9) | (east >> 7);
}

// Squares attacked by two pawns of colour c at once.
constexpr Bitboard pawnDoubleAttackSet(Color c, Bitboard pawns) {
    const Bitboard west = pawns & ~FileABits;
    const Bitboard east = pawns & ~FileHBits;
    return c == White ? (west << 7) & (east << 9) : (west >> 9) & (east >> 7);
}

// Vertical mirror of a set (rank 1 <-> rank 8).
constexpr Bitboard flipVertical(Bitboard b) { return __builtin_bswap64(b); }

// A square as seen by colour c: its own square for White, mirrored for Black.
constexpr Square relativeSquare(Color c, Square s) { return c == White ? s : (s ^ 56); }

// A signed single-step direction along the file towards colour c's far side.
constexpr int forwardStep(Color c) { return c == White ? 8 : -8; }

// Promotion square of a pawn of colour c on square s.
constexpr Square promotionSquare(Color c, Square s) { return c == White ? (fileOf(s) | 56) : fileOf(s); }

inline int popCount(Bitboard b) { return PopCount(b); }

}  // namespace NEngine
