// Shared helpers of the board tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"

namespace NEngine::test {

// A board with its own state stack, set up from FEN.
struct Position {
    std::unique_ptr<BoardWithStack> owner = std::make_unique<BoardWithStack>();
    Board& board = owner->board;

    explicit Position(const std::string& fen = "") {
        initBoardTables();
        ok = parseFen(fen, board);
    }
    bool ok = false;
};

// The legal moves of a position in generation order.
inline std::vector<Move> legalMoves(const Board& board) {
    MoveList list;
    generateAll(board, list);
    std::vector<Move> moves;
    list.forEach([&](Move m) {
        if (isLegal(board, m))
            moves.push_back(m);
    });
    return moves;
}

inline Move moveFromText(Board& board, const std::string& text) { return parseMoveText(board, text); }

// Field-by-field comparison of two positions (the state stack pointer aside).
inline bool samePosition(const Board& a, const Board& b) {
    const BoardHeader& ha = a;
    const BoardHeader& hb = b;
    if (ha.enPassant != hb.enPassant || ha.repetitions != hb.repetitions || ha.checker != hb.checker ||
        ha.halfmoveClock != hb.halfmoveClock || ha.castling != hb.castling || ha.status != hb.status ||
        ha.sideToMove != hb.sideToMove)
        return false;
    if (a.key != b.key || a.pawnKey != b.pawnKey || a.psqMg != b.psqMg || a.psqEg != b.psqEg || a.ply != b.ply ||
        a.fullmove != b.fullmove || a.kingSquare[0] != b.kingSquare[0] || a.kingSquare[1] != b.kingSquare[1])
        return false;
    for (int s = 0; s < 64; ++s)
        if (a.squares[s] != b.squares[s])
            return false;
    for (int c = 0; c < 2; ++c) {
        const SideSet& x = a.sides[c];
        const SideSet& y = b.sides[c];
        if (x.occupied != y.occupied || x.material != y.material || x.nonPawnMaterial != y.nonPawnMaterial)
            return false;
        for (int t = 0; t < 8; ++t)
            if (x.pieces[t] != y.pieces[t] || x.count[t] != y.count[t])
                return false;
    }
    return true;
}

inline Square sq(const char* text) { return makeSquare(text[0] - 'a', text[1] - '1'); }

}  // namespace NEngine::test
