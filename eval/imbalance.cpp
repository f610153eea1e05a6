// Material imbalance: bishop pair, knight and bishop surpluses, and the
// trades of majors against minors, each scaled by the pawns on the board.
#include "eval/evalterms.h"

namespace NEngine {
namespace {

// Tables are indexed by a pawn count, 0..9; counts above 9 read the last entry.
constexpr int PawnIndexCount = 10;
using PawnTable = int[PawnIndexCount];

constexpr PawnTable PairMg = {10, 15, 25, 30, 30, 30, 30, 30, 30, 30};
constexpr PawnTable PairEg = {5, 10, 15, 15, 15, 15, 15, 15, 15, 15};
constexpr PawnTable KnightsMg = {0, 5, 10, 15, 15, 15, 15, 15, 15, 15};
constexpr PawnTable KnightsEg = {0, 2, 5, 5, 5, 5, 5, 5, 5, 5};
constexpr PawnTable OneBishopMg = {2, 5, 10, 10, 10, 10, 10, 10, 10, 10};
constexpr PawnTable OneBishopEg = {0, 2, 5, 5, 5, 5, 5, 5, 5, 5};
constexpr PawnTable BishopsMg = {15, 40, 60, 60, 60, 60, 60, 60, 60, 60};
constexpr PawnTable BishopsEg = {10, 20, 40, 40, 40, 40, 40, 40, 40, 40};
constexpr PawnTable MajorsMg = {0, 5, 10, 10, 10, 10, 10, 10, 10, 10};
constexpr PawnTable MajorsEg = {0, 5, 10, 10, 10, 10, 10, 10, 10, 10};
constexpr PawnTable MinorsForPawnsMg = {0, 15, 45, 45, 45, 45, 45, 45, 45, 45};
constexpr PawnTable MinorsForPawnsEg = {0, 5, 20, 20, 20, 20, 20, 20, 20, 20};
constexpr PawnTable MajorsForPawnsMg = {10, 30, 40, 40, 40, 40, 40, 40, 40, 40};
constexpr PawnTable MajorsForPawnsEg = {10, 30, 40, 40, 40, 40, 40, 40, 40, 40};
constexpr PawnTable MajorForMinorMg = {0, 5, 10, 10, 10, 10, 10, 10, 10, 10};
constexpr PawnTable MajorForMinorEg = {0, 5, 10, 10, 10, 10, 10, 10, 10, 10};
constexpr PawnTable MinorsForMajorMg = {0, 20, 30, 30, 30, 30, 30, 30, 30, 30};
constexpr PawnTable MinorsForMajorEg = {0, 15, 20, 20, 20, 20, 20, 20, 20, 20};

constexpr int PawnSurplusEg = 20;

inline int pawnIndex(int pawns) { return pawns < 0 ? 0 : (pawns >= PawnIndexCount ? PawnIndexCount - 1 : pawns); }
inline int sign(int v) { return (v > 0) - (v < 0); }
inline int absolute(int v) { return v < 0 ? -v : v; }

// Adds s times the two tables read at `pawns`.
inline void addScaled(ScoreTriple& t, int s, const PawnTable& mg, const PawnTable& eg, int pawns) {
    const int i = pawnIndex(pawns);
    t.mg += s * mg[i];
    t.eg += s * eg[i];
}

}  // namespace

ScoreTriple materialImbalance(const Board& board) {
    const uint8_t* w = board.sides[White].count;
    const uint8_t* b = board.sides[Black].count;
    const int pw = w[Pawn], pb = b[Pawn];
    const int pawnDiff = pw - pb;
    // Pawns of the side that `diff` favours.
    auto pawnsOf = [&](int diff) { return diff > 0 ? pw : pb; };
    ScoreTriple t;

    // 1. Pawn surplus in the endgame.
    t.eg += PawnSurplusEg * pawnDiff;

    // 2. Bishop pair, by the owner's pawns.
    if (w[Bishop] >= 2)
        addScaled(t, 1, PairMg, PairEg, pw);
    if (b[Bishop] >= 2)
        addScaled(t, -1, PairMg, PairEg, pb);

    // 3. Knight surplus of two or more.
    const int dN = int(w[Knight]) - int(b[Knight]);
    if (absolute(dN) >= 2)
        addScaled(t, sign(dN), KnightsMg, KnightsEg, pawnsOf(dN));

    // 4. Bishop surplus: one bishop, or two and more.
    const int dB = int(w[Bishop]) - int(b[Bishop]);
    if (absolute(dB) == 1)
        addScaled(t, dB, OneBishopMg, OneBishopEg, pawnsOf(dB));
    else if (absolute(dB) >= 2)
        addScaled(t, sign(dB), BishopsMg, BishopsEg, pawnsOf(dB));

    // 5. Major surplus; a single extra queen counts as two majors.
    const int dQ = int(w[Queen]) - int(b[Queen]);
    const int dM = (int(w[Rook]) - int(b[Rook])) + (absolute(dQ) == 1 ? 2 * dQ : 0);
    if (absolute(dM) >= 2)
        addScaled(t, sign(dM), MajorsMg, MajorsEg, pawnsOf(dM));

    // 6. Minors or majors against pawns.
    const int dm = dN + dB;
    if (dM == 0 && dm * pawnDiff < 0)
        addScaled(t, sign(dm), MinorsForPawnsMg, MinorsForPawnsEg, pawnsOf(dm));
    if (dm == 0 && dM * pawnDiff < 0)
        addScaled(t, sign(dM), MajorsForPawnsMg, MajorsForPawnsEg, pawnsOf(dM));

    // 7. Majors against minors.
    if (dM * dm == -1)
        addScaled(t, dM, MajorForMinorMg, MajorForMinorEg, pawnsOf(dM));
    else if (dM * dm < -1 && absolute(dM) == 1)
        addScaled(t, -sign(dM), MinorsForMajorMg, MinorsForMajorEg, pawnsOf(dm));

    return t;
}

}  // namespace NEngine
