// Pawn structure of one side: doubled, isolated, connected, backward, weak
// and unsupported pawns, and open pawns (candidates and passed pawns).
#include "eval/bitmasks.h"
#include "eval/evalterms.h"

namespace NEngine {
namespace {

constexpr int DoubledMg = 12, DoubledEg = 10;  // per pawn on the file, one counted free
constexpr int IsolatedMg = -15, IsolatedEg = -13;
constexpr int ConnectedMg = 3, ConnectedEg = 2;
constexpr int BackwardMg = -10, BackwardEg = -9;
constexpr int WeakMg = -6, WeakEg = -3;
constexpr int UnsupportedMg = -5, UnsupportedEg = -3;
constexpr int PassedKingDistanceEg = 3;
// Ranks on which a backward-looking pawn with its way clear is still called
// backward when an own pawn stands in front of it (White 1-6, Black 5-8).
constexpr Bitboard BackwardBlockedRanks[2] = {0xFFFFFFFF00000000ULL, 0x0000FFFFFFFFFFFFULL};

// Whether a pawn of colour c can safely go to `target`: no enemy pawn there,
// an own pawn guards it, and enemy pawns attack it no more often than own
// pawns guard it.
inline bool safeAdvance(Color c, Square target, Bitboard own, Bitboard enemy, Bitboard ownAttacks,
                        Bitboard enemyAttacks) {
    const Bitboard t = squareBit(target);
    if ((enemy & t) || !(ownAttacks & t))
        return false;
    if (!(enemyAttacks & t))
        return true;
    const int attackers = popCount(tables().pawnAttacks[c][target] & enemy);
    const int guards = popCount(tables().pawnAttacks[~c][target] & own);
    return attackers <= guards;
}

}  // namespace

ScoreTriple pawnStructure(const Board& board, Color c, Bitboard& passed) {
    const LookupTables& tb = tables();
    const Bitboard own = board.pieces(c, Pawn);
    const Bitboard enemy = board.pieces(~c, Pawn);
    const Bitboard ownAttacks = pawnAttackSet(c, own);
    const Bitboard enemyAttacks = pawnAttackSet(~c, enemy);
    // Squares the enemy pawns hold or control without an own pawn to contest them.
    const Bitboard enemyControlled = enemy | (enemyAttacks & ~ownAttacks);
    const int step = forwardStep(c);
    const Square ownKing = board.kingSquare[c];
    const Square enemyKing = board.kingSquare[~c];
    int filesSeen = 0;
    ScoreTriple t;

    for (Bitboard rest = own; rest;) {
        const Square s = popLsb(rest);
        const int file = fileOf(s), rank = rankOf(s);
        const int rr = relativeRank(c, s);
        const Bitboard bit = squareBit(s);
        // Pawns never stand on their first or last rank in accepted positions;
        // should one ever get here, it is skipped rather than stepped off the board.
        assert(rr >= 1 && rr <= 6);
        if (rr < 1 || rr > 6)
            continue;

        // 1. Doubled pawns, once per file.
        if (!(filesSeen & (1 << file))) {
            filesSeen |= 1 << file;
            const int onFile = popCount(own & fileBits(file));
            t.mg += DoubledMg - DoubledMg * onFile;
            t.eg += DoubledEg - DoubledEg * onFile;
        }

        // 2. Isolated and connected pawns.
        const Bitboard neighbours = own & adjacentFiles(file);
        const bool isolated = neighbours == 0;
        if (isolated) {
            t.mg += IsolatedMg;
            t.eg += IsolatedEg;
        }
        const Bitboard nearRanks =
            rankBits(rank) | (rank > 0 ? rankBits(rank - 1) : 0) | (rank < 7 ? rankBits(rank + 1) : 0);
        if (neighbours & nearRanks) {
            t.mg += ConnectedMg;
            t.eg += ConnectedEg;
        }

        // 3. Backward, weak and unsupported pawns.
        if (!isolated) {
            bool backward = false;
            const Bitboard ahead = ranksAhead(c, rank);
            if (!(neighbours & ~ahead)) {
                // All neighbours stand ahead: t is where the nearest would guard it.
                Square target = promotionSquare(c, s);
                if (neighbours) {
                    const Square nearest = c == White ? lsb(neighbours) : msb(neighbours);
                    const int guardRank = rankOf(nearest) + (c == White ? 1 : -1);
                    if (guardRank >= 0 && guardRank <= 7)
                        target = makeSquare(file, guardRank);
                }
                const int span = rankOf(target) > rank ? rankOf(target) - rank : rank - rankOf(target);
                if (tb.between[s][target] & enemyControlled)
                    backward = true;
                else if (span < 3 && (BackwardBlockedRanks[c] & bit)) {
                    const Square front = s + step;
                    const Square beyond = front + step;
                    backward = (own & squareBit(front)) && (enemyControlled & squareBit(beyond));
                }
            }

            if (backward) {
                t.mg += BackwardMg;
                t.eg += BackwardEg;
            } else {
                const bool defended = (ownAttacks & bit) != 0;
                bool weak = !defended;
                // It can advance to a guarded square ...
                if (weak && safeAdvance(c, s + step, own, enemy, ownAttacks, enemyAttacks))
                    weak = false;
                // ... or double-step to one from its second rank ...
                if (weak && rr == 1 && safeAdvance(c, s + 2 * step, own, enemy, ownAttacks, enemyAttacks))
                    weak = false;
                // ... or a neighbour from behind can come up beside it.
                for (int df = -1; weak && df <= 1; df += 2) {
                    const int f = file + df;
                    if (f < 0 || f > 7)
                        continue;
                    const Square beside = makeSquare(f, rank);
                    const Bitboard helpers = own & fileBits(f) & ~ranksAhead(c, rank);
                    if (!helpers)
                        continue;
                    const Square helper = c == White ? msb(helpers) : lsb(helpers);
                    const Bitboard path = helper == beside ? 0 : (tb.between[helper][beside] | squareBit(beside));
                    if (!(path & enemyControlled))
                        weak = false;
                }
                if (weak) {
                    t.mg += WeakMg;
                    t.eg += WeakEg;
                } else if (!defended) {
                    t.mg += UnsupportedMg;
                    t.eg += UnsupportedEg;
                }
            }
        }

        // 4. Open pawns: candidates and passed pawns.
        if (tb.frontSpan[c][s] & (own | enemy))
            continue;
        passed |= bit;
        const int rankBonus = passedRankBonus(rr);
        int bonus = rankBonus;
        const Bitboard sentries = enemy & tb.passedMask[c][s];
        const Bitboard helpers = own & tb.neighbourMask[c][s];
        if (sentries) {
            bonus >>= 1;
            int able = 0;
            for (Bitboard h = helpers; h;) {
                const Square hs = popLsb(h);
                const Bitboard front = squareBit(hs + step);
                if (rankOf(hs) == rank || !(front & (enemy | enemyAttacks)))
                    ++able;
            }
            if (able >= popCount(sentries))
                bonus += rankBonus >> 2;
            bonus >>= 1;
        } else {
            const Square promotion = promotionSquare(c, s);
            t.eg +=
                PassedKingDistanceEg * (int(tb.distance[enemyKing][promotion]) - int(tb.distance[ownKing][promotion]));
            for (Bitboard h = helpers; h;) {
                const Square hs = popLsb(h);
                if (!(tb.frontSpan[c][hs] & (enemy | enemyAttacks))) {
                    bonus += bonus >> 2;
                    break;
                }
            }
        }
        t.common += bonus;
    }
    return t;
}

}  // namespace NEngine
