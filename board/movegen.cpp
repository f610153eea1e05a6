// The list move generator, the pseudo-legality and legality tests, and perft.
#include "board/movegen.h"

#include <cassert>
#include <cstdlib>

#include "board/makemove.h"

namespace NEngine {

namespace {

constexpr int PromotionOrder[4] = {Queen, Rook, Bishop, Knight};

// Writes a generator's moves straight into the list's storage, each entry
// linked to the one after it; finish() ends the chain and joins it to what
// the list held before. Cheaper than appending one by one, same result.
class ListWriter {
public:
    explicit ListWriter(MoveList& list) : list_(list), first_(list.free), next_(list.free) {}

    void add(Move m) {
        // Accepted positions cannot produce more moves than the capacity (the
        // board rejects piece counts no game can reach); never write past it.
        assert(next_ < MoveList::Capacity);
        if (next_ >= MoveList::Capacity)
            return;
        list_.entries[next_] = {m, uint16_t(next_ + 1)};
        ++next_;
    }

    void finish() {
        if (next_ == first_)
            return;
        list_.entries[next_ - 1].next = MoveList::End;
        if (list_.tail == MoveList::End)
            list_.head = first_;
        else
            list_.entries[list_.tail].next = first_;
        list_.tail = uint16_t(next_ - 1);
        list_.count = uint16_t(list_.count + (next_ - first_));
        list_.free = next_;
    }

private:
    MoveList& list_;
    uint16_t first_;
    uint16_t next_;
};

inline void addPawnMove(ListWriter& out, Square from, Square to, bool promotes) {
    if (promotes) {
        for (int promotion : PromotionOrder)
            out.add(composeMove(from, to, promotion));
    } else {
        out.add(composeMove(from, to));
    }
}

inline bool isEnPassantCapture(const Board& board, Move move, int type) {
    return type == Pawn && board.enPassant > 0 && moveTo(move) == board.enPassant;
}

// The complete legality test, leaving aside whether the game is over.
bool leavesKingSafe(const Board& board, Move move) {
    const LookupTables& t = tables();
    Color us = board.side(), them = ~us;
    Square from = moveFrom(move), to = moveTo(move);
    int type = board.typeOn(from);
    Bitboard occupancy = board.occupied();

    // The piece must really reach its target (moves may come from outside).
    if (type == Knight && !(t.knightAttacks[from] & squareBit(to)))
        return false;
    if ((type == Bishop || type == Rook || type == Queen)) {
        Bitboard reach = type == Bishop ? bishopAttacks(from, occupancy)
                         : type == Rook ? rookAttacks(from, occupancy)
                                        : queenAttacks(from, occupancy);
        if (!(reach & squareBit(to)))
            return false;
    }

    if (type != King) {
        Square king = board.kingSquare[us];
        const SideSet& enemy = board.sides[them];
        Bitboard victim = 0;
        if (isEnPassantCapture(board, move, type))
            victim = squareBit(to + EnPassantVictimOffset[us]);
        if (t.pawnAttacks[us][king] & enemy.pieces[Pawn] & ~squareBit(to) & ~victim)
            return false;
        if (t.knightAttacks[king] & enemy.pieces[Knight] & ~squareBit(to))
            return false;
        // Walk every enemy slider's rays with the move made.
        Bitboard vacated = squareBit(from) | victim;
        for (int sliderType = Bishop; sliderType <= Queen; ++sliderType) {
            Bitboard sliders = enemy.pieces[sliderType] & ~squareBit(to);
            while (sliders) {
                Square s = popLsb(sliders);
                // Only sliders on a line with the king can matter.
                if (!(t.line[s][king] & squareBit(king)) || t.moveDirection[sliderType][them][king][s] == -1)
                    continue;
                for (const RayDescriptor* ray = t.sliderRays[sliderType - Bishop][s]; ray->length; ++ray) {
                    Square square = s;
                    for (int n = 0; n < ray->length; ++n) {
                        square += ray->step;
                        if (square == to)
                            break;
                        if (square == king)
                            return false;
                        if ((occupancy & squareBit(square)) && !(vacated & squareBit(square)))
                            break;
                    }
                }
            }
        }
        return true;
    }

    // King moves: the king must not stand attacked once it has left its square.
    Bitboard emptySquares = ~occupancy | squareBit(from);
    if (kingAttackedBy(board, them, to, emptySquares))
        return false;
    if (board.status & InCheck)
        return true;
    if (std::abs(to - from) != 2)
        return (t.kingAttacks[from] & squareBit(to)) != 0;
    Square passed = from + (to - from) / 2;
    return !kingAttackedBy(board, them, passed, emptySquares);
}

// What the fast legality test reads of the position, read once for a whole
// list of moves (perft's last ply) rather than once per move.
struct SafetyContext {
    explicit SafetyContext(const Board& b)
        : board(b),
          us(b.side()),
          them(~us),
          king(b.kingSquare[us]),
          enPassant(b.enPassant),
          inCheck((b.status & InCheck) != 0),
          occupancy(b.occupied()),
          sliders{0, rookLike(b, them), bishopLike(b, them)},
          lineKinds(tables().lineKind[king]),
          beyondKing(tables().beyond[king]) {}
    const Board& board;
    Color us, them;
    Square king;
    int enPassant;
    bool inCheck;
    Bitboard occupancy;
    Bitboard sliders[3];         // the enemy's sliders by line kind: 1 straight, 2 diagonal
    const int8_t* lineKinds;     // the king's row of the line-kind table
    const Bitboard* beyondKing;  // squares beyond each square, seen from the king
};

// The fast legality test, for generated moves when not in check (or king moves).
// Inlined into perft's counting loop and the search's legality test.
[[gnu::always_inline]] inline bool leavesKingSafeFast(const SafetyContext& c, Move move) {
    Square from = moveFrom(move), to = moveTo(move);
    Square king = c.king;

    // The piece's kind is read only for a move onto the en-passant square:
    // the king is known by its square.
    if (from == king) {
        Bitboard without = c.occupancy ^ squareBit(from);
        if (squareAttacked(c.board, to, c.them, without))
            return false;
        if (!c.inCheck && std::abs(to - from) == 2)
            return !squareAttacked(c.board, from + (to - from) / 2, c.them, without);
        return true;
    }

    if (to == c.enPassant && isEnPassantCapture(c.board, move, c.board.typeOn(from))) {
        Square victim = to + EnPassantVictimOffset[c.us];
        Bitboard gone = squareBit(from) | squareBit(victim);
        Bitboard after = (c.occupancy & ~gone) | squareBit(to);
        Bitboard diagonal = bishopAttacks(king, after);
        if ((diagonal & gone) && (diagonal & c.sliders[2]))
            return false;
        Bitboard straight = rookAttacks(king, after);
        if (!(straight & gone))
            return true;
        return !(straight & c.sliders[1]);
    }

    const int kind = c.lineKinds[from];
    if (!kind)
        return true;
    // Only an enemy slider of the line's kind beyond the piece can pin it.
    const Bitboard pinners = c.sliders[kind] & c.beyondKing[from];
    if (!pinners)
        return true;
    Bitboard after = (c.occupancy & ~squareBit(from)) | squareBit(to);
    Bitboard reach = sliderLookup(kind, king, after);
    if (!(reach & squareBit(from)))
        return true;
    return !(reach & pinners & ~squareBit(to));
}

}  // namespace

void generateAll(const Board& board, MoveList& list) {
    const LookupTables& t = tables();
    Color us = board.side();
    const SideSet& own = board.sides[us];
    Bitboard ownSquares = own.occupied;
    Bitboard enemySquares = board.sides[~us].occupied;
    Bitboard occupancy = ownSquares | enemySquares;
    ListWriter out(list);

    if (!((board.status & InCheck) && (board.status & DoubleCheck))) {
        // Pawns: captures (en passant included), then pushes; a pawn one step
        // from the last rank makes every move a promotion.
        const Bitboard capturable = enemySquares | (board.enPassant > 0 ? squareBit(board.enPassant) : 0);
        const Bitboard promoting = us == White ? Bitboard(0xFF) << 48 : Bitboard(0xFF) << 8;
        for (Bitboard pawns = own.pieces[Pawn]; pawns;) {
            Square from = popLsb(pawns);
            const bool promotes = promoting & squareBit(from);
            const int8_t* targets = t.pawnMoves[us][from];
            if (t.pawnAttacks[us][from] & capturable)
                for (int i = 0; i < 2; ++i) {
                    Square to = targets[i];
                    if (to >= 0 && (capturable & squareBit(to)))
                        addPawnMove(out, from, to, promotes);
                }
            // The push, then the double push from the home rank, each onto an
            // empty square (the list holds at most these two).
            const Square push = targets[2];
            if (push >= 0 && !(occupancy & squareBit(push))) {
                addPawnMove(out, from, push, promotes);
                const Square twice = targets[3];
                if (twice >= 0 && !(occupancy & squareBit(twice)))
                    out.add(composeMove(from, twice));
            }
        }
        // Knights.
        for (Bitboard knights = own.pieces[Knight]; knights;) {
            Square from = popLsb(knights);
            for (const int8_t* to = t.knightMoves[from]; *to >= 0; ++to)
                if (!(ownSquares & squareBit(*to)))
                    out.add(composeMove(from, *to));
        }
        // Bishops, rooks, queens: ray by ray, stopping at the first piece.
        for (int type = Bishop; type <= Queen; ++type) {
            for (Bitboard sliders = own.pieces[type]; sliders;) {
                Square from = popLsb(sliders);
                // A slider hemmed in by its own pieces on every neighbouring
                // square of its lines (most of them, early in a game) has no
                // ray worth walking.
                const Bitboard neighbours = type == Bishop ? t.kingAttacks[from] & ~t.orthogonalNeighbours[from]
                                            : type == Rook ? t.orthogonalNeighbours[from]
                                                           : t.kingAttacks[from];
                if (!(neighbours & ~ownSquares))
                    continue;
                for (const RayDescriptor* ray = t.sliderRays[type - Bishop][from]; ray->length; ++ray) {
                    Square to = from;
                    for (int n = 0; n < ray->length; ++n) {
                        to += ray->step;
                        const Bitboard bit = squareBit(to);
                        if (occupancy & bit) {
                            if (enemySquares & bit)
                                out.add(composeMove(from, to));
                            break;
                        }
                        out.add(composeMove(from, to));
                    }
                }
            }
        }
    }

    // King steps; attacked squares are left to the legality test.
    Square king = board.kingSquare[us];
    for (const int8_t* to = t.kingMoves[king]; *to >= 0; ++to)
        if (!(ownSquares & squareBit(*to)))
            out.add(composeMove(king, *to));

    if (!(board.status & InCheck)) {
        if ((board.castling & (1 << (us * 2))) && !(occupancy & t.castlePath[us * 2]))
            out.add(composeMove(king, king + 2));
        if ((board.castling & (1 << (us * 2 + 1))) && !(occupancy & t.castlePath[us * 2 + 1]))
            out.add(composeMove(king, king - 2));
    }
    out.finish();
}

bool isPseudoLegal(const Board& board, Move move) {
    const LookupTables& t = tables();
    Color us = board.side();
    Square from = moveFrom(move), to = moveTo(move);
    int promotion = movePromotion(move);
    Piece piece = board.pieceOn(from);
    Piece target = board.pieceOn(to);
    Bitboard occupancy = board.occupied();

    // Step 1. The target holds neither an own piece nor a king; the mover is ours.
    if (!isEmptyCode(target) && (pieceColor(target) == us || pieceType(target) == King))
        return false;
    if (isEmptyCode(piece) || pieceColor(piece) != us)
        return false;
    int type = pieceType(piece);
    // Step 2. In double check only the king may move.
    if ((board.status & InCheck) && (board.status & DoubleCheck) && type != King)
        return false;
    // Step 3. Only pawns promote.
    if (promotion && type != Pawn)
        return false;
    // Step 4. The piece moves that way at all (geometry only).
    int d = t.moveDirection[type][us][to][from];
    if (d == -1)
        return false;

    switch (type) {
    case King:
        if (d < 8)
            return true;
        {
            // Step 5. Castling: the right held, not in check, the squares between empty.
            int wing = d == 8 ? 0 : 1;
            if ((board.status & InCheck) || !(board.castling & (1 << (us * 2 + wing))) || from != KingHome[us])
                return false;
            if (occupancy & (squareBit(to) | squareBit(from + (to - from) / 2)))
                return false;
            return !(wing == 1 && (occupancy & squareBit(to - 1)));
        }
    case Pawn: {
        // Step 6. Pawns: only real promotions reach the last rank; captures
        // diagonally, pushes onto empty squares.
        bool lastRank = rankOf(to) == 0 || rankOf(to) == 7;
        if (lastRank != (promotion != 0))
            return false;
        if (promotion && (promotion < Knight || promotion > Queen))
            return false;
        if (!isEmptyCode(target) || (board.enPassant > 0 && to == board.enPassant))
            return d <= 1;
        if (d == 2)
            return true;
        if (d == 3) {
            int startRank = us == White ? 1 : 6;
            return rankOf(from) == startRank && !(occupancy & squareBit((from + to) / 2));
        }
        return false;
    }
    case Bishop:
    case Rook:
    case Queen:
        // Step 7. Sliders: nothing stands between.
        return !(t.between[from][to] & occupancy);
    default: return true;
    }
}

bool isLegal(const Board& board, Move move) {
    if (board.status & GameOverMask)
        return false;
    return leavesKingSafe(board, move);
}

bool isLegalFast(const Board& board, Move move) {
    if (board.status & GameOverMask)
        return false;
    return leavesKingSafeFast(SafetyContext(board), move);
}

bool pieceReaches(const Board& board, Square target, Square origin) {
    const LookupTables& t = tables();
    Piece p = board.pieceOn(origin);
    int type = pieceType(p);
    if (t.moveDirection[type][pieceColor(p)][target][origin] == -1)
        return false;
    if (type == Knight)
        return true;
    return !(t.between[origin][target] & board.occupied());
}

// The first occupied square at or beyond `through`, on the line from `target`
// through `through`, must be a candidate slider that can move to `target`.
bool sliderBehind(const Board& board, Bitboard occupancy, Bitboard candidates, Square target, Square through) {
    const LookupTables& t = tables();
    Bitboard behind = (t.beyond[target][through] | squareBit(through)) & occupancy;
    if (!(behind & candidates))
        return false;
    // Beyond a lower square lie lower squares: the nearest is the highest.
    Square nearest = through < target ? msb(behind) : lsb(behind);
    if (!(candidates & squareBit(nearest)))
        return false;
    Piece p = board.pieceOn(nearest);
    return t.moveDirection[pieceType(p)][pieceColor(p)][target][nearest] != -1;
}

bool revealsSlider(const Board& board, Square v, Bitboard occupancy, Color c, Square k) {
    const LookupTables& t = tables();
    int kind = t.lineKind[v][k];
    if (!kind)
        return false;
    // Only sliders still in the occupancy count: in an exchange, a piece that
    // has already captured on the square no longer stands where it started.
    // Without one on the line beyond v, nothing is looked up.
    const Bitboard behind = slidersOfKind(board, c, kind) & occupancy & t.beyond[k][v];
    if (!behind)
        return false;
    return (sliderLookup(kind, k, occupancy & ~squareBit(v)) & behind) != 0;
}

namespace {

// Perft counts paths whatever the draw rules say, so it asks only whether
// the own king is safe.
[[gnu::always_inline]] inline bool perftLegal(const SafetyContext& c, Move move) {
    return (c.inCheck && moveFrom(move) != c.king) ? leavesKingSafe(c.board, move) : leavesKingSafeFast(c, move);
}

}  // namespace

uint64_t perft(Board& board, int depth) {
    if (depth <= 0)
        return 1;
    MoveList list;
    generateAll(board, list);
    const SafetyContext safety(board);
    // The generator fills a fresh list front to back, so its moves stand in
    // entries 0..count-1 in order: read as an array, without following the
    // links one load after another.
    assert(list.count == list.free && (list.count == 0 || list.head == 0));
    const int count = list.count;
    uint64_t nodes = 0;
    if (depth == 1) {
        // The last ply is counted, not made.
        for (int i = 0; i < count; ++i)
            nodes += perftLegal(safety, list.entries[i].move);
        return nodes;
    }
    for (int i = 0; i < count; ++i) {
        const Move move = list.entries[i].move;
        if (!perftLegal(safety, move))
            continue;
        makeMove(board, move);
        nodes += perft(board, depth - 1);
        unmakeMove(board, move);
    }
    return nodes;
}

}  // namespace NEngine
