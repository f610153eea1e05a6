// King safety: the attack on the enemy king built from the attack records,
// safe checks, discovered pawn pushes and weak squares around the king.
#include <algorithm>

#include "eval/bitmasks.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

constexpr int PawnZoneUnits = 8;
constexpr int DiscoveredPushWeight = 20;
constexpr int DiscoveredPushHitWeight = 100;  // the pushed pawn also hits a piece
constexpr int MinorCheckWeight = 45;          // knight or bishop
constexpr int DiscoveredCheckWeight = 20;
constexpr int RookCheckWeight = 65;
constexpr int QueenCheckWeight = 85;
constexpr int UnsafeCheckWeight = 5;
constexpr int KnightMateWeight = 45;
constexpr int SliderMateWeight = 150;
constexpr int AttackerCountCap = 7;
constexpr int AttackerWeight[AttackerCountCap + 1] = {0, 0, 12, 32, 36, 40, 42, 44};
constexpr int KingOnlyDefended = 20;
constexpr int ZoneSquareWeight = 20;
constexpr int UnsafeCheckX = 32;
constexpr int CheckKindCap = 4;
constexpr int CheckKindWeight[CheckKindCap + 1] = {0, 32, 64, 64, 64};
constexpr int SafeCheckSquareWeight = 12;
constexpr int WeakQuadrantSquare = 5;
constexpr int QuadrantSquare = 2;
constexpr int MinAttackingPieces = 3;

constexpr int CheckKinds[4] = {Knight, Bishop, Rook, Queen};

}  // namespace

int Evaluator::kingSafety(const Board& board, Color c) {
    const LookupTables& tb = tables();
    AttackRecord& me = records_[c];
    const AttackRecord& them = records_[~c];
    const Color e = ~c;
    const Square K = board.kingSquare[e];
    const Bitboard ring = tb.kingAttacks[K];
    const Bitboard zone = them.kingZone;
    const Bitboard enemyPawns = board.pieces(e, Pawn);
    const Bitboard enemyOcc = board.sides[e].occupied;
    const Bitboard enemyTargets = enemyOcc & ~enemyPawns & ~squareBit(K);

    // 1. King and pawns join the attack.
    if (me.kingAttacks & ring)
        me.kingAttackers++;
    if (me.pawnAttacks & ring)
        me.kingAttackers++;
    me.kingAttackUnits += PawnZoneUnits * popCount(me.pawnAttacks & zone & (enemyPawns | ring));

    // 2. A pawn push that uncovers a slider on the king's rank or diagonal.
    int checkWeight = 0;
    const Bitboard ownPawns = board.pieces(c, Pawn);
    const Bitboard ownQueens = board.pieces(c, Queen);
    Bitboard sliders = (tb.rookEmpty[K] & rankBits(rankOf(K)) & (board.pieces(c, Rook) | ownQueens)) |
                       (tb.bishopEmpty[K] & (board.pieces(c, Bishop) | ownQueens));
    while (sliders) {
        const Bitboard between = tb.between[K][popLsb(sliders)] & occupied_;
        if (!between || moreThanOne(between) || !(between & ownPawns))
            continue;
        const Square push = lsb(between) + forwardStep(c);
        if (push < 0 || push > 63 || (occupied_ & squareBit(push)))
            continue;
        me.discovered = true;
        const int w = (tb.pawnAttacks[c][push] & enemyTargets) ? DiscoveredPushHitWeight : DiscoveredPushWeight;
        checkWeight = std::max(checkWeight, w);
    }

    // 3. Too little material to mate: units and the second running score only.
    const uint8_t* count = board.sides[c].count;
    if (count[Queen] == 0 && count[Rook] <= 1 && count[Knight] + count[Bishop] + count[Rook] < MinAttackingPieces)
        return me.kingRunning + me.kingAttackUnits;

    // 4. Safe checks: reachable checking squares the enemy does not guard, or
    // guards with the king alone while we attack them twice.
    const Bitboard kingOnly = them.kingAttacks & ~them.allButKing;
    const Bitboard safeMask = ~them.all | (kingOnly & me.twice);
    const Bitboard diagonal = bishopAttacks(K, occupied_);
    const Bitboard straight = rookAttacks(K, occupied_);
    const Bitboard checkFrom[4] = {tb.knightAttacks[K], diagonal, straight, diagonal | straight};
    Bitboard safe[4];
    Bitboard safeUnion = 0, unsafe = 0;
    int safeKinds = 0;
    for (int i = 0; i < 4; ++i) {
        const Bitboard reach = checkFrom[i] & me.byKind[CheckKinds[i]];
        safe[i] = reach & safeMask;
        unsafe |= reach & ~safeMask;
        safeUnion |= safe[i];
        safeKinds += safe[i] != 0;
    }
    const bool unsafeOnly = safeKinds == 0 && unsafe != 0;
    if (unsafeOnly)
        checkWeight += UnsafeCheckWeight;
    else
        checkWeight += MinorCheckWeight * ((safe[0] != 0) + (safe[1] != 0)) + DiscoveredCheckWeight * me.discovered +
                       (safe[2] ? RookCheckWeight : 0) + (safe[3] ? QueenCheckWeight : 0);

    // A safe check after which the king has no flight square (and a slider's
    // check cannot be blocked) weighs more; only the first one found counts.
    const Bitboard blockers =
        them.byKind[Knight] | them.byKind[Bishop] | them.byKind[Rook] | them.byKind[Queen] | them.pawnPushes;
    const Bitboard withoutKing = occupied_ & ~squareBit(K);
    // The king's squares that neither its own pieces fill nor we attack; the
    // checker must cover each of them. A square out of the checker's lines
    // on an empty board leaves a flight without any lookup.
    const Bitboard openRing = ring & ~enemyOcc & ~me.all;
    bool mateFound = false;
    for (int i = 0; i < 4 && !mateFound; ++i) {
        for (Bitboard b = safe[i]; b && !mateFound;) {
            const Square s = popLsb(b);
            const Bitboard open = openRing & ~squareBit(s);
            Bitboard covered;
            switch (CheckKinds[i]) {
            case Knight: covered = tb.knightAttacks[s]; break;
            case Bishop:
                if (open & ~tb.bishopEmpty[s])
                    continue;
                covered = bishopAttacks(s, withoutKing);
                break;
            case Rook:
                if (open & ~tb.rookEmpty[s])
                    continue;
                covered = rookAttacks(s, withoutKing);
                break;
            default:
                if (open & ~tb.queenEmpty[s])
                    continue;
                covered = queenAttacks(s, withoutKing);
                break;
            }
            const Bitboard flights = open & ~covered;
            if (flights)
                continue;
            if (CheckKinds[i] != Knight && (tb.between[s][K] & blockers))
                continue;
            checkWeight += CheckKinds[i] == Knight ? KnightMateWeight : SliderMateWeight;
            mateFound = true;
        }
    }

    // 5. Attack weight W.
    const Bitboard aloneDefended = ring & me.all & ~them.allButKing;
    const int W = AttackerWeight[std::min(me.kingAttackers, AttackerCountCap)] +
                  KingOnlyDefended * popCount(aloneDefended) +
                  ((ZoneSquareWeight * popCount(zone & me.all & ~aloneDefended)) >> 3);

    // 6. Check weight X.
    const int n = std::min(safeKinds + int(me.discovered), CheckKindCap);
    const int X =
        ((unsafeOnly ? UnsafeCheckX : 0) + W) / 2 + CheckKindWeight[n] + SafeCheckSquareWeight * popCount(safeUnion);

    // 7. Weak squares in the king's quadrant and the one beside it.
    const Bitboard weak = (me.twice & ~them.twice) | (me.all & ~them.allButKing);
    const Bitboard enemyHalf = c == White ? BlackHalf : WhiteHalf;
    const Bitboard kingFiles = fileOf(K) < 4 ? QueenSideFiles : KingSideFiles;
    const Bitboard quadrant = enemyHalf & kingFiles;
    const Bitboard besideQuadrant = enemyHalf & ~kingFiles;
    const Bitboard weakUnguarded = weak & ~them.pawnAttacks;

    // 8. The sum.
    const int xPart = me.kingAttackers ? X : X >> 3;
    const int result =
        ((me.kingAttackUnits * W + xPart * checkWeight) >> 5) +
        WeakQuadrantSquare * popCount(weakUnguarded & quadrant) +
        QuadrantSquare * (popCount(quadrant & me.all & ~weakUnguarded) + popCount(weakUnguarded & besideQuadrant));
    return result + me.kingRunning;
}

}  // namespace NEngine
