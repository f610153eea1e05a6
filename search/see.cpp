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

// A candidate is pinned when taking it away would let an enemy slider behind
// it (and not on the exchange square) reach its own king.
bool pinnedInExchange(const Board& b, Square s, Color side, Bitboard occ, Square to) {
    const LookupTables& t = tables();
    Square king = b.kingSquare[side];
    if (s == king)
        return false;
    int kind = t.lineKind[s][king];
    if (!kind)
        return false;
    Bitboard open = occ & ~squareBit(s);
    Bitboard reach = kind == 1 ? rookAttacks(king, open) : bishopAttacks(king, open);
    return reach & t.beyond[king][s] & slidersOfKind(b, ~side, kind) & occ & ~squareBit(to);
}

// The side's cheapest unpinned attacker of `to` (kings aside). Kinds the
// side has no piece of cost nothing; the queens reuse the slider lookups of
// the bishops and rooks.
bool cheapestAttacker(const Board& b, Square to, Bitboard occ, Color side, Square& from, int& type) {
    const LookupTables& t = tables();
    Bitboard diagonal = 0, straight = 0;
    bool haveDiagonal = false, haveStraight = false;
    for (int kind = Pawn; kind <= Queen; ++kind) {
        const Bitboard own = b.pieces(side, kind) & occ;
        if (!own)
            continue;
        Bitboard reach;
        switch (kind) {
        case Pawn: reach = t.pawnAttacks[~side][to]; break;
        case Knight: reach = t.knightAttacks[to]; break;
        case Bishop:
            reach = diagonal = bishopAttacks(to, occ);
            haveDiagonal = true;
            break;
        case Rook:
            reach = straight = rookAttacks(to, occ);
            haveStraight = true;
            break;
        default:
            if (!haveDiagonal)
                diagonal = bishopAttacks(to, occ);
            if (!haveStraight)
                straight = rookAttacks(to, occ);
            reach = diagonal | straight;
            break;
        }
        Bitboard candidates = reach & own;
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

// Any piece of the side attacking `to` through the occupancy, pins ignored.
bool defends(const Board& b, Square to, Bitboard occ, Color side) {
    const LookupTables& t = tables();
    const SideSet& s = b.sides[side];
    Bitboard hit = (t.pawnAttacks[~side][to] & s.pieces[Pawn]) | (t.knightAttacks[to] & s.pieces[Knight]) |
                   (t.kingAttacks[to] & s.pieces[King]) |
                   (bishopAttacks(to, occ) & (s.pieces[Bishop] | s.pieces[Queen])) |
                   (rookAttacks(to, occ) & (s.pieces[Rook] | s.pieces[Queen]));
    return hit & occ;
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
    if (revealsSlider(b, from, occ, us, enemyKing))
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
            if (!t.lineKind[q][to] && revealsSlider(b, from, occ, us, q))
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

    // 8. The exchange, the opponent first.
    Color side = them;
    bool opponentsFirstTurn = true;
    for (;;) {
        Square attacker = 0;
        int attackerType = 0;
        if (!cheapestAttacker(b, to, occ, side, attacker, attackerType)) {
            // Only the king is left: it may take an undefended piece only.
            Square king = b.kingSquare[side];
            if ((t.kingAttacks[to] & squareBit(king) & occ) && !defends(b, to, occ, ~side)) {
                attacker = king;
                attackerType = King;
            } else {
                if (side == them && opponentsFirstTurn)
                    return true;
                break;
            }
        }
        occ &= ~squareBit(attacker);
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
            if (revealsSlider(b, attacker, occ, us, enemyKing))
                return true;
            if (balance - stake >= threshold)
                return true;
            if (balance < threshold)
                return false;
        }
        opponentsFirstTurn = false;
        side = ~side;
    }
    // 9. The exchange ran out.
    return balance >= threshold;
}

}  // namespace NEngine
