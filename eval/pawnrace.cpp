// Pawn-endgame knowledge that needs no search: races, blockades, the
// defending king's path test and the bishop-and-knight mate.
#include "eval/pawnrace.h"

#include <algorithm>

namespace NEngine {

namespace {

// Three points per rank of progress; nothing on the promotion rank.
constexpr int RankBonus3[8] = {0, 3, 6, 9, 12, 15, 18, 0};
constexpr int RaceBase = 7;
constexpr int RaceWeight = 3;
constexpr int PawnCountWeight = 10;
constexpr int LastRelativeRank = 7;

// Bishop-and-knight corner table: high in the corners of the bishop's colour
// (for a dark-squared bishop; the weak king is flipped for a light one).
// Laid out as the board, a rank a row.
// clang-format off
constexpr int CornerTable[64] = {
     30,  20,  10,  -1,  -5, -10, -20, -30,
     20,  16,   8,  -1,  -6,  -8, -16, -20,
     10,   8,   6,  -2,  -8,  -6,  -8, -10,
     -1,  -1,  -2, -15, -15,  -8,  -6,  -5,
     -5,  -6,  -8, -15, -15,  -2,  -1,  -1,
    -10,  -8,  -6,  -8,  -2,   6,   8,  10,
    -20, -16,  -8,  -6,  -1,   8,  16,  20,
    -30, -20, -10,  -5,  -1,  10,  20,  30,
};
// clang-format on
constexpr int CornerOffset = 75;
constexpr int FlipVertical = 56;

inline int distance(Square a, Square b) { return int(tables().distance[a][b]); }

inline Square promotionSquare(Color c, Square pawn) {
    return c == White ? makeSquare(fileOf(pawn), 7) : makeSquare(fileOf(pawn), 0);
}

inline int rankBonus(Color c, Square pawn) { return RankBonus3[relativeRank(c, pawn)]; }

inline bool lightSquare(Square s) { return ((fileOf(s) + rankOf(s)) & 1) != 0; }

inline int16_t forColor(Color c, int score) { return int16_t(c == White ? score : -score); }

}  // namespace

int16_t race(const Board& board, Color c) {
    Bitboard pawnSet = board.pieces(c, Pawn);
    if (!pawnSet)
        return 0;
    Square pawn = lsb(pawnSet);
    Square q = promotionSquare(c, pawn);
    Square defender = board.kingSquare[~c];
    int t = distance(defender, q) - distance(board.kingSquare[c], q) + RaceBase;
    int score = RaceWeight * t + rankBonus(c, pawn);
    // A defending knight far from the promotion square helps the pawn.
    for (Bitboard knights = board.pieces(~c, Knight); knights;)
        score += distance(popLsb(knights), q);
    return forColor(c, score);
}

int16_t pawns(const Board& board, Color c) {
    Bitboard pawnSet = board.pieces(c, Pawn);
    int score = PawnCountWeight * PopCount(pawnSet);
    Square own = board.kingSquare[c];
    Square defender = board.kingSquare[~c];
    while (pawnSet) {
        Square pawn = popLsb(pawnSet);
        Square q = promotionSquare(c, pawn);
        score += RaceWeight * (distance(defender, q) - distance(own, q) + RaceBase) + rankBonus(c, pawn);
    }
    return forColor(c, score);
}

bool stops(const Board& board, Color c, int pieceType, Bitboard excluded) {
    const LookupTables& t = tables();
    const bool bishop = pieceType == Bishop;
    Bitboard pieceSet = board.pieces(~c, bishop ? Bishop : Knight);
    Bitboard pawnSet = board.pieces(c, Pawn);
    if (!pieceSet || !pawnSet)
        return false;

    // Step 1: where the pawn stands when the defender's piece first moves.
    Square origin = lsb(pawnSet);
    Square s = origin;
    const int step = PawnStep[c];
    if (board.side() == c && relativeRank(c, s) < LastRelativeRank)
        s += step;
    Bitboard path = t.frontSpan[c][s] | squareBit(s);
    Bitboard occupancy = (board.occupied() & ~squareBit(origin)) | squareBit(s);

    // Step 2: squares the piece may use.
    Square own = board.kingSquare[c];
    Square defenderKing = board.kingSquare[~c];
    Bitboard unsafe =
        (t.kingAttacks[own] & ~t.kingAttacks[defenderKing]) | squareBit(own) | excluded | t.pawnAttacks[c][s];
    if (!bishop)
        unsafe |= squareBit(defenderKing);
    Bitboard safe = ~unsafe;

    // Steps 3-4: grow the piece's reach one move per pawn step.
    Bitboard frontier = squareBit(lsb(pieceSet));
    Bitboard visited = frontier;
    for (;;) {
        Bitboard next = 0;
        for (Bitboard f = frontier; f;) {
            Square from = popLsb(f);
            Bitboard attacks = bishop ? bishopAttacks(from, occupancy) : t.knightAttacks[from];
            if (attacks & path)
                return true;
            next |= attacks & safe & ~visited;
        }
        path &= ~squareBit(s);
        if (!path || relativeRank(c, s) >= LastRelativeRank)
            return false;
        Square old = s;
        s += step;
        occupancy ^= squareBit(old) | squareBit(s);
        safe |= t.pawnAttacks[c][old];
        safe &= ~t.pawnAttacks[c][s];
        visited |= next;
        if (!next)
            return false;
        frontier = next;
    }
}

bool defenderReachesPath(const Board& board, Color c, Square pawn) {
    const LookupTables& t = tables();
    Square q = promotionSquare(c, pawn);
    Square own = board.kingSquare[c];
    Square defender = board.kingSquare[~c];

    // Step 1: squares the pawn side controls.
    Bitboard kings = squareBit(own) | squareBit(defender);
    Bitboard occupancy = board.pieces(c, Pawn) | kings;
    Bitboard controlled = t.kingAttacks[own];
    for (Bitboard b = board.pieces(c, Rook); b;)
        controlled |= rookAttacks(popLsb(b), occupancy);
    for (Bitboard b = board.pieces(c, Queen); b;)
        controlled |= queenAttacks(popLsb(b), occupancy);

    // Step 2: already there.
    if (defender == q)
        return true;

    // Step 3: the squares of the path the defender may still use.
    Bitboard openPath = (t.between[pawn][q] | squareBit(q)) & ~controlled;
    if (!openPath)
        return false;

    // Step 4: moves the pawn still needs.
    int needed = c == White ? LastRelativeRank - rankOf(pawn) : rankOf(pawn);
    if (needed < 1)
        return false;

    // Step 5: walk the king outward one step at a time.
    Bitboard reached = squareBit(defender);
    Bitboard walkable = ~controlled & ~kings;
    int stepsTaken = 0;
    while (!(reached & openPath)) {
        Bitboard around = 0;
        for (Bitboard b = reached; b;)
            around |= t.kingAttacks[popLsb(b)];
        Bitboard added = around & (walkable | openPath) & ~reached;
        if (!added)
            return false;
        reached |= added;
        ++stepsTaken;
        if (reached & openPath)
            break;
        if (stepsTaken >= needed)
            return false;
    }

    // Step 6: the reached path square nearest to promotion must not be
    // passed by the pawn before the king gets there.
    Bitboard onPath = reached & openPath;
    Square target = c == White ? msb(onPath) : lsb(onPath);
    return distance(target, pawn) >= stepsTaken;
}

int16_t bishopKnightMate(const Board& board, Color c) {
    Bitboard bishops = board.pieces(c, Bishop);
    Bitboard knights = board.pieces(c, Knight);
    if (!bishops || !knights)
        return 0;
    Square bishop = lsb(bishops);
    Square knight = lsb(knights);
    Square weakKing = board.kingSquare[~c];
    Square ownKing = board.kingSquare[c];
    Square w = lightSquare(bishop) ? (weakKing ^ FlipVertical) : weakKing;
    int score = board.sides[c].material - distance(ownKing, weakKing) + 2 * (CornerTable[w] + CornerOffset) -
                distance(bishop, weakKing) / 2 - distance(knight, weakKing) - board.halfmoveClock;
    return forColor(c, score);
}

}  // namespace NEngine
