// Move generation by kind for the search, with ordering scores, and the
// staged pickers that hand the moves out.
#include "search/movepicker.h"

#include "board/movegen.h"
#include "eval/bitmasks.h"
#include "search/see.h"

namespace NEngine {

namespace {

// Ordering scores of promotions: twice the new piece's value, less the pawn.
constexpr int QueenPromotionBase = 2 * 1090;
constexpr int KnightPromotionBase = 2 * 355;
constexpr int LastTargetBonus = 10;
constexpr int EnPassantScore = 10;

inline Bitboard promotionSources(Color c) {
    // Pawns one step from promotion.
    return c == White ? Bitboard(0xFF) << 48 : Bitboard(0xFF) << 8;
}

inline Bitboard startRank(Color c) { return c == White ? Bitboard(0xFF) << 8 : Bitboard(0xFF) << 48; }

inline bool knightChecksFrom(const LookupTables& t, Square s, Square enemyKing) {
    return t.knightAttacks[s] & squareBit(enemyKing);
}

inline int captureScore(const Board& b, Square from, Square to, int lastTarget) {
    return OrderValue[b.typeOn(to)] - OrderValue[b.typeOn(from)] + (to == lastTarget ? LastTargetBonus : 0);
}

// Promotions onto `to` (a capture when the square is occupied): the queen
// always, the knight only when it checks at once.
template <typename List>
void addPromotions(const Board& b, List& list, Square from, Square to) {
    const LookupTables& t = tables();
    int taken = OrderValue[b.typeOn(to)];
    list.insert(composeMove(from, to, Queen), taken - OrderValue[Pawn] + QueenPromotionBase);
    if (knightChecksFrom(t, to, b.kingSquare[~b.side()]))
        list.insert(composeMove(from, to, Knight), taken - OrderValue[Pawn] + KnightPromotionBase);
}

inline Bitboard attacksOf(int type, Square s, Bitboard occ) {
    const LookupTables& t = tables();
    switch (type) {
    case Knight: return t.knightAttacks[s];
    case Bishop: return bishopAttacks(s, occ);
    case Rook: return rookAttacks(s, occ);
    case Queen: return queenAttacks(s, occ);
    default: return t.kingAttacks[s];
    }
}

// Moves of the pieces of one type (not pawns) onto the target set, narrowed
// per piece by `allowed(type, from)`.
template <typename Allowed, typename Emit>
void pieceMoves(const Board& b, int type, Bitboard targets, Allowed&& allowed, Emit&& emit) {
    Bitboard occ = b.occupied();
    Bitboard pieces = b.pieces(b.side(), type);
    while (pieces) {
        Square from = popLsb(pieces);
        Bitboard reach = attacksOf(type, from, occ) & targets & allowed(type, from);
        while (reach)
            emit(from, popLsb(reach));
    }
}

template <typename Emit>
void pieceMoves(const Board& b, int type, Bitboard targets, Emit&& emit) {
    pieceMoves(
        b, type, targets, [](int, Square) { return ~Bitboard(0); }, emit);
}

// Quiet moves in generation order: pawn pushes, knights, bishops, rooks,
// queens, castling, king steps away from the enemy king. `allowed(type,
// from)` is the set of targets wanted from that square; leaving the others
// out keeps the order of those that remain.
template <typename Allowed, typename Emit>
void quietMoves(const Board& b, Allowed&& allowed, Emit&& emit) {
    const LookupTables& t = tables();
    Color us = b.side();
    Bitboard occ = b.occupied();
    Bitboard empty = ~occ;
    int step = PawnStep[us];

    // Pawn pushes (pawns about to promote belong to the capture generator).
    Bitboard pawns = b.pieces(us, Pawn) & ~promotionSources(us);
    while (pawns) {
        Square from = popLsb(pawns);
        Square to = from + step;
        if (!(empty & squareBit(to)))
            continue;
        Bitboard wanted = allowed(Pawn, from);
        if (wanted & squareBit(to))
            emit(composeMove(from, to));
        if ((startRank(us) & squareBit(from)) && (empty & squareBit(to + step)) && (wanted & squareBit(to + step)))
            emit(composeMove(from, to + step));
    }
    for (int type = Knight; type <= Queen; ++type)
        pieceMoves(b, type, empty, allowed, [&](Square from, Square to) { emit(composeMove(from, to)); });

    // Castling: the right held and the squares between king and rook empty;
    // attacked squares on the way are the legality test's business.
    Square king = b.kingSquare[us];
    Bitboard wanted = allowed(King, king);
    if (!b.inCheck() && king == KingHome[us]) {
        if ((b.castling & (1 << (us * 2))) && !(t.between[king][ShortRookCorner[us]] & occ) &&
            (wanted & squareBit(king + 2)))
            emit(composeMove(king, king + 2));
        if ((b.castling & (1 << (us * 2 + 1))) && !(t.between[king][LongRookCorner[us]] & occ) &&
            (wanted & squareBit(king - 2)))
            emit(composeMove(king, king - 2));
    }
    Bitboard steps = t.kingAttacks[king] & empty & ~t.kingAttacks[b.kingSquare[~us]] & wanted;
    while (steps)
        emit(composeMove(king, popLsb(steps)));
}

template <typename Emit>
void quietMoves(const Board& b, Emit&& emit) {
    quietMoves(
        b, [](int, Square) { return ~Bitboard(0); }, emit);
}

inline bool isQuietTarget(const Board& b, Move m) {
    return !movePromotion(m) && b.typeOn(moveTo(m)) == 0 &&
           !(b.typeOn(moveFrom(m)) == Pawn && b.enPassant > 0 && moveTo(m) == b.enPassant);
}

// Legality of a move the picker generated itself (evasions included).
inline bool legalGenerated(const Board& b, Move m) { return isLegalFast(b, m); }

// Legality of a move from outside the generator (hash move, killer).
inline bool legalForeign(const Board& b, Move m) {
    if (!m || !isPseudoLegal(b, m))
        return false;
    return b.inCheck() ? isLegal(b, m) : isLegalFast(b, m);
}

// In check, a quiet move can only evade by moving the king or by stepping
// between the king and a single checker: a cheap filter before the full
// legality test.
inline bool mayEvade(const Board& b, Move m) {
    Square king = b.kingSquare[b.side()];
    return moveFrom(m) == king ||
           (!(b.status & DoubleCheck) && (tables().between[king][b.checker] & squareBit(moveTo(m))));
}

}  // namespace

int lastMoveTarget(const Board& b) {
    if (b.ply <= b.setupPly || !b.history)
        return -1;
    const StateEntry& e = b.history[b.ply - 1];
    if (e.flags & NullMoveFlag)
        return -1;
    return moveTo(e.move);
}

void generateCaptures(const Board& b, CaptureList& list, int lastTarget) {
    const LookupTables& t = tables();
    Color us = b.side(), them = ~us;
    Bitboard occ = b.occupied();
    Bitboard victims = b.sides[them].occupied & ~b.pieces(them, King);
    int step = PawnStep[us];
    // The pawns that can take something: a pawn of ours on s attacks v
    // exactly when one of theirs on v would attack s.
    const Bitboard pawns = b.pieces(us, Pawn);
    const Bitboard takers = pawns & pawnAttackSet(them, victims);

    // Promotions: pushes, then captures onto the last rank.
    const Bitboard promoting = pawns & promotionSources(us);
    for (Bitboard p = promoting; p;) {
        Square from = popLsb(p);
        if (!(occ & squareBit(from + step)))
            addPromotions(b, list, from, from + step);
    }
    for (Bitboard p = promoting & takers; p;) {
        Square from = popLsb(p);
        Bitboard hits = t.pawnAttacks[us][from] & victims;
        while (hits)
            addPromotions(b, list, from, popLsb(hits));
    }
    // Every other capture, by the mover's kind; a piece is looked at only
    // when the empty board gives it a victim.
    auto add = [&](Square from, Bitboard hits, int moverValue) {
        while (hits) {
            Square to = popLsb(hits);
            list.insert(composeMove(from, to),
                        OrderValue[b.typeOn(to)] - moverValue + (to == lastTarget ? LastTargetBonus : 0));
        }
    };
    for (Bitboard p = takers & ~promotionSources(us); p;) {
        Square from = popLsb(p);
        add(from, t.pawnAttacks[us][from] & victims, OrderValue[Pawn]);
    }
    for (Bitboard p = b.pieces(us, Knight); p;) {
        Square from = popLsb(p);
        add(from, t.knightAttacks[from] & victims, OrderValue[Knight]);
    }
    for (Bitboard p = b.pieces(us, Bishop); p;) {
        Square from = popLsb(p);
        if (t.bishopEmpty[from] & victims)
            add(from, bishopAttacks(from, occ) & victims, OrderValue[Bishop]);
    }
    for (Bitboard p = b.pieces(us, Rook); p;) {
        Square from = popLsb(p);
        if (t.rookEmpty[from] & victims)
            add(from, rookAttacks(from, occ) & victims, OrderValue[Rook]);
    }
    for (Bitboard p = b.pieces(us, Queen); p;) {
        Square from = popLsb(p);
        if (t.queenEmpty[from] & victims)
            add(from, queenAttacks(from, occ) & victims, OrderValue[Queen]);
    }
    add(b.kingSquare[us], t.kingAttacks[b.kingSquare[us]] & victims, OrderValue[King]);
    // En passant.
    if (b.enPassant > 0) {
        Bitboard enPassantTakers = t.pawnAttacks[them][b.enPassant] & pawns;
        while (enPassantTakers)
            list.insert(composeMove(popLsb(enPassantTakers), b.enPassant), EnPassantScore);
    }
}

template <int N>
void generateQuiets(const Board& b, const HistoryTable& history, ScoredMoveList<N>& list) {
    Color us = b.side();
    uint64_t keys[N];  // written before read: left uninitialised
    int n = 0;
    quietMoves(b, [&](Move m) {
        if (n < N) {
            keys[n] = ScoredMoveList<N>::sortKey(m, history.quietScore(us, moveFrom(m), moveTo(m)), n);
            ++n;
        }
    });
    list.assignSorted(keys, n);
}

void generateEvasionCaptures(const Board& b, CaptureList& list, int lastTarget) {
    const LookupTables& t = tables();
    Color us = b.side(), them = ~us;
    Square king = b.kingSquare[us];
    Bitboard victims = b.sides[them].occupied & ~b.pieces(them, King);

    if (!(b.status & DoubleCheck)) {
        Square checker = b.checker;
        // Pawns take the checker (promoting on the last rank).
        Bitboard pawns = t.pawnAttacks[them][checker] & b.pieces(us, Pawn);
        while (pawns) {
            Square from = popLsb(pawns);
            if (promotionSources(us) & squareBit(from))
                addPromotions(b, list, from, checker);
            else
                list.insert(composeMove(from, checker), captureScore(b, from, checker, lastTarget));
        }
        // The pieces that take it, kind by kind from the lowest square up:
        // a piece on s attacks the checker exactly when one of its kind on the
        // checker's square would attack s.
        const Bitboard occ = b.occupied();
        for (int type = Knight; type <= Queen; ++type) {
            Bitboard takers = b.pieces(us, type);
            if (takers)
                takers &= attacksOf(type, checker, occ);
            while (takers) {
                Square from = popLsb(takers);
                list.insert(composeMove(from, checker), captureScore(b, from, checker, lastTarget));
            }
        }
        // En passant removes a checking pawn, or blocks a slider's line.
        if (b.enPassant > 0) {
            Square victim = b.enPassant + EnPassantVictimOffset[us];
            if (victim == checker || (t.between[king][checker] & squareBit(b.enPassant))) {
                Bitboard takers = t.pawnAttacks[them][b.enPassant] & b.pieces(us, Pawn);
                while (takers)
                    list.insert(composeMove(popLsb(takers), b.enPassant), EnPassantScore);
            }
        }
    }
    Bitboard kingHits = t.kingAttacks[king] & victims;
    while (kingHits) {
        Square to = popLsb(kingHits);
        list.insert(composeMove(king, to), captureScore(b, king, to, lastTarget));
    }
}

template <int N>
void generateQuietEvasions(const Board& b, const HistoryTable& history, ScoredMoveList<N>& list) {
    const LookupTables& t = tables();
    Color us = b.side();
    Square king = b.kingSquare[us];
    Bitboard occ = b.occupied();
    auto add = [&](Square from, Square to) { list.insert(composeMove(from, to), history.quietScore(us, from, to)); };

    if (!(b.status & DoubleCheck)) {
        Bitboard blocks = t.between[king][b.checker];
        if (blocks) {
            int step = PawnStep[us];
            Bitboard pawns = b.pieces(us, Pawn);
            while (pawns) {
                Square from = popLsb(pawns);
                Square to = from + step;
                if (occ & squareBit(to))
                    continue;
                if (blocks & squareBit(to)) {
                    if (promotionSources(us) & squareBit(from)) {
                        int score = history.quietScore(us, from, to);
                        list.insert(composeMove(from, to, Queen), score);
                        if (t.knightAttacks[to] & squareBit(b.kingSquare[~us]))
                            list.insert(composeMove(from, to, Knight), score);
                    } else {
                        add(from, to);
                    }
                } else if ((startRank(us) & squareBit(from)) && (blocks & squareBit(to + step)) &&
                           !(occ & squareBit(to + step))) {
                    add(from, to + step);
                }
            }
            for (int type = Knight; type <= Queen; ++type)
                pieceMoves(b, type, blocks & ~occ, add);
        }
    }
    Bitboard steps = t.kingAttacks[king] & ~occ & ~t.kingAttacks[b.kingSquare[~us]];
    while (steps)
        add(king, popLsb(steps));
}

template <int N>
void generateQuietChecks(const Board& b, const HistoryTable& history, ScoredMoveList<N>& list) {
    const LookupTables& t = tables();
    Color us = b.side();
    // Squares from which each kind would attack the enemy king. A piece that
    // lands elsewhere and does not leave a line through that king cannot
    // check (king moves, castling among them, take the full test).
    Square enemyKing = b.kingSquare[~us];
    Bitboard checkSquares[PieceTypeCount] = {};
    checkSquares[Pawn] = t.pawnAttacks[~us][enemyKing];
    checkSquares[Knight] = t.knightAttacks[enemyKing];
    checkSquares[Bishop] = bishopAttacks(enemyKing, b.occupied());
    checkSquares[Rook] = rookAttacks(enemyKing, b.occupied());
    checkSquares[Queen] = checkSquares[Bishop] | checkSquares[Rook];
    // Pieces that alone stand between one of our sliders and the enemy king:
    // only they can uncover a check by moving off the line.
    const Bitboard occ = b.occupied();
    const Bitboard ownRooks = b.pieces(us, Rook) | b.pieces(us, Queen);
    const Bitboard ownBishops = b.pieces(us, Bishop) | b.pieces(us, Queen);
    Bitboard discoverers = 0;
    for (Bitboard snipers = (t.rookEmpty[enemyKing] & ownRooks) | (t.bishopEmpty[enemyKing] & ownBishops); snipers;) {
        const Bitboard between = t.between[enemyKing][popLsb(snipers)] & occ;
        if (between && !moreThanOne(between))
            discoverers |= between & b.sides[us].occupied;
    }
    // The king checks only by discovery, or by castling (the rook checks).
    const Square king = b.kingSquare[us];
    checkSquares[King] = (king + 2 < 64 ? squareBit(king + 2) : 0) | (king >= 2 ? squareBit(king - 2) : 0);
    auto candidates = [&](int type, Square from) {
        return discoverers & squareBit(from) ? ~Bitboard(0) : checkSquares[type];
    };
    // Any other piece was offered its checking squares only, and checks from
    // any of them: leaving its square opens lines, it never closes one.
    const Bitboard fullTest = discoverers | b.pieces(us, King);
    quietMoves(b, candidates, [&](Move m) {
        if (!(fullTest & squareBit(moveFrom(m))) || quietMoveGivesCheck(b, m))
            list.insert(m, history.quietScore(us, moveFrom(m), moveTo(m)));
    });
}

// The restricted check generator of the deeper quiescence plies. Checks
// there are searched without losing depth, so they must be rare and
// dangerous: none while the search needs material (a quiet check wins none
// by itself, threshold above 0); otherwise the first legal direct check,
// queens first, whose piece survives the exchange on its square and that
// leaves the enemy king at most one flight square.
namespace {

constexpr int MaxFlightSquares = 1;

// Whether the enemy king keeps at most MaxFlightSquares flight squares after
// our piece of `type` lands on `to`: the count stops once it is exceeded,
// and a square's guards are looked for the cheapest first.
bool fewFlightSquares(const Board& b, Square from, Square to, int type) {
    const LookupTables& t = tables();
    Color us = b.side(), them = ~us;
    Square enemyKing = b.kingSquare[them];
    Bitboard occ = ((b.occupied() & ~squareBit(from)) | squareBit(to)) & ~squareBit(enemyKing);
    Bitboard candidates = t.kingAttacks[enemyKing] & ~b.sides[them].occupied & ~squareBit(to);
    // Our other pieces (the mover's old square no longer counts).
    const SideSet& own = b.sides[us];
    const Bitboard others = ~squareBit(from);
    const Bitboard diagonal = (own.pieces[Bishop] | own.pieces[Queen]) & others;
    const Bitboard straight = (own.pieces[Rook] | own.pieces[Queen]) & others;
    int flights = 0;
    while (candidates) {
        Square s = popLsb(candidates);
        if (attacksFrom(t, type, us, to, s, occ))
            continue;
        if (((t.kingAttacks[s] & own.pieces[King]) | (t.pawnAttacks[them][s] & own.pieces[Pawn]) |
             (t.knightAttacks[s] & own.pieces[Knight])) &
            others)
            continue;
        if ((diagonal & t.bishopEmpty[s]) && (bishopAttacks(s, occ) & diagonal))
            continue;
        if ((straight & t.rookEmpty[s]) && (rookAttacks(s, occ) & straight))
            continue;
        if (++flights > MaxFlightSquares)
            return false;
    }
    return true;
}

}  // namespace

Move findSafeQuietCheck(const Board& b, int threshold) {
    if (threshold > 0)
        return NullMove;
    const LookupTables& t = tables();
    Color us = b.side();
    Square enemyKing = b.kingSquare[~us];
    Bitboard occ = b.occupied();
    Bitboard empty = ~occ;

    auto tryMove = [&](Move m, int type) {
        return fewFlightSquares(b, moveFrom(m), moveTo(m), type) && isLegalFast(b, m) && seeAtLeast(b, m, 0);
    };

    for (int type = Queen; type >= Knight; --type) {
        Bitboard pieces = b.pieces(us, type);
        if (!pieces)
            continue;
        Bitboard checkSquares = attacksOf(type, enemyKing, occ) & empty;
        if (!checkSquares)
            continue;
        while (pieces) {
            Square from = popLsb(pieces);
            Bitboard targets = attacksOf(type, from, occ) & checkSquares;
            while (targets) {
                Move m = composeMove(from, popLsb(targets));
                if (tryMove(m, type))
                    return m;
            }
        }
    }
    // Pawn pushes that check (promotions are captures' business).
    Bitboard pawns = b.pieces(us, Pawn) & ~promotionSources(us);
    while (pawns) {
        Square from = popLsb(pawns);
        Square to = from + PawnStep[us];
        if ((empty & squareBit(to)) && (t.pawnAttacks[us][to] & squareBit(enemyKing))) {
            Move m = composeMove(from, to);
            if (tryMove(m, Pawn))
                return m;
        }
    }
    return NullMove;
}

template void generateQuiets(const Board&, const HistoryTable&, QuietList&);
template void generateQuietEvasions(const Board&, const HistoryTable&, QuietList&);
template void generateQuietEvasions(const Board&, const HistoryTable&, ScoredMoveList<QuiescenceCheckCapacity>&);
template void generateQuietChecks(const Board&, const HistoryTable&, ScoredMoveList<QuiescenceCheckCapacity>&);

// ---- Main picker --------------------------------------------------------------

namespace {

// The captures, or in check those that evade it (both pickers' first
// list), ready to be walked.
inline void generateCapturesOrEvasions(const Board& b, CaptureList& list, int lastTarget, bool inCheck) {
    if (inCheck)
        generateEvasionCaptures(b, list, lastTarget);
    else
        generateCaptures(b, list, lastTarget);
    list.rewind();
}

// The quiet moves, or in check the quiet evasions, ready to be walked.
inline void generateQuietsOrEvasions(const Board& b, const HistoryTable& history, QuietList& list, bool inCheck) {
    if (inCheck)
        generateQuietEvasions(b, history, list);
    else
        generateQuiets(b, history, list);
    list.rewind();
}

}  // namespace

void MovePicker::init(Board& board, const HistoryTable& history, Move hashMove, Move killer) {
    board_ = &board;
    history_ = &history;
    hash_ = {Move(hashMove & MoveBits), 0};
    killer_ = {Move(killer & MoveBits), 0};
    if (killer_.move && sameMove(killer_.move, hash_.move))
        killer_.move = NullMove;
    lastTarget_ = lastMoveTarget(board);
    inCheck_ = board.inCheck();
    stage_ = HashStage;
    // In check the lists take the evasion capacities.
    captures_.clear(inCheck_ ? EvasionCapacity : CaptureCapacity);
    badCaptures_.clear(inCheck_ ? EvasionCapacity : BadCaptureCapacity);
    quiets_.clear(inCheck_ ? EvasionCapacity : QuietCapacity);
    badQuiets_.clear(inCheck_ ? EvasionCapacity : BadQuietCapacity);
}

template <bool SkipKiller, typename List, typename BadList>
inline ScoredMove* MovePicker::nextGood(List& list, BadList& bad) {
    Board& b = *board_;
    while (ScoredMove* item = list.next()) {
        if (sameMove(item->move, hash_.move) || (SkipKiller && sameMove(item->move, killer_.move)) ||
            !legalGenerated(b, item->move))
            continue;
        if (seeAtLeast(b, item->move, 0))
            return marked(item);
        bad.append(item->move, item->score);
    }
    return nullptr;
}

// One sequence of stages in check and out of it: in check the generators
// produce only evasions, into lists of the evasion capacities.
ScoredMove* MovePicker::next() {
    Board& b = *board_;
    switch (stage_) {
    // The hash move, if it is (still) a legal move here.
    case HashStage:
        stage_ = GenerateCaptures;
        if (legalForeign(b, hash_.move))
            return marked(&hash_);
        [[fallthrough]];
    // Captures (in check: those that take the checker, and king captures).
    case GenerateCaptures:
        generateCapturesOrEvasions(b, captures_, lastTarget_, inCheck_);
        stage_ = GoodCaptures;
        [[fallthrough]];
    // Captures that hold their own; losing ones are deferred.
    case GoodCaptures:
        if (ScoredMove* item = nextGood<false>(captures_, badCaptures_))
            return item;
        stage_ = KillerStage;
        [[fallthrough]];
    // The killer, when it is a quiet legal move here.
    case KillerStage:
        stage_ = GenerateQuiets;
        if (killer_.move && isQuietTarget(b, killer_.move) && (!inCheck_ || mayEvade(b, killer_.move)) &&
            legalForeign(b, killer_.move))
            return marked(&killer_);
        [[fallthrough]];
    // Quiet moves (in check: interpositions and king steps).
    case GenerateQuiets:
        generateQuietsOrEvasions(b, *history_, quiets_, inCheck_);
        stage_ = GoodQuiets;
        [[fallthrough]];
    // Quiet moves that do not hang the piece; the others are deferred.
    case GoodQuiets:
        if (ScoredMove* item = nextGood<true>(quiets_, badQuiets_))
            return item;
        badCaptures_.rewind();
        badQuiets_.rewind();
        stage_ = BadMoves;
        [[fallthrough]];
    // The deferred moves, unmarked: losing captures, then losing quiet moves.
    case BadMoves:
        if (ScoredMove* item = badCaptures_.next())
            return item;
        // Null once both lists are used up, and on every later call.
        return badQuiets_.next();
    case Done: break;
    }
    return nullptr;
}

// ---- Quiescence picker ----------------------------------------------------------

void QuiescencePicker::init(Board& board, const HistoryTable& history, Move hashMove, int depth) {
    board_ = &board;
    history_ = &history;
    hash_ = {Move(hashMove & MoveBits), 0};
    depth_ = depth < 0 ? depth : 0;
    inCheck_ = board.inCheck();
    stage_ = HashStage;
}

template <typename List>
inline ScoredMove* QuiescencePicker::nextLegal(List& list) {
    while (ScoredMove* item = list.next())
        if (!sameMove(item->move, hash_.move) && legalGenerated(*board_, item->move))
            return item;
    return nullptr;
}

// One sequence of stages in check and out of it. In check: every legal
// evasion, captures first, then quiet evasions in place of the quiet checks.
ScoredMove* QuiescencePicker::next(int threshold) {
    Board& b = *board_;
    switch (stage_) {
    case HashStage:
        stage_ = GenerateCaptures;
        if (legalForeign(b, hash_.move)) {
            hash_.move |= MoveMark;
            return &hash_;
        }
        [[fallthrough]];
    case GenerateCaptures:
        captures_.clear();
        generateCapturesOrEvasions(b, captures_, lastMoveTarget(b), inCheck_);
        stage_ = Captures;
        [[fallthrough]];
    // Captures in score order; the search applies the exchange threshold.
    case Captures:
        if (ScoredMove* item = nextLegal(captures_))
            return item;
        // Then, in check, the quiet evasions. Otherwise quiet checks: all of
        // them at the first quiescence ply, at most one safe-looking one deeper.
        quiets_.clear();
        if (inCheck_) {
            generateQuietEvasions(b, *history_, quiets_);
        } else if (depth_ == 0) {
            generateQuietChecks(b, *history_, quiets_);
        } else if (Move m = findSafeQuietCheck(b, threshold)) {
            quiets_.append(m, 0);
        }
        quiets_.rewind();
        stage_ = Quiets;
        [[fallthrough]];
    case Quiets:
        if (ScoredMove* item = nextLegal(quiets_))
            return item;
        stage_ = Done;
        [[fallthrough]];
    case Done: break;
    }
    return nullptr;
}

}  // namespace NEngine
