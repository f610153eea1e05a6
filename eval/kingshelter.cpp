// King shelter: the own pawns in front of the king (or of the square it will
// castle to) and the enemy pawns storming towards it. Middlegame only.
#include <algorithm>

#include "eval/bitmasks.h"
#include "eval/evalterms.h"

namespace NEngine {
namespace {

constexpr int FarAdvanced = -25;       // a square beyond the sixth relative rank has no shelter
constexpr int ElsewherePenalty = -13;  // king outside both corner zones
constexpr int FrontOne = 15, FrontTwo = 10, FrontThree = -8, FrontNone = -15;

// [board half: files a-d, e-h][west neighbour row][own pawn on the file: s1, s2, s3, none]
constexpr int ShelterTable[2][4][4] = {
    {{30, 25, 7, 0}, {27, 22, 4, -3}, {8, 3, -15, -22}, {2, -3, -21, -28}},
    {{21, 16, -2, -9}, {19, 14, -4, -11}, {13, 8, -10, -17}, {12, 7, -11, -18}},
};
// [board half][east neighbour: s1, s2, s3, none]
constexpr int EastNeighbour[2][4] = {{6, 4, -2, -3}, {15, 12, -7, -13}};
// Enemy pawn d ranks in front of the examined square, d clamped at 0.
constexpr int StormTable[8] = {20, 20, 15, 10, 1, 0, 0, 0};

constexpr int NoPawnRow = 3;

// Which of s1, s2, s3 (0, 1, 2) on file `file` holds an own pawn first; 3 for none.
inline int pawnRow(Bitboard own, Square q, int file, int step, int depth) {
    const int rank = rankOf(q);
    for (int i = 0; i < depth; ++i) {
        const int r = rank + (i + 1) * (step > 0 ? 1 : -1);
        if (own & squareBit(makeSquare(file, r)))
            return i;
    }
    return NoPawnRow;
}

// The square the shelter is judged from: a king on its first two ranks
// counts as standing on its back rank.
inline Square shelterKingSquare(Color c, Square k) {
    return relativeRank(c, k) <= 1 ? makeSquare(fileOf(k), c == White ? 0 : 7) : k;
}

}  // namespace

int shelterFront(const Board& board, Color c, Square q) {
    const int R = relativeRank(c, q);
    if (R > 5)
        return FarAdvanced;
    const Bitboard own = board.pieces(c, Pawn);
    const int row = pawnRow(own, q, fileOf(q), forwardStep(c), R < 5 ? 3 : 2);
    constexpr int Values[4] = {FrontOne, FrontTwo, FrontThree, FrontNone};
    return Values[row];
}

int shelterValue(const Board& board, Color c, Square q) {
    const int R = relativeRank(c, q);
    if (R > 5)
        return FarAdvanced;
    const Bitboard own = board.pieces(c, Pawn);
    const Bitboard enemy = board.pieces(~c, Pawn);
    const int step = forwardStep(c);
    const int depth = R < 5 ? 3 : 2;  // s3 exists only below the sixth relative rank
    const int file = fileOf(q);
    const int half = file < 4 ? 0 : 1;

    // 1. Own pawns on the file and its west neighbour select the table entry.
    const int column = pawnRow(own, q, file, step, depth);
    const int westRow = file > 0 ? pawnRow(own, q, file - 1, step, depth) : NoPawnRow;
    int value = ShelterTable[half][westRow][column];

    // 2. The east neighbour adds its own part.
    if (file < 7)
        value += EastNeighbour[half][pawnRow(own, q, file + 1, step, depth)];

    // 3. Pawn storm on the file and its neighbours.
    for (int f = file - 1; f <= file + 1; ++f) {
        if (f < 0 || f > 7)
            continue;
        const Bitboard stormers = enemy & fileBits(f);
        if (!stormers)
            continue;
        const Square p = c == White ? lsb(stormers) : msb(stormers);
        int d = c == White ? rankOf(p) - rankOf(q) : rankOf(q) - rankOf(p);
        int storm = StormTable[d < 0 ? 0 : d];
        if (f == file && c == Black)
            storm >>= 1;
        value -= storm;
    }
    return value;
}

int kingShelter(const Board& board, Color c) {
    const Square k = shelterKingSquare(c, board.kingSquare[c]);
    const int R = relativeRank(c, k);
    const int file = fileOf(k);
    const int kingRank = rankOf(k);
    const bool cornerRanks = R <= 2;

    // 1. King in a corner zone: the shelter of the b- or g-file square of its rank.
    if (cornerRanks && file >= 5) {
        const Square q = makeSquare(6, kingRank);
        return shelterValue(board, c, q) + shelterFront(board, c, q);
    }
    if (cornerRanks && file <= 2) {
        const Square q = makeSquare(1, kingRank);
        return shelterValue(board, c, q) + shelterFront(board, c, q);
    }

    // 2. Elsewhere: its own square, or where castling would take it.
    int value = shelterValue(board, c, k) + ElsewherePenalty;
    const int backRank = c == White ? 0 : 7;
    if (board.castling & (1 << (c * 2 + 0)))
        value = std::max(value, shelterValue(board, c, makeSquare(6, backRank)));
    if (board.castling & (1 << (c * 2 + 1)))
        value = std::max(value, shelterValue(board, c, makeSquare(1, backRank)));
    return value;
}

}  // namespace NEngine
