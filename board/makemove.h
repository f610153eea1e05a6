// Making and unmaking moves, the attack tests, the game rules (draws, mate
// and stalemate), and the keys of the position after a move, worked out
// before it is made.
#pragma once

#include "board/board.h"

namespace NEngine {

void makeMove(Board& board, Move move);
void unmakeMove(Board& board, Move move);
void makeNullMove(Board& board);
void unmakeNullMove(Board& board);

// Whether a piece of colour `attacker` attacks square s with the occupancy
// replaced by `occupancy`.
bool squareAttacked(const Board& board, Square s, Color attacker, Bitboard occupancy);
// Whether `attacker` attacks the king square k, counting the squares of
// `emptySquares` as empty.
bool kingAttackedBy(const Board& board, Color attacker, Square k, Bitboard emptySquares);

void detectDraws(Board& board, bool skipRepetition);
void detectTerminal(Board& board);
// A dead position by material: no series of legal moves can end in mate.
bool insufficientMaterial(const Board& board);
// Whether a quiet reversible move would recreate a position of the reversible stretch.
bool repeatsAfter(const Board& board, Move move);

// The key of the position after a pseudo-legal `move`, worked out before the
// move is made so that the search can prefetch the child's table bucket while
// it makes the move. Changes of castling rights are left out: the key is exact
// for every move that keeps them, which is nearly every move of a search.
[[gnu::always_inline]] inline uint64_t keyAfter(const Board& board, Move move) {
    Color us = board.side();
    Color them = ~us;
    Square from = moveFrom(move), to = moveTo(move);
    int type = board.typeOn(from);
    int promotion = movePromotion(move);
    uint64_t key = board.key ^ sideKey ^ pieceKey[from][us][type] ^ pieceKey[to][us][promotion ? promotion : type];
    Piece target = board.pieceOn(to);
    if (!isEmptyCode(target))
        key ^= pieceKey[to][them][pieceType(target)];
    if (board.enPassant > 0) {
        if (type == Pawn && to == board.enPassant)
            key ^= pieceKey[to + EnPassantVictimOffset[us]][them][Pawn];
        key ^= enPassantKey(board.enPassant, them);
    }
    if (type == Pawn && (to - from == 16 || from - to == 16))
        key ^= enPassantKey((from + to) / 2, us);
    if (type == King && (to - from == 2 || from - to == 2)) {
        int d = (to - from) / 2;
        Square rookFrom = d == 1 ? from + 3 : from - 4;
        key ^= pieceKey[rookFrom][us][Rook] ^ pieceKey[from + d][us][Rook];
    }
    return key;
}

// The pawn key after `move`, worked out the same way for prefetching (the
// pawn hash entry of the child). Castling rights that the move takes away
// are left out.
[[gnu::always_inline]] inline uint64_t pawnKeyAfter(const Board& board, Move move) {
    Color us = board.side();
    Square from = moveFrom(move), to = moveTo(move);
    int type = board.typeOn(from);
    uint64_t key = board.pawnKey;
    if (type == Pawn || type == King) {
        key ^= pieceKey[from][us][type];
        if (!movePromotion(move))
            key ^= pieceKey[to][us][type];
    }
    Piece target = board.pieceOn(to);
    if (pieceType(target) == Pawn)
        key ^= pieceKey[to][~us][Pawn];
    else if (type == Pawn && board.enPassant > 0 && to == board.enPassant)
        key ^= pieceKey[to + EnPassantVictimOffset[us]][~us][Pawn];
    return key;
}

}  // namespace NEngine
