// Passed and candidate pawns: free path, blockers, majors behind the pawn and
// the unstoppable seventh-rank pawn.
#include "eval/bitmasks.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

constexpr int OwnMajorBehind = 5;
constexpr int EnemyMajorBehind = -5;
constexpr int SeventhRank = 6;         // relative rank index of the seventh rank
constexpr int FreeSeventhBonus = 115;  // a free pawn one step from promotion

// The squares behind (towards colour c's own side) a pawn of the set, on
// the same file: a pawn of colour c there has a pawn in front of it.
inline Bitboard behindPawns(Color c, Bitboard pawns) {
    Bitboard b = c == White ? pawns >> 8 : pawns << 8;
    if (c == White) {
        b |= b >> 8;
        b |= b >> 16;
        b |= b >> 32;
    } else {
        b |= b << 8;
        b |= b << 16;
        b |= b << 32;
    }
    return b;
}

}  // namespace

ScoreTriple Evaluator::passedPawns(const Board& board, Color c, Bitboard candidates) const {
    ScoreTriple t;
    // Only pawns with no pawn in front of them on their file are looked at.
    candidates &= ~behindPawns(c, board.pieces(White, Pawn) | board.pieces(Black, Pawn));
    if (!candidates)
        return t;
    const LookupTables& tb = tables();
    const AttackRecord& me = records_[c];
    const AttackRecord& them = records_[~c];
    const Bitboard ownPawns = board.pieces(c, Pawn);
    const Bitboard enemyPawns = board.pieces(~c, Pawn);
    const Bitboard ownMajors = board.pieces(c, Rook) | board.pieces(c, Queen);
    const Bitboard majors = ownMajors | board.pieces(~c, Rook) | board.pieces(~c, Queen);
    const Bitboard enemyOcc = board.sides[~c].occupied;
    const bool toMove = board.side() == c;
    // The squares that block a path when no rook or queen stands behind the pawn.
    const Bitboard plainBlocked = (enemyOcc | (them.all & ~me.all) | (them.twice & ~me.twice)) & ~me.pawnAttacks;

    while (candidates) {
        const Square p = popLsb(candidates);
        const Bitboard span = tb.frontSpan[c][p];
        const int r = relativeRank(c, p);
        const int rankBonus = passedRankBonus(r);

        // 1. Control of the path.
        Bitboard enemyControl = them.all;
        Bitboard blocked = span & plainBlocked;

        // 2. The nearest rook or queen behind the pawn pushes it or holds it back.
        int bonus = 0;
        const Bitboard behind = tb.frontSpan[~c][p] & majors;
        if (behind) {
            const Square m = c == White ? msb(behind) : lsb(behind);
            if (!(tb.between[m][p] & occupied_)) {
                Bitboard ownControl = me.all, ownTwice = me.twice;
                Bitboard enemyTwice = them.twice;
                const Bitboard fileAttacks = rookAttacks(m, occupied_ & ~ownPawns) & fileBits(fileOf(p));
                if (ownMajors & squareBit(m)) {
                    ownControl |= fileAttacks;
                    ownTwice |= fileAttacks;
                    bonus = OwnMajorBehind;
                } else {
                    enemyControl |= fileAttacks;
                    enemyTwice |= fileAttacks;
                    bonus = EnemyMajorBehind;
                }
                // 3. Blocked squares of the path.
                blocked = span & (enemyOcc | (enemyControl & ~ownControl) | (enemyTwice & ~ownTwice)) & ~me.pawnAttacks;
            }
        }

        int e;
        if (blocked) {
            // 4. Partial credit for the free stretch before the first blocked square.
            const Square b = c == White ? lsb(blocked) : msb(blocked);
            const int k = relativeRank(c, b) - r - 1;
            e = k > 0 ? rankBonus * k / (7 - r) : 0;
            bonus += e;
        } else {
            // 5. A free path; on the seventh rank it may be unstoppable.
            e = rankBonus;
            bonus += e;
            const bool hitWhileWaiting = (enemyControl & squareBit(p)) && !toMove;
            if (r == SeventhRank && !hitWhileWaiting && !(span & (occupied_ | enemyControl)))
                bonus += FreeSeventhBonus;
        }

        // 6. Candidates (enemy pawns still on the passed mask) count half.
        if (enemyPawns & tb.passedMask[c][p]) {
            bonus >>= 1;
            e >>= 1;
        }
        t.common += bonus;
        t.eg += e;
    }
    return t;
}

}  // namespace NEngine
