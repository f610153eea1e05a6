// The static exchange test: plays out the captures on one square, cheapest
// attacker first, and answers as soon as the outcome relative to the
// threshold is certain.
#include "search/see.h"

#include "board/movegen.h"
#include "search/scoredmove.h"

namespace NEngine {

namespace {

// A pawn that captures onto its last rank becomes a queen: it stakes this much.
constexpr int PromotingPawnStake = 1000;
constexpr int PromotionGain = 1000;
constexpr int PromotedStake = 1090;
// An en-passant capture wins a pawn at once, nothing more is worked out.
constexpr int EnPassantGain = 91;

inline bool onLastRank(Square s) {
    int rank = rankOf(s);
    return rank == 0 || rank == 7;
}

// The first occupied square of `ray` (a ray leaving `origin`, as the
// geometry tables store them): rays towards higher squares meet their
// nearest square at the low end, the others at the high end.
inline Square nearestOn(Bitboard ray, Square origin, Square towards) { return towards > origin ? lsb(ray) : msb(ray); }

// Whether taking v out of the occupancy lets a slider of colour c reach k:
// nothing stands between k and v, and the first piece beyond v is one of
// c's sliders of the line's kind. Only pieces still in the occupancy count:
// in an exchange, a piece that has already captured on the square no longer
// stands where it started.
inline bool uncovers(const Board& b, Square v, Bitboard occ, Color c, Square k) {
    const LookupTables& t = tables();
    const int kind = t.lineKind[v][k];
    if (!kind || (t.between[k][v] & occ))
        return false;
    const Bitboard beyond = t.beyond[k][v] & occ;
    return beyond && (slidersOfKind(b, c, kind) & squareBit(nearestOn(beyond, k, v)));
}

// A candidate is pinned when taking it away would let an enemy slider behind
// it (and not on the exchange square) reach its own king.
inline bool pinnedInExchange(const Board& b, Square s, Color side, Bitboard occ, Square to) {
    const LookupTables& t = tables();
    const Square king = b.kingSquare[side];
    const int kind = t.lineKind[s][king];
    if (!kind || (t.between[king][s] & occ))
        return false;
    const Bitboard beyond = t.beyond[king][s] & occ;
    if (!beyond)
        return false;
    const Square pinner = nearestOn(beyond, king, s);
    return pinner != to && (slidersOfKind(b, ~side, kind) & squareBit(pinner));
}

// Every piece of both sides (kings included) that attacks `to` through the
// occupancy, pins ignored. Slider lookups only where a slider stands on an
// empty-board line through the square.
inline Bitboard attackersOf(const Board& b, Square to, Bitboard occ) {
    const LookupTables& t = tables();
    const SideSet& white = b.sides[White];
    const SideSet& black = b.sides[Black];
    Bitboard found = (t.pawnAttacks[Black][to] & white.pieces[Pawn]) | (t.pawnAttacks[White][to] & black.pieces[Pawn]) |
                     (t.knightAttacks[to] & (white.pieces[Knight] | black.pieces[Knight])) |
                     (t.kingAttacks[to] & (white.pieces[King] | black.pieces[King]));
    const Bitboard diagonal = (bishopLike(b, White) | bishopLike(b, Black)) & t.bishopEmpty[to] & occ;
    if (diagonal)
        found |= bishopAttacks(to, occ) & diagonal;
    const Bitboard straight = (rookLike(b, White) | rookLike(b, Black)) & t.rookEmpty[to] & occ;
    if (straight)
        found |= rookAttacks(to, occ) & straight;
    return found & occ;
}

// The slider, of either side, that the piece leaving `gone` uncovers onto
// `to`: the first piece beyond it on their line, if it moves along that line.
inline Bitboard xrayBehind(const Board& b, Square to, Square gone, Bitboard occ) {
    const LookupTables& t = tables();
    const int kind = t.lineKind[to][gone];
    if (!kind)
        return 0;
    const Bitboard beyond = t.beyond[to][gone] & occ;
    if (!beyond)
        return 0;
    const Bitboard next = squareBit(nearestOn(beyond, to, gone));
    return next & (slidersOfKind(b, White, kind) | slidersOfKind(b, Black, kind));
}

// The side's cheapest unpinned attacker among `own` (its attackers of `to`,
// kings aside): by kind, pawns first, then from the lowest square up.
inline bool cheapestAttacker(const Board& b, Square to, Bitboard own, Bitboard occ, Color side, Square& from,
                             int& type) {
    for (int kind = Pawn; kind <= Queen && own; ++kind) {
        Bitboard candidates = own & b.pieces(side, kind);
        own &= ~candidates;
        while (candidates) {
            Square s = popLsb(candidates);
            if (!pinnedInExchange(b, s, side, occ, to)) {
                from = s;
                type = kind;
                return true;
            }
        }
    }
    return false;
}

// Whether any piece of the side (its king included) attacks `to` through the
// occupancy.
inline bool attackedBy(const Board& b, Square to, Bitboard occ, Color side) {
    const LookupTables& t = tables();
    const SideSet& s = b.sides[side];
    const Bitboard near = (t.pawnAttacks[~side][to] & s.pieces[Pawn]) | (t.knightAttacks[to] & s.pieces[Knight]) |
                          (t.kingAttacks[to] & s.pieces[King]);
    if (near & occ)
        return true;
    const Bitboard diagonal = s.pieces[Bishop] | s.pieces[Queen], straight = s.pieces[Rook] | s.pieces[Queen];
    return ((diagonal & t.bishopEmpty[to] & occ) && (bishopAttacks(to, occ) & diagonal & occ)) ||
           ((straight & t.rookEmpty[to] & occ) && (rookAttacks(to, occ) & straight & occ));
}

}  // namespace

bool quietMoveGivesCheck(const Board& b, Move move) {
    const LookupTables& t = tables();
    Square from = moveFrom(move), to = moveTo(move);
    Color us = b.side();
    Square enemyKing = b.kingSquare[~us];
    int type = b.typeOn(from);
    Bitboard occ = (b.occupied() & ~squareBit(from)) | squareBit(to);
    if (type == King && (to - from == 2 || from - to == 2)) {
        // Castling: the rook lands beside the king's new square.
        Square rookFrom = to > from ? from + 3 : from - 4;
        Square rookTo = (from + to) / 2;
        Bitboard after = (occ & ~squareBit(rookFrom)) | squareBit(rookTo);
        return rookAttacks(rookTo, after) & squareBit(enemyKing);
    }
    int landing = movePromotion(move) ? movePromotion(move) : type;
    if (attacksFrom(t, landing, us, to, enemyKing, occ))
        return true;
    // Discovered check: the piece leaves a line to the king without staying on it.
    if (t.lineKind[from][enemyKing] && !(t.line[from][enemyKing] & squareBit(to)))
        return revealsSlider(b, from, occ, us, enemyKing);
    return false;
}

bool seeAtLeast(const Board& b, Move move, int threshold) {
    const LookupTables& t = tables();
    Square from = moveFrom(move), to = moveTo(move);
    Color us = b.side(), them = ~us;
    int moverType = b.typeOn(from);
    int capturedType = b.typeOn(to);
    Square enemyKing = b.kingSquare[them];

    // 1. A capture that already wins enough whatever follows.
    if (capturedType && OrderValue[capturedType] - OrderValue[moverType] >= threshold)
        return true;

    // 2. En passant wins a pawn; only large thresholds need more thought.
    bool enPassant = moverType == Pawn && !capturedType && b.enPassant > 0 && to == b.enPassant;
    if (enPassant && threshold < EnPassantGain)
        return true;

    // 3. The exchange occupancy; a discovered check wins whatever is at stake.
    Bitboard occ = (b.occupied() | squareBit(to)) & ~squareBit(from);
    if (enPassant)
        occ &= ~squareBit(to + EnPassantVictimOffset[us]);
    // Nothing of the opponent's bears on the square: a move that needs to
    // gain nothing holds its own, and every rule below would say so (the
    // exchange ends before it starts). Most quiet moves end here.
    if (threshold <= 0 && !enPassant && !attackedBy(b, to, occ, them))
        return true;
    if (uncovers(b, from, occ, us, enemyKing))
        return true;

    // The direct check is worked out only when a rule below needs it.
    int landing = movePromotion(move) ? movePromotion(move) : moverType;
    bool queenRule = moverType != Queen && b.pieces(them, Queen);
    bool directCheck = (queenRule || threshold > 0) && attacksFrom(t, landing, us, to, enemyKing, occ);

    // 4. Uncovering an attack on the queen while checking wins the queen.
    if (queenRule && directCheck) {
        Bitboard queens = b.pieces(them, Queen);
        while (queens) {
            Square q = popLsb(queens);
            if (!t.lineKind[q][to] && uncovers(b, from, occ, us, q))
                return true;
        }
    }

    // 5. A checking move gains the tempo: it only has to hold its own.
    if (threshold > 0 && directCheck)
        threshold = 0;

    // 6. En passant with a large threshold.
    if (enPassant)
        return threshold < EnPassantGain;

    // 7. What the move takes and what it puts at stake.
    int balance = OrderValue[capturedType];
    int stake = OrderValue[moverType];
    if (moverType == Pawn && onLastRank(to)) {
        balance += PromotionGain;
        stake = PromotedStake;
    }
    if (balance < threshold)
        return false;

    // 8. The exchange, the opponent first. The attackers of the square are
    // gathered once; a capture takes its piece out and adds the slider it
    // uncovers behind it, if any.
    Bitboard attackers = attackersOf(b, to, occ);
    Color side = them;
    bool opponentsFirstTurn = true;
    for (;;) {
        const Bitboard own = attackers & b.sides[side].occupied;
        Square attacker = 0;
        int attackerType = 0;
        if (!cheapestAttacker(b, to, own, occ, side, attacker, attackerType)) {
            // Only the king is left: it may take an undefended piece only.
            if ((own & b.pieces(side, King)) && !(attackers & b.sides[~side].occupied)) {
                attacker = b.kingSquare[side];
                attackerType = King;
            } else {
                if (side == them && opponentsFirstTurn)
                    return true;
                break;
            }
        }
        occ &= ~squareBit(attacker);
        attackers &= ~squareBit(attacker);
        int value = (attackerType == Pawn && onLastRank(to)) ? PromotingPawnStake : OrderValue[attackerType];
        if (side == them) {
            balance -= stake;
            stake = value;
            if (attackerType == King)
                break;
            if (balance + stake < threshold)
                return false;
            if (balance >= threshold)
                return true;
        } else {
            balance += stake;
            stake = value;
            if (attackerType == King)
                break;
            if (uncovers(b, attacker, occ, us, enemyKing))
                return true;
            if (balance - stake >= threshold)
                return true;
            if (balance < threshold)
                return false;
        }
        attackers |= xrayBehind(b, to, attacker, occ);
        opponentsFirstTurn = false;
        side = ~side;
    }
    // 9. The exchange ran out.
    return balance >= threshold;
}

}  // namespace NEngine
