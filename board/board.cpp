// Board set-up primitives and the from-scratch consistency check.
#include "board/board.h"

#include <algorithm>

namespace NEngine {

void Board::clear() { *this = Board{}; }

void Board::reset() {
    StateEntry* stack = history;
    *this = Board{};
    history = stack;
}

void Board::putPiece(Color c, int type, Square s) {
    if (type <= NoPieceType || type > King || s < 0 || s >= 64 || !isEmptyCode(squares[s]))
        return;
    squares[s] = uint8_t((squares[s] & 0xF0) | makePiece(c, type));
    addPiece(c, type, s);
    if (type == King)
        kingSquare[c] = int8_t(s);
}

void Board::setCastlingRight(Color c, int wing) {
    Square corner = wing == 0 ? ShortRookCorner[c] : LongRookCorner[c];
    int bit = c * 2 + wing;
    if (kingSquare[c] != KingHome[c] || (squares[corner] & 15) != makePiece(c, Rook))
        return;
    // A right granted twice would XOR its key out again.
    if (castling & (1 << bit))
        return;
    castling |= uint8_t(1 << bit);
    key ^= castleKey[bit];
    pawnKey ^= castleKey[bit];
}

void copyGameInto(const Board& source, Board& target) {
    StateEntry* stack = target.history;
    const int used = std::clamp(source.ply, 0, StateStackSize);
    const int first = std::clamp(source.setupPly, 0, used);
    if (source.history && stack && source.history != stack)
        std::copy(source.history + first, source.history + used, stack + first);
    target = source;
    target.history = stack;
}

bool boardConsistent(const Board& board) {
    // Everything is summed afresh from the square bytes and the raw tables,
    // not through the piece primitives whose work it checks.
    uint64_t key = 0, pawnKey = 0;
    int psqMg = 0, psqEg = 0;
    SideSet fresh[2] = {};
    int8_t kingSquare[2] = {-1, -1};
    for (Square s = 0; s < 64; ++s) {
        Piece p = board.pieceOn(s);
        if (isEmptyCode(p))
            continue;
        const Color c = pieceColor(p);
        const int type = pieceType(p);
        SideSet& side = fresh[c];
        side.pieces[type] |= squareBit(s);
        side.occupied |= squareBit(s);
        side.count[type]++;
        side.material = uint16_t(side.material + PieceValue[type]);
        if (type != Pawn)
            side.nonPawnMaterial = uint16_t(side.nonPawnMaterial + PieceValue[type]);
        key ^= pieceKey[s][c][type];
        if (type == Pawn || type == King)
            pawnKey ^= pieceKey[s][c][type];
        if (c == White) {
            psqMg += PsqMg[type][s ^ 56];
            psqEg += PsqEg[type][s ^ 56];
        } else {
            psqMg -= PsqMg[type][s];
            psqEg -= PsqEg[type][s];
        }
        if (type == King)
            kingSquare[c] = int8_t(s);
    }
    for (int bit = 0; bit < 4; ++bit)
        if (board.castling & (1 << bit)) {
            key ^= castleKey[bit];
            pawnKey ^= castleKey[bit];
        }
    if (board.sideToMove == Black)
        key ^= sideKey;
    if (board.enPassant > 0)
        key ^= enPassantKey(board.enPassant, ~board.side());

    if (key != board.key || pawnKey != board.pawnKey)
        return false;
    if (int16_t(psqMg) != board.psqMg || int16_t(psqEg) != board.psqEg)
        return false;
    for (int c = 0; c < 2; ++c) {
        const SideSet& a = fresh[c];
        const SideSet& b = board.sides[c];
        if (a.occupied != b.occupied || a.material != b.material || a.nonPawnMaterial != b.nonPawnMaterial)
            return false;
        for (int type = 0; type < 8; ++type)
            if (a.pieces[type] != b.pieces[type] || a.count[type] != b.count[type])
                return false;
        if (a.count[King] == 1 && kingSquare[c] != board.kingSquare[c])
            return false;
    }
    return true;
}

}  // namespace NEngine
