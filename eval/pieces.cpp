// Attack records and the knight, bishop, rook and queen terms: king distance,
// king attacks, pins, discovered attacks, mobility, traps and rook files.
#include "eval/bitmasks.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"
#include "eval/traps.h"

namespace NEngine {
namespace {

constexpr int DistanceBonus[8] = {0, 10, 7, 5, 3, 1, 0, -5};

constexpr int KnightMobility[9] = {-30, -15, 3, 5, 7, 8, 10, 12, 14};
constexpr int BishopMobility[14] = {-30, -15, 3, 5, 7, 9, 12, 13, 14, 16, 20, 22, 23, 24};
constexpr int RookMobility[15] = {-30, -15, 5, 8, 12, 16, 21, 25, 27, 29, 30, 31, 32, 33, 34};
constexpr int QueenMobility[32] = {-60, -30, 6,  10, 13, 18, 23, 27, 30, 33, 36, 40, 43, 45, 47, 48,
                                   49,  50,  51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64};

constexpr int KingAttackSquareUnits = 8;
constexpr int QueenAttackSquareUnits = 10;
constexpr int KingAttackBaseUnits = 2;

constexpr int RelativePinPenalty = -15;
constexpr int DiscoveredAttackBonus = 20;
constexpr int TrappedPenalty = -80;
constexpr int HarassedPenalty = -30;  // attacked by a pawn with nowhere to go
constexpr int RookShutInPenalty = -15;
constexpr int RookCornerPenalty = -80;
constexpr int OpenFileCommon = 20, OpenFileEg = 8;
constexpr int HalfOpenFileCommon = 8, HalfOpenFileEg = 3;
constexpr int RookCrampedMobility = 4;  // below this a rook may be shut in
constexpr int TrapMobility = 2;

// Ranks 2-4 and 2-3 as seen by White.
constexpr Bitboard Ranks2To4 = 0x00000000FFFFFF00ULL;
constexpr Bitboard Ranks2To3 = 0x0000000000FFFF00ULL;
constexpr Bitboard ThirdRank[2] = {rankBits(5), rankBits(2)};

template <int N>
inline int mobilityValue(const int (&table)[N], int m) {
    return table[m < N ? m : N - 1];
}

inline Bitboard forColour(Color c, Bitboard whiteView) { return c == White ? whiteView : flipVertical(whiteView); }

// Own pieces standing alone between king k and a slider of `sliders` on a
// line of the slider's kind.
inline Bitboard loneBlockers(Square k, Bitboard rookSliders, Bitboard bishopSliders, Bitboard occupied) {
    const LookupTables& tb = tables();
    Bitboard snipers = (tb.rookEmpty[k] & rookSliders) | (tb.bishopEmpty[k] & bishopSliders);
    Bitboard result = 0;
    while (snipers) {
        const Bitboard between = tb.between[k][popLsb(snipers)] & occupied;
        if (between && !moreThanOne(between))
            result |= between;
    }
    return result;
}

// Whether the piece of colour c on s shields an own rook or queen from an
// enemy slider while an enemy bishop eyes it.
inline bool relativelyPinned(const Board& board, Color c, Square s, Bitboard occupied) {
    const LookupTables& tb = tables();
    // Without an enemy bishop on the piece's diagonals, or an own rook or
    // queen on any of its lines, there is nothing to look up.
    const Bitboard ownHeavy = board.pieces(c, Rook) | board.pieces(c, Queen);
    if (!(tb.bishopEmpty[s] & board.pieces(~c, Bishop)) || !(tb.queenEmpty[s] & ownHeavy))
        return false;
    const Bitboard diagonal = bishopAttacks(s, occupied);
    if (!(diagonal & board.pieces(~c, Bishop)))
        return false;
    const Bitboard enemyQueens = board.pieces(~c, Queen);
    const Bitboard straight = rookAttacks(s, occupied);
    for (Bitboard e = straight & (board.pieces(~c, Rook) | enemyQueens); e;)
        if (straight & tb.beyond[popLsb(e)][s] & ownHeavy)
            return true;
    for (Bitboard e = diagonal & (board.pieces(~c, Bishop) | enemyQueens); e;)
        if (diagonal & tb.beyond[popLsb(e)][s] & ownHeavy)
            return true;
    return false;
}

// A rook kept in its corner by its own king that can no longer castle.
inline bool rookShutIn(const Board& board, Color c, Square s, Bitboard moves) {
    const Square k = board.kingSquare[c];
    if (relativeRank(c, k) != 0)
        return false;
    const bool longSide = fileOf(s) < fileOf(k);
    if (board.castling & (1 << (c * 2 + (longSide ? 1 : 0))))
        return false;
    if (longSide ? fileOf(k) > 3 : fileOf(k) < 4)
        return false;
    const Bitboard zone = forColour(c, longSide ? QueenCornerZone : KingCornerZone);
    if (!(zone & squareBit(s)) || (moves & ~zone))
        return false;
    const Bitboard pawns = board.pieces(c, Pawn);
    const Bitboard edge = fileBits(longSide ? 0 : 7) & forColour(c, Ranks2To4);
    const Bitboard knightFile = fileBits(longSide ? 1 : 6) & forColour(c, Ranks2To3);
    return (pawns & edge) && (pawns & knightFile);
}

// A rook that went into an enemy corner and cannot get out.
inline bool rookInEnemyCorner(const Board& board, Color c, Square s, Bitboard moves) {
    const Bitboard pawns = board.pieces(~c, Pawn);
    for (int wing = 0; wing < 2; ++wing) {
        const Bitboard zone = forColour(~c, wing == 0 ? KingCornerZone : QueenCornerZone);
        if (!(zone & squareBit(s)) || (moves & ~zone))
            continue;
        const Bitboard edge = fileBits(wing == 0 ? 7 : 0) & forColour(~c, Ranks2To4);
        const Bitboard knightFile = fileBits(wing == 0 ? 6 : 1) & forColour(~c, Ranks2To3);
        return (pawns & (edge | knightFile)) != 0;
    }
    return false;
}

}  // namespace

void Evaluator::initAttackRecords(const Board& board) {
    const LookupTables& tb = tables();
    occupied_ = board.occupied();
    empty_ = ~occupied_;
    Bitboard pawnAttacks[2];
    for (Color c : {Black, White})
        pawnAttacks[c] = pawnAttackSet(c, board.pieces(c, Pawn));
    for (Color c : {Black, White}) {
        AttackRecord& r = records_[c];
        const Bitboard ownPawns = board.pieces(c, Pawn);
        const Bitboard ownQueens = board.pieces(c, Queen);
        const Square k = board.kingSquare[c];
        r.kingAttackers = 0;
        r.kingAttackUnits = 0;
        r.running = 0;
        r.kingRunning = 0;
        r.discovered = false;
        r.pawnAttacks = pawnAttacks[c];
        r.pawnDoubleAttacks = pawnDoubleAttackSet(c, ownPawns);
        r.kingAttacks = tb.kingAttacks[k];
        r.kingZone = r.kingAttacks | shiftForward(c, r.kingAttacks);
        r.mobilityArea = ~(ownPawns | squareBit(k) | pawnAttacks[~c]);
        r.xrayBishop = occupied_ & ~(ownQueens | board.pieces(c, Bishop));
        r.xrayRook = occupied_ & ~(ownQueens | board.pieces(c, Rook));
        const Bitboard single = shiftForward(c, ownPawns) & empty_;
        r.pawnPushes = single | (shiftForward(c, single & ThirdRank[c]) & empty_);
        for (Bitboard& b : r.byKind)
            b = 0;
        r.byKind[Pawn] = r.pawnAttacks;
        r.byKind[King] = r.kingAttacks;
        r.all = r.pawnAttacks | r.kingAttacks;
        r.allButKing = r.pawnAttacks;
        r.twice = r.pawnDoubleAttacks | (r.pawnAttacks & r.kingAttacks);
        const Bitboard own = board.sides[c].occupied;
        const Color e = ~c;
        r.pinned = own & loneBlockers(k, board.pieces(e, Rook) | board.pieces(e, Queen),
                                      board.pieces(e, Bishop) | board.pieces(e, Queen), occupied_);
        r.discoverers = own & loneBlockers(board.kingSquare[e], board.pieces(c, Rook) | ownQueens,
                                           board.pieces(c, Bishop) | ownQueens, occupied_);
    }
}

template <int Kind>
ScoreTriple Evaluator::pieceKind(const Board& board, Color c) {
    const LookupTables& tb = tables();
    AttackRecord& me = records_[c];
    const AttackRecord& them = records_[~c];
    const Square ownKing = board.kingSquare[c];
    const Square enemyKing = board.kingSquare[~c];
    const Bitboard ownOcc = board.sides[c].occupied;
    const Bitboard enemyPawns = board.pieces(~c, Pawn);
    const Bitboard enemyPieces = board.sides[~c].occupied & ~enemyPawns & ~squareBit(enemyKing);
    ScoreTriple t;

    for (Bitboard pieces = board.pieces(c, Kind); pieces;) {
        const Square s = popLsb(pieces);
        const Bitboard bit = squareBit(s);

        // 1. Pseudo attacks (sliders see through their own kind and queens).
        Bitboard att;
        if constexpr (Kind == Knight)
            att = tb.knightAttacks[s];
        else if constexpr (Kind == Bishop)
            att = bishopAttacks(s, me.xrayBishop);
        else if constexpr (Kind == Rook)
            att = rookAttacks(s, me.xrayRook);
        else
            att = bishopAttacks(s, me.xrayBishop) | rookAttacks(s, me.xrayRook);
        me.byKind[Kind] |= att;

        // 2. Open and half-open files for rooks, then the distance to the own king.
        if constexpr (Kind == Rook) {
            const Bitboard file = fileBits(fileOf(s));
            if (!(board.pieces(c, Pawn) & file)) {
                if (!(enemyPawns & file)) {
                    t.common += OpenFileCommon;
                    t.eg += OpenFileEg;
                } else {
                    t.common += HalfOpenFileCommon;
                    t.eg += HalfOpenFileEg;
                }
            }
        }
        t.common += DistanceBonus[tb.distance[s][ownKing] & 7];

        // 3. Attacks on the enemy king's zone.
        if (att & them.kingZone) {
            me.kingAttackers++;
            const int perSquare = Kind == Queen ? QueenAttackSquareUnits : KingAttackSquareUnits;
            me.kingAttackUnits += perSquare * popCount(att & tb.kingAttacks[enemyKing]) + KingAttackBaseUnits;
        }

        // 4. Pinned to the own king: no moves (a queen keeps the pin line).
        const bool pinned = (me.pinned & bit) != 0;
        bool relative = false;
        if (pinned)
            att = Kind == Queen ? att & tb.line[ownKing][s] : 0;
        if (!pinned || Kind == Queen) {
            if constexpr (Kind != Queen) {
                // 5. Relative pin against an own rook or queen.
                if (relativelyPinned(board, c, s, occupied_)) {
                    relative = true;
                    me.running += RelativePinPenalty;
                }
                // 6. Moving away uncovers an attack on the enemy king.
                if (me.discoverers & bit) {
                    me.running += DiscoveredAttackBonus;
                    me.discovered = true;
                }
            }
            // 7. Attack counts.
            me.twice |= me.all & att;
            me.all |= att;
            me.allButKing |= att;
        }

        // 8. Mobility.
        Bitboard mobility;
        if constexpr (Kind == Knight || Kind == Bishop)
            mobility = att & (me.mobilityArea | enemyPieces);
        else if constexpr (Kind == Rook)
            mobility = (att & me.mobilityArea & ~(them.byKind[Knight] | them.byKind[Bishop])) |
                       (att & (board.pieces(~c, Rook) | board.pieces(~c, Queen)));
        else
            mobility = (att & me.mobilityArea & ~(them.byKind[Knight] | them.byKind[Bishop] | them.byKind[Rook])) |
                       (att & board.pieces(~c, Queen));
        const int m = popCount(mobility);
        const Bitboard freeSquares = mobility & ~ownOcc;

        if constexpr (Kind == Knight) {
            me.running += mobilityValue(KnightMobility, m);
            // 9. Trapped by enemy pawns.
            if (m < TrapMobility && trapped(knightTraps(), c, s, enemyPawns))
                me.running += TrappedPenalty;
        } else if constexpr (Kind == Bishop) {
            me.running += mobilityValue(BishopMobility, m);
            if (m < TrapMobility && trapped(bishopTraps(), c, s, enemyPawns))
                me.running += TrappedPenalty;
        } else if constexpr (Kind == Rook) {
            me.running += mobilityValue(RookMobility, m);
            if (m < RookCrampedMobility) {
                const Bitboard moves = att & ~ownOcc;
                if (rookShutIn(board, c, s, moves))
                    me.kingRunning += RookShutInPenalty;
                else if (rookInEnemyCorner(board, c, s, moves))
                    me.running += RookCornerPenalty;
            }
        } else {
            me.running += mobilityValue(QueenMobility, m);
        }

        // 10. Attacked by a pawn with no way out.
        if constexpr (Kind == Queen) {
            const Bitboard hunters = them.pawnAttacks | them.byKind[Knight] | them.byKind[Bishop] | them.byKind[Rook];
            if (!(freeSquares & ~(them.byKind[Bishop] | them.byKind[Rook])) && (hunters & bit))
                me.running += HarassedPenalty;
        } else {
            if ((them.pawnAttacks & bit) && (relative || !freeSquares))
                me.running += HarassedPenalty;
        }
    }
    return t;
}

template ScoreTriple Evaluator::pieceKind<Knight>(const Board&, Color);
template ScoreTriple Evaluator::pieceKind<Bishop>(const Board&, Color);
template ScoreTriple Evaluator::pieceKind<Rook>(const Board&, Color);
template ScoreTriple Evaluator::pieceKind<Queen>(const Board&, Color);

__attribute__((flatten)) ScoreTriple Evaluator::pieceTerms(const Board& board, const Bitboard passed[2], bool computed,
                                                           EvalBreakdown* trace) {
    // 1. Piece kinds in order, Black first: later kinds read the attacks of earlier ones.
    ScoreTriple pieces[2];
    for (Color c : {Black, White})
        pieces[c] += pieceKind<Knight>(board, c);
    for (Color c : {Black, White})
        pieces[c] += pieceKind<Bishop>(board, c);
    for (Color c : {Black, White})
        pieces[c] += pieceKind<Rook>(board, c);
    for (Color c : {Black, White})
        pieces[c] += pieceKind<Queen>(board, c);

    // 2. King safety, threats, pawn attacks and passed pawns, White then Black.
    ScoreTriple safety[2], threat[2], passers[2];
    for (Color c : {White, Black})
        safety[c].mg = kingSafety(board, c);
    for (Color c : {White, Black})
        threat[c].common = threats(board, c);
    if (trace)
        for (Color c : {White, Black}) {
            trace->threatsBySide[c] = threat[c].common;
            trace->kingSafetyBySide[c] = safety[c].mg;
        }
    for (Color c : {White, Black})
        threat[c] += pawnAttacks(board, c);
    for (Color c : {White, Black})
        passers[c] = passedPawns(board, c, computed ? passed[c] : board.pieces(c, Pawn));

    // 3. White minus Black, the running piece scores last.
    ScoreTriple pieceSum = pieces[White] - pieces[Black];
    pieceSum.common += records_[White].running - records_[Black].running;
    const ScoreTriple safetySum = safety[White] - safety[Black];
    const ScoreTriple threatSum = threat[White] - threat[Black];
    const ScoreTriple passedSum = passers[White] - passers[Black];
    if (trace) {
        trace->pieces = pieceSum;
        trace->kingSafety = safetySum;
        trace->threats = threatSum;
        trace->passedPawns = passedSum;
        trace->passedBySide[White] = passers[White];
        trace->passedBySide[Black] = passers[Black];
    }
    return pieceSum + safetySum + threatSum + passedSum;
}

}  // namespace NEngine
