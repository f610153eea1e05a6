// Threats against enemy pieces, and attacks on enemy pawns.
#include "eval/bitmasks.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

constexpr int MultipleHits = 65;
constexpr int SingleHit = 16, SingleHitToMove = 32;
constexpr int MultiplePushHits = 32;
constexpr int SinglePushHit = 4, SinglePushHitToMove = 8;
constexpr int RookOnQueen = 15, RookOnQueenToMove = 30;
constexpr int HangingWeight = 10;
constexpr int AttackedWeight = 10;  // divided by four

constexpr int DefendedPawnHit = 1;
constexpr int LoosePawnHit = 6;
constexpr int GuardedPawnHit = 2;
constexpr int BishopColourPawn = 3;

inline int hits(Bitboard targets, int single, int singleToMove, int multiple, bool toMove) {
    if (!targets)
        return 0;
    if (moreThanOne(targets))
        return multiple;
    return toMove ? singleToMove : single;
}

}  // namespace

int Evaluator::threats(const Board& board, Color c) const {
    const AttackRecord& me = records_[c];
    const AttackRecord& them = records_[~c];
    const Color e = ~c;
    const bool toMove = board.side() == c;
    const Bitboard heavy = board.pieces(e, Rook) | board.pieces(e, Queen);
    const Bitboard targets = board.pieces(e, Knight) | board.pieces(e, Bishop) | heavy;

    // 1. Pawns hitting pieces, now and after a safe push.
    const Bitboard pawnHits = me.pawnAttacks & targets;
    int score = hits(pawnHits, SingleHit, SingleHitToMove, MultipleHits, toMove);
    const Bitboard safePushes = me.pawnPushes & ~them.pawnAttacks & (~them.all | me.all);
    score += hits(pawnAttackSet(c, safePushes) & targets, SinglePushHit, SinglePushHitToMove, MultiplePushHits, toMove);

    // 2. Minor pieces hitting majors, rooks hitting queens.
    const Bitboard knightHits = me.byKind[Knight] & heavy;
    const Bitboard bishopHits = me.byKind[Bishop] & heavy;
    const Bitboard rookHits = me.byKind[Rook] & board.pieces(e, Queen);
    score += hits(knightHits, SingleHit, SingleHitToMove, MultipleHits, toMove);
    score += hits(bishopHits, SingleHit, SingleHitToMove, MultipleHits, toMove);
    if (rookHits)
        score += toMove ? RookOnQueenToMove : RookOnQueen;

    // 3. The other attacked pieces: hanging or merely attacked.
    const Bitboard rest = targets & ~(pawnHits | knightHits | bishopHits | rookHits);
    const Bitboard hanging = rest & ((me.twice & ~them.twice) | (me.all & ~them.all));
    const Bitboard attacked = rest & me.all & ~hanging;
    int loose = HangingWeight * popCount(hanging) + (AttackedWeight * popCount(attacked)) / 4;
    if (loose >= 1 && toMove)
        loose += loose / 2;
    return score + loose;
}

ScoreTriple Evaluator::pawnAttacks(const Board& board, Color c) const {
    const AttackRecord& me = records_[c];
    const AttackRecord& them = records_[~c];
    const Bitboard enemyPawns = board.pieces(~c, Pawn);
    const Bitboard defended = enemyPawns & them.pawnAttacks;
    const Bitboard undefended = enemyPawns & ~defended;
    const Bitboard pieceHits = me.all & ~me.pawnAttacks;
    ScoreTriple t;
    t.common = DefendedPawnHit * popCount(pieceHits & defended) +
               LoosePawnHit * popCount(pieceHits & undefended & ~them.all) +
               GuardedPawnHit * popCount(pieceHits & undefended & them.all);
    // Loose pawns out of reach on the colour of an own bishop are endgame targets.
    const Bitboard bishops = board.pieces(c, Bishop);
    const Bitboard outOfReach = undefended & ~pieceHits;
    if (bishops & LightSquares)
        t.eg += BishopColourPawn * popCount(outOfReach & LightSquares);
    if (bishops & DarkSquares)
        t.eg += BishopColourPawn * popCount(outOfReach & DarkSquares);
    return t;
}

}  // namespace NEngine
