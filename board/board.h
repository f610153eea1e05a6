// The position: piece sets, incremental keys and sums, the state stack of
// made moves, and the piece primitives through which every change of the
// board passes. Making and unmaking moves and the game rules are in
// makemove.h, set-up from FEN text in fen.h.
#pragma once

#include <vector>

#include "board/psqt.h"
#include "board/tables.h"
#include "board/types.h"

namespace NEngine {

// The state stack holds one entry per made move, indexed by the game ply.
constexpr int StateStackSize = 4096;
// Plies kept free above the game for the deepest search line (search plies
// plus quiescence) so that a search never runs off the stack.
constexpr int SearchPlyReserve = 256;
// Game moves are accepted only while the ply stays below this.
constexpr int MaxGamePly = StateStackSize - SearchPlyReserve;

// The piece-square values as the sums take them: by colour, type and square,
// with the sign of the owner (a white piece adds its entry of square s ^ 56,
// a black piece subtracts its entry of square s), so that the piece
// primitives add without asking whose piece it is.
struct PsqPair {
    int16_t mg;
    int16_t eg;
};
struct SignedPsqTable {
    PsqPair entry[2][8][64];
};
inline constexpr SignedPsqTable SignedPsq = [] {
    SignedPsqTable t{};
    for (int type = 0; type < 8; ++type)
        for (int s = 0; s < 64; ++s) {
            t.entry[White][type][s] = {PsqMg[type][s ^ 56], PsqEg[type][s ^ 56]};
            t.entry[Black][type][s] = {int16_t(-PsqMg[type][s]), int16_t(-PsqEg[type][s])};
        }
    return t;
}();

// The key change of each set of castling rights (bits as in `castling`): the
// XOR of their castle keys, so that any rights taken at once cost one read.
extern const uint64_t castleRightsKey[16];

// Per-colour piece sets.
struct SideSet {
    Bitboard pieces[8];  // by piece type; entries 0 and 7 stay empty
    Bitboard occupied;
    uint8_t count[8];
    uint16_t material;         // pawns included
    uint16_t nonPawnMaterial;  // without pawns
};

// The eight-byte header of a board: saved as one unit by each made move and
// restored as one unit when it is unmade.
struct BoardHeader {
    int8_t enPassant;       // en-passant target; not positive means none
    uint8_t repetitions;    // occurrences of this position, itself included
    uint8_t checker;        // a checking piece's square while InCheck is set
    uint8_t halfmoveClock;  // plies since the last irreversible move
    uint8_t castling;       // bit colour * 2 + wing (wing 0 short, 1 long)
    uint16_t status;        // StatusFlag bits
    int8_t sideToMove;
};

struct StateEntry {
    uint64_t key;
    uint64_t pawnKey;
    BoardHeader header;
    Move move;
    uint8_t flags;     // MoveFlag bits
    uint8_t captured;  // type captured on the to square (0 for none and en passant)
    int16_t psqMg;
    int16_t psqEg;
};

struct Board : BoardHeader {
    uint64_t key;
    uint64_t pawnKey;
    SideSet sides[2];
    int16_t psqMg;
    int16_t psqEg;
    int32_t ply;        // next free history entry; the game ply
    uint32_t fullmove;  // as in FEN
    uint8_t squares[64];
    int8_t kingSquare[2];
    StateEntry* history;
    // The ply at which the position was set up: history entries below it do
    // not belong to this board and are never unmade.
    int32_t setupPly;

    BoardHeader& header() { return *this; }
    const BoardHeader& header() const { return *this; }

    void clear();
    void reset();

    // Checked placement for setup: ignores type 0, squares off the board and
    // occupied squares.
    void putPiece(Color c, int type, Square s);
    void setCastlingRight(Color c, int wing);

    // Piece primitives: callers guarantee the squares; none writes `squares`
    // or `kingSquare`.
    inline void addPiece(Color c, int type, Square s);
    inline void removePiece(Color c, int type, Square s);
    inline void movePiece(Color c, int type, Square from, Square to);

    Color side() const { return Color(sideToMove); }
    Piece pieceOn(Square s) const { return Piece(squares[s] & 15); }
    int typeOn(Square s) const { return pieceType(squares[s]); }
    Bitboard occupied() const { return sides[0].occupied | sides[1].occupied; }
    Bitboard pieces(Color c, int type) const { return sides[c].pieces[type]; }
    bool inCheck() const { return status & InCheck; }
    // Whether one more game move can be made while leaving the search its room.
    bool hasRoomForMove() const { return ply < MaxGamePly; }
    // Moves made on this board since it was set up.
    int movesMade() const { return ply - setupPly; }
};

// A Board together with its own state stack.
struct BoardWithStack {
    std::vector<StateEntry> stack;
    Board board;

    BoardWithStack() : stack(StateStackSize) {
        board.clear();
        board.history = stack.data();
    }
    BoardWithStack(const BoardWithStack&) = delete;
    BoardWithStack& operator=(const BoardWithStack&) = delete;
};

// Copies a game: every field of `source` into `target`, which keeps its own
// state stack, and the entries of the source's game since its set-up
// position into that stack (repetition scans, the last move's square and the
// game record read no further back), so that moves can be made, unmade and
// rendered on the copy without touching the source.
void copyGameInto(const Board& source, Board& target);
inline void copyGameInto(const Board& source, BoardWithStack& target) {
    target.board.history = target.stack.data();
    copyGameInto(source, target.board);
}

// ---- Piece primitives (inline: they run at every node) ------------------------

inline void Board::addPiece(Color c, int type, Square s) {
    SideSet& side = sides[c];
    side.count[type]++;
    side.material += PieceValue[type];
    if (type != Pawn)
        side.nonPawnMaterial += PieceValue[type];
    side.pieces[type] |= squareBit(s);
    side.occupied |= squareBit(s);
    key ^= pieceKey[s][c][type];
    if (type == Pawn || type == King)
        pawnKey ^= pieceKey[s][c][type];
    const PsqPair& psq = SignedPsq.entry[c][type][s];
    psqMg += psq.mg;
    psqEg += psq.eg;
}

inline void Board::removePiece(Color c, int type, Square s) {
    SideSet& side = sides[c];
    side.count[type]--;
    side.material -= PieceValue[type];
    if (type != Pawn)
        side.nonPawnMaterial -= PieceValue[type];
    side.pieces[type] ^= squareBit(s);
    side.occupied ^= squareBit(s);
    key ^= pieceKey[s][c][type];
    if (type == Pawn || type == King)
        pawnKey ^= pieceKey[s][c][type];
    const PsqPair& psq = SignedPsq.entry[c][type][s];
    psqMg -= psq.mg;
    psqEg -= psq.eg;
}

inline void Board::movePiece(Color c, int type, Square from, Square to) {
    SideSet& side = sides[c];
    Bitboard fromTo = squareBit(from) | squareBit(to);
    side.pieces[type] ^= fromTo;
    side.occupied ^= fromTo;
    uint64_t k = pieceKey[from][c][type] ^ pieceKey[to][c][type];
    key ^= k;
    if (type == Pawn || type == King)
        pawnKey ^= k;
    const PsqPair& psqFrom = SignedPsq.entry[c][type][from];
    const PsqPair& psqTo = SignedPsq.entry[c][type][to];
    psqMg += psqTo.mg - psqFrom.mg;
    psqEg += psqTo.eg - psqFrom.eg;
}

// Rooks and queens, bishops and queens of a colour.
inline Bitboard rookLike(const Board& board, Color c) {
    return board.sides[c].pieces[Rook] | board.sides[c].pieces[Queen];
}
inline Bitboard bishopLike(const Board& board, Color c) {
    return board.sides[c].pieces[Bishop] | board.sides[c].pieces[Queen];
}
// The sliders of colour c that move along a line of the given kind
// (1 rank or file, 2 diagonal).
inline Bitboard slidersOfKind(const Board& board, Color c, int kind) {
    return kind == 1 ? rookLike(board, c) : bishopLike(board, c);
}

// Recomputes keys, counts, material and sums from the squares alone and
// compares them with the incremental values; used by tests and debug checks.
bool boardConsistent(const Board& board);

}  // namespace NEngine
