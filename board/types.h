// Core vocabulary of the engine: colours, squares, pieces, moves and bitboards.
#pragma once

#include <cassert>
#include <cstdint>

namespace NEngine {

using Bitboard = uint64_t;
using Square = int;     // 0..63, a1 = 0, b1 = 1, ..., h8 = 63
using Piece = uint8_t;  // bit 0 colour, bits 1-3 type; 0 is an empty square

// Colour 0 is black and 1 is white; every colour-indexed array has black first.
enum Color : int { Black = 0, White = 1 };
constexpr int ColorCount = 2;
constexpr Color operator~(Color c) { return Color(c ^ 1); }

enum PieceType : int { NoPieceType = 0, Pawn = 1, Knight = 2, Bishop = 3, Rook = 4, Queen = 5, King = 6 };
constexpr int PieceTypeCount = 8;

// The material unit of the whole engine: a pawn is 90.
constexpr uint16_t PieceValue[PieceTypeCount] = {0, 90, 355, 355, 545, 1090, 0, 0};

constexpr Piece makePiece(Color c, int type) { return Piece(type * 2 + c); }
constexpr int pieceType(Piece p) { return (p >> 1) & 7; }
constexpr Color pieceColor(Piece p) { return Color(p & 1); }
constexpr bool isEmptyCode(Piece p) { return (p & 14) == 0; }

constexpr int fileOf(Square s) { return s & 7; }
constexpr int rankOf(Square s) { return s >> 3; }
constexpr Square makeSquare(int file, int rank) { return rank * 8 + file; }
// Rank as seen by colour c (0 = own back rank).
constexpr int relativeRank(Color c, Square s) { return c == White ? rankOf(s) : 7 - rankOf(s); }

// Fixed squares of the rules, by colour (black first).
constexpr Square KingHome[2] = {60, 4};
constexpr Square ShortRookCorner[2] = {63, 7};
constexpr Square LongRookCorner[2] = {56, 0};
constexpr int PawnStep[2] = {-8, 8};
constexpr int EnPassantVictimOffset[2] = {8, -8};  // by side to move

// A move fits in 16 bits:
//   bits 0-5   from square
//   bits 6-11  to square
//   bits 12-14 promotion piece type (0 none, 2 knight, 3 bishop, 4 rook, 5 queen)
//   bit 15     free for the move picker's mark; every board operation ignores it
// Castling is a king move of two files, en passant a pawn move to the en-passant
// square; the null move is 0.
using Move = uint16_t;
constexpr Move NullMove = 0;
constexpr Move MoveMark = 0x8000;
constexpr Move MoveBits = 0x7FFF;

constexpr Square moveFrom(Move m) { return m & 63; }
constexpr Square moveTo(Move m) { return (m >> 6) & 63; }
constexpr int movePromotion(Move m) { return (m >> 12) & 7; }
constexpr Move composeMove(Square from, Square to, int promotion = 0) {
    return Move(from | (to << 6) | (promotion << 12));
}
// Two moves are the same when they agree outside the picker's mark.
constexpr bool sameMove(Move a, Move b) { return ((a ^ b) & MoveBits) == 0; }

// Scores are from the side to move's point of view; a side mated at ply p
// scores -(MateScore - p).
constexpr int InfiniteScore = 32767;
constexpr int MateScore = 32000;
constexpr int MateRange = 31936;
constexpr int DrawScore = 0;

// Status flags of a position.
enum StatusFlag : uint16_t {
    StatusValid = 1,
    InCheck = 2,
    Stalemate = 4,
    RepetitionDraw = 8,
    MaterialDraw = 16,
    FiftyMoveDraw = 64,
    Checkmate = 128,
    DoubleCheck = 256,
};
constexpr uint16_t GameOverMask = 220;
constexpr uint16_t DrawnMask = 92;

// Flags of a made move, kept in its state entry.
enum MoveFlag : uint8_t {
    CastleMove = 1,
    CaptureMove = 2,
    Irreversible = 4,
    GivesCheck = 8,
    EnPassantMove = 16,
    ReducedMark = 32,  // never set by the board; the search marks reduced moves with it
    NullMoveFlag = 128,
};

// ---- Bit utilities --------------------------------------------------------

constexpr Bitboard squareBit(Square s) { return Bitboard(1) << s; }

inline Square lsb(Bitboard b) {
    assert(b);
    return Square(__builtin_ctzll(b));
}

inline Square msb(Bitboard b) {
    assert(b);
    return Square(63 ^ __builtin_clzll(b));
}

inline Square popLsb(Bitboard& b) {
    Square s = lsb(b);
    b &= b - 1;
    return s;
}

constexpr bool moreThanOne(Bitboard b) { return (b & (b - 1)) != 0; }

}  // namespace NEngine

// The population count PopCount, which depends on the processor.
#include "board/processor.h"
