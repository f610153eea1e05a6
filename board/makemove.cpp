// Making and unmaking moves, null moves, attack tests and the game rules.
#include "board/makemove.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/movegen.h"

namespace NEngine {

namespace {

// Writes a piece code on a square, keeping the square byte's upper four bits.
inline void writeCode(Board& board, Square s, Piece code) {
    board.squares[s] = uint8_t((board.squares[s] & 0xF0) | code);
}

// The castling rights that survive a move from or to each square. A right
// stands only while its king is at home and its rook in the corner, so any
// move from or to one of those squares moves that king or rook or takes
// that rook: the right goes.
constexpr struct RightsKeptTable {
    uint8_t kept[64];
    constexpr RightsKeptTable() : kept{} {
        for (uint8_t& k : kept)
            k = 15;
        for (int c = 0; c < 2; ++c) {
            kept[KingHome[c]] &= uint8_t(~(3 << (c * 2)));
            kept[ShortRookCorner[c]] &= uint8_t(~(1 << (c * 2)));
            kept[LongRookCorner[c]] &= uint8_t(~(2 << (c * 2)));
        }
    }
} RightsKept;

// Step 10 of making a move: does the move leave the defender in check, and by what?
void detectCheck(Board& board, int flags, int oldEnPassant, Square from, Square to, int movedType) {
    const LookupTables& t = tables();
    Color us = ~board.side();
    Square king = board.kingSquare[board.side()];
    Bitboard occupancy = board.occupied();
    board.checker = 0;

    if (flags & CastleMove) {
        Square rookSquare = from + (to - from) / 2;
        if (t.lineKind[rookSquare][king] == 1 && !(t.between[rookSquare][king] & occupancy)) {
            board.status |= InCheck;
            board.checker = uint8_t(rookSquare);
        }
        return;
    }

    int foundThroughVictim = -1;
    switch (movedType) {
    case Pawn:
        if (t.pawnAttacks[us][to] & squareBit(king)) {
            board.status |= InCheck;
            board.checker = uint8_t(to);
            // A push that checks cannot uncover a second check.
            if (fileOf(from) == fileOf(to))
                return;
        } else if (oldEnPassant > 0 && to == oldEnPassant) {
            Square victim = to + EnPassantVictimOffset[us];
            int kind = t.lineKind[victim][king];
            if (kind) {
                Bitboard hit = sliderLookup(kind, king, occupancy) & slidersOfKind(board, us, kind);
                if (hit) {
                    foundThroughVictim = lsb(hit);
                    board.status |= InCheck;
                    board.checker = uint8_t(foundThroughVictim);
                }
            }
        }
        break;
    case Knight:
        if (t.knightAttacks[to] & squareBit(king)) {
            board.status |= InCheck;
            board.checker = uint8_t(to);
        }
        break;
    case Bishop:
    case Rook:
    case Queen:
        if (t.moveDirection[movedType][us][king][to] != -1 && !(t.between[to][king] & occupancy)) {
            board.status |= InCheck;
            board.checker = uint8_t(to);
        }
        break;
    default: break;
    }

    // Discovered check through the square the piece left.
    int kind = t.lineKind[from][king];
    if (!kind)
        return;
    Bitboard revealed = sliderLookup(kind, king, occupancy) & slidersOfKind(board, us, kind) & ~squareBit(to);
    if (!revealed)
        return;
    Square s = lsb(revealed);
    if (s == foundThroughVictim)
        return;
    if (board.status & InCheck) {
        board.status |= DoubleCheck;
    } else {
        board.status |= InCheck;
        board.checker = uint8_t(s);
    }
}

// The lowest history index a scan of the reversible stretch may read.
inline int scanFloor(const Board& board) {
    int floor = board.ply - board.halfmoveClock;
    return floor > board.setupPly ? floor : board.setupPly;
}

// Whether either side has a pawn, rook or queen, read as one word of piece
// counts per side (the byte order of the word does not matter: the mask is
// laid out the same way).
inline bool hasPawnRookOrQueen(const Board& board) {
    // The builtin behind std::bit_cast, which not every standard library
    // here has (Emscripten's lacks it); GCC and Clang both provide it.
    constexpr uint64_t mask = __builtin_bit_cast(uint64_t, (std::array<uint8_t, 8>{0, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}));
    static_assert(Pawn == 1 && Rook == 4 && Queen == 5, "the mask follows the type numbers");
    static_assert(sizeof(SideSet::count) == sizeof(uint64_t));
    uint64_t black, white;
    std::memcpy(&black, board.sides[Black].count, sizeof black);
    std::memcpy(&white, board.sides[White].count, sizeof white);
    return (black | white) & mask;
}

// The draw rules after a move (also for a position just set up); a
// repetition needs a reversible move. Inlined into makeMove.
[[gnu::always_inline]] inline void drawsAfterMove(Board& board, bool skipRepetition) {
    // Step 1. Fifty moves; a mate given on the hundredth ply still counts.
    if (board.halfmoveClock > 100 || (board.halfmoveClock == 100 && !(board.status & InCheck))) {
        board.status |= FiftyMoveDraw;
        return;
    }
    // Step 2. Too little material left to mate.
    if (!hasPawnRookOrQueen(board) && insufficientMaterial(board)) {
        board.status |= MaterialDraw;
        return;
    }
    if (skipRepetition)
        return;
    // Step 3. Repetitions: scan the reversible stretch, same side to move only.
    int count = 1;
    int floor = scanFloor(board);
    for (int i = board.ply - 2; i >= floor; i -= 2) {
        if (count > 2)
            break;
        const StateEntry& e = board.history[i];
        if (e.key == board.key)
            count++;
        if (e.flags & Irreversible)
            break;
    }
    board.repetitions = uint8_t(count);
    if (count >= 3)
        board.status |= RepetitionDraw;
}

// The rarer parts of a move, steps of makeMove.
[[gnu::always_inline]] inline void takeCastlingRights(Board& board, uint8_t rights) {
    const uint64_t change = castleRightsKey[rights ^ board.castling];
    board.key ^= change;
    board.pawnKey ^= change;
    board.castling = rights;
}

[[gnu::always_inline]] inline void moveCastlingRook(Board& board, Color us, Square from, Square to) {
    int d = (to - from) / 2;
    Square rookFrom = d == 1 ? from + 3 : from - 4;
    Square rookTo = from + d;
    writeCode(board, rookFrom, 0);
    board.movePiece(us, Rook, rookFrom, rookTo);
    writeCode(board, rookTo, makePiece(us, Rook));
}

[[gnu::always_inline]] inline void takeEnPassant(Board& board, Color us) {
    Square victim = board.enPassant + EnPassantVictimOffset[us];
    board.removePiece(~us, Pawn, victim);
    writeCode(board, victim, 0);
}

[[gnu::always_inline]] inline void promote(Board& board, Color us, Square from, Square to, int promotion) {
    board.removePiece(us, Pawn, from);
    writeCode(board, to, makePiece(us, promotion));
    board.addPiece(us, promotion, to);
}

}  // namespace

void makeMove(Board& board, Move move) {
    assert(board.ply < StateStackSize);
    Color us = board.side();
    Color them = ~us;
    Square from = moveFrom(move), to = moveTo(move);
    int promotion = movePromotion(move);
    Piece code = board.pieceOn(from);
    int type = pieceType(code);
    Piece target = board.pieceOn(to);
    const int oldEnPassant = board.enPassant;
    // The entry's flags, gathered here and written once.
    int flags = 0;

    // Step 1. Save what unmaking needs.
    StateEntry& e = board.history[board.ply++];
    e.key = board.key;
    e.pawnKey = board.pawnKey;
    e.header = board.header();
    e.move = move;
    e.captured = 0;
    e.psqMg = board.psqMg;
    e.psqEg = board.psqEg;

    // Step 2. The status starts afresh; the end of this function fills it in.
    board.status = StatusValid;

    // Step 3. Moves from or to a king's or rook's home take the rights that
    // depend on them; castling moves the rook.
    if (uint8_t rights = board.castling & RightsKept.kept[from] & RightsKept.kept[to]; rights != board.castling)
        takeCastlingRights(board, rights);
    if (type == King) {
        if (std::abs(to - from) == 2) {
            flags |= CastleMove | Irreversible;
            moveCastlingRook(board, us, from, to);
        }
        board.kingSquare[us] = int8_t(to);
    }

    // Step 4. Captures, en passant included.
    if (!isEmptyCode(target)) {
        int capturedType = pieceType(target);
        e.captured = uint8_t(capturedType);
        board.removePiece(them, capturedType, to);
        writeCode(board, to, 0);
        flags |= CaptureMove | Irreversible;
    } else if (type == Pawn && oldEnPassant > 0 && to == oldEnPassant) {
        takeEnPassant(board, us);
        flags |= EnPassantMove | CaptureMove | Irreversible;
    }

    // Step 5. The old en-passant square goes.
    if (oldEnPassant > 0)
        board.key ^= enPassantKey(oldEnPassant, them);
    board.enPassant = -1;

    // Step 6. Move the piece (or promote it).
    if (promotion) {
        promote(board, us, from, to, promotion);
        flags |= Irreversible;
    } else {
        if (type == Pawn) {
            if (to - from == 16 || from - to == 16) {
                board.enPassant = int8_t((from + to) / 2);
                board.key ^= enPassantKey(board.enPassant, us);
            }
            flags |= Irreversible;
        }
        board.movePiece(us, type, from, to);
        writeCode(board, to, code);
    }

    // Step 7. The origin square empties.
    writeCode(board, from, 0);

    // Step 8. Clocks. The clock saturates rather than wrapping to zero.
    if (flags & Irreversible) {
        board.halfmoveClock = 0;
        board.repetitions = 1;
    } else if (board.halfmoveClock < 255) {
        board.halfmoveClock++;
    }

    // Step 9. The turn passes: the full-move number grows after Black's move.
    if (us == Black)
        board.fullmove++;
    board.key ^= sideKey;
    board.sideToMove = int8_t(them);

    // Step 10. Check given, then draws (a repetition needs a reversible
    // move), and the entry notes a check for the search.
    detectCheck(board, flags, oldEnPassant, from, to, promotion ? promotion : type);
    drawsAfterMove(board, flags & Irreversible);
    if (board.status & InCheck)
        flags |= GivesCheck;
    e.flags = uint8_t(flags);
}

void unmakeMove(Board& board, Move move) {
    assert(board.ply > 0);
    Square from = moveFrom(move), to = moveTo(move);
    int promotion = movePromotion(move);

    // Step 1. Header, clocks and sums come back wholesale.
    const StateEntry& e = board.history[--board.ply];
    board.header() = e.header;
    Color us = board.side();
    Color them = ~us;
    if (us == Black)
        board.fullmove--;
    board.psqMg = e.psqMg;
    board.psqEg = e.psqEg;

    SideSet& own = board.sides[us];
    Bitboard fromBit = squareBit(from), toBit = squareBit(to);

    // Step 2. The piece goes back.
    if (promotion) {
        own.pieces[promotion] ^= toBit;
        own.occupied ^= toBit;
        own.count[promotion]--;
        own.material -= PieceValue[promotion];
        own.nonPawnMaterial -= PieceValue[promotion];
        own.count[Pawn]++;
        own.material += PieceValue[Pawn];
        own.pieces[Pawn] |= fromBit;
        own.occupied |= fromBit;
        writeCode(board, from, makePiece(us, Pawn));
    } else {
        int type = board.typeOn(to);
        own.pieces[type] ^= fromBit | toBit;
        own.occupied ^= fromBit | toBit;
        writeCode(board, from, board.pieceOn(to));
        if (type == King)
            board.kingSquare[us] = int8_t(from);
    }

    // Step 3. The target square empties (a captured piece comes back below).
    writeCode(board, to, 0);

    SideSet& other = board.sides[them];
    // Step 4. The pawn taken en passant.
    if (e.flags & EnPassantMove) {
        Square victim = board.enPassant + EnPassantVictimOffset[us];
        writeCode(board, victim, makePiece(them, Pawn));
        other.count[Pawn]++;
        other.material += PieceValue[Pawn];
        other.pieces[Pawn] |= squareBit(victim);
        other.occupied |= squareBit(victim);
    }

    // Step 5. A captured piece.
    if (e.captured) {
        int type = e.captured;
        writeCode(board, to, makePiece(them, type));
        other.count[type]++;
        other.material += PieceValue[type];
        if (type != Pawn)
            other.nonPawnMaterial += PieceValue[type];
        other.pieces[type] |= toBit;
        other.occupied |= toBit;
    }

    // Step 6. The castling rook.
    if (e.flags & CastleMove) {
        int d = (to - from) / 2;
        Square corner = d == 1 ? from + 3 : from - 4;
        Square rookSquare = from + d;
        writeCode(board, corner, board.pieceOn(rookSquare));
        writeCode(board, rookSquare, 0);
        Bitboard both = squareBit(corner) | squareBit(rookSquare);
        own.pieces[Rook] ^= both;
        own.occupied ^= both;
    }

    // Step 7. The keys come back from the entry rather than being undone piece by piece.
    board.key = e.key;
    board.pawnKey = e.pawnKey;
}

void makeNullMove(Board& board) {
    assert(board.ply < StateStackSize);
    StateEntry& e = board.history[board.ply++];
    e.key = board.key;
    e.pawnKey = board.pawnKey;
    e.header = board.header();
    e.flags = NullMoveFlag;
    e.captured = 0;
    e.psqMg = board.psqMg;
    e.psqEg = board.psqEg;
    if (board.enPassant > 0)
        board.key ^= enPassantKey(board.enPassant, ~board.side());
    board.enPassant = -1;
    board.key ^= sideKey;
    board.sideToMove = int8_t(~board.side());
}

void unmakeNullMove(Board& board) {
    assert(board.ply > 0);
    const StateEntry& e = board.history[--board.ply];
    board.header() = e.header;
    board.key = e.key;
    board.pawnKey = e.pawnKey;
}

bool squareAttacked(const Board& board, Square s, Color attacker, Bitboard occupancy) {
    const LookupTables& t = tables();
    const SideSet& a = board.sides[attacker];
    if (t.kingAttacks[s] & a.pieces[King])
        return true;
    if (t.pawnAttacks[board.side()][s] & occupancy & a.pieces[Pawn])
        return true;
    if (t.knightAttacks[s] & occupancy & a.pieces[Knight])
        return true;
    if (bishopAttacks(s, occupancy) & (a.pieces[Bishop] | a.pieces[Queen]))
        return true;
    return rookAttacks(s, occupancy) & (a.pieces[Rook] | a.pieces[Queen]);
}

bool kingAttackedBy(const Board& board, Color attacker, Square k, Bitboard emptySquares) {
    const LookupTables& t = tables();
    const SideSet& a = board.sides[attacker];
    if ((t.kingAttacks[k] & a.pieces[King]) || (t.pawnAttacks[~attacker][k] & a.pieces[Pawn]) ||
        (t.knightAttacks[k] & a.pieces[Knight]))
        return true;
    if (!(t.queenEmpty[k] & (a.pieces[Bishop] | a.pieces[Rook] | a.pieces[Queen])))
        return false;
    auto anyClear = [&](Bitboard sliders, bool wantLine, bool wantDiagonal) {
        while (sliders) {
            Square s = popLsb(sliders);
            int kind = t.lineKind[s][k];
            if ((kind == 1 && wantLine) || (kind == 2 && wantDiagonal))
                if (!(t.between[s][k] & ~emptySquares))
                    return true;
        }
        return false;
    };
    return anyClear(a.pieces[Rook], true, false) || anyClear(a.pieces[Bishop], false, true) ||
           anyClear(a.pieces[Queen], true, true);
}

bool insufficientMaterial(const Board& board) {
    // Only dead positions count: those in which no series of legal moves can
    // end in mate. Knight against knight, bishop against knight, bishops of
    // both colours or two knights against a bare king can still be mated into
    // (with help), so the game goes on there: claiming a draw would forfeit
    // it, and refusing to move would leave the interface without a move.
    if (hasPawnRookOrQueen(board))
        return false;
    const SideSet& b = board.sides[Black];
    const SideSet& w = board.sides[White];
    const int minors = b.count[Knight] + b.count[Bishop] + w.count[Knight] + w.count[Bishop];
    if (minors <= 1)
        return true;
    if (b.count[Knight] || w.count[Knight])
        return false;
    // Bishops only: dead when every bishop stands on squares of one colour.
    constexpr Bitboard LightSquares = 0x55AA55AA55AA55AAULL;
    const Bitboard bishops = b.pieces[Bishop] | w.pieces[Bishop];
    return !(bishops & LightSquares) || !(bishops & ~LightSquares);
}

void detectDraws(Board& board, bool skipRepetition) { drawsAfterMove(board, skipRepetition); }

void detectTerminal(Board& board) {
    if (board.status & GameOverMask)
        return;
    MoveList list;
    generateAll(board, list);
    for (uint16_t i = list.head; i != MoveList::End; i = list.entries[i].next)
        if (isLegal(board, list.entries[i].move))
            return;
    board.status |= (board.status & InCheck) ? Checkmate : Stalemate;
}

bool repeatsAfter(const Board& board, Move move) {
    Color us = board.side();
    Square from = moveFrom(move), to = moveTo(move);
    int type = board.typeOn(from);
    if (type == Pawn || !isEmptyCode(board.pieceOn(to)))
        return false;
    if (type == King && (board.castling & (3 << (us * 2))))
        return false;
    if (type == Rook) {
        if (from == ShortRookCorner[us] && (board.castling & (1 << (us * 2))))
            return false;
        if (from == LongRookCorner[us] && (board.castling & (1 << (us * 2 + 1))))
            return false;
    }
    // A quiet piece move that keeps the castling rights: keyAfter is exact.
    const uint64_t key = keyAfter(board, move);
    int floor = scanFloor(board);
    for (int i = board.ply - 1; i >= floor; i -= 2) {
        const StateEntry& e = board.history[i];
        if (e.key == key)
            return true;
        if (e.flags & Irreversible)
            break;
    }
    return false;
}

}  // namespace NEngine
