// The KPK bitbase, produced by retrograde analysis when the program starts.
//
// The analysis works on whole words: for a pair of king squares and a side to
// move, one 64-bit word holds the result for every pawn square at once, so a
// king move is a word OR/AND and a pawn push is a shift. It needs nothing
// from the board's tables, because it runs in a static initialiser before
// they exist.
#include "eval/kpk.h"

#include <cstdlib>

namespace NEngine {

namespace {

constexpr Bitboard RankMask1 = 0xFFULL;
constexpr Bitboard RankMask2 = RankMask1 << 8;
constexpr Bitboard RankMask7 = RankMask1 << 48;
constexpr Bitboard RankMask8 = RankMask1 << 56;
// Squares a pawn can stand on.
constexpr Bitboard PawnRanks = ~(RankMask1 | RankMask8);
// Squares from which a single push stays short of promotion.
constexpr Bitboard PushRanks = PawnRanks & ~RankMask7;

constexpr int SquareCount = 64;
constexpr int PromotionStep = 8;

int kingDistance(Square a, Square b) {
    int df = std::abs(fileOf(a) - fileOf(b));
    int dr = std::abs(rankOf(a) - rankOf(b));
    return df > dr ? df : dr;
}

bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Squares a king on s steps to.
Bitboard kingSteps(Square s) {
    Bitboard b = 0;
    for (int df = -1; df <= 1; ++df)
        for (int dr = -1; dr <= 1; ++dr)
            if ((df || dr) && onBoard(fileOf(s) + df, rankOf(s) + dr))
                b |= squareBit(makeSquare(fileOf(s) + df, rankOf(s) + dr));
    return b;
}

// Squares of a White pawn that attacks t.
Bitboard pawnsAttacking(Square t) {
    Bitboard b = 0;
    if (rankOf(t) >= 1 && fileOf(t) < 7)
        b |= squareBit(t - 7);
    if (rankOf(t) >= 1 && fileOf(t) > 0)
        b |= squareBit(t - 9);
    return b;
}

// Squares attacked by a slider on s moving along the given directions, with
// the rays stopped by `occupancy`.
Bitboard slide(Square s, Bitboard occupancy, bool diagonals, bool orthogonals) {
    static constexpr int Df[8] = {1, -1, 0, 0, 1, 1, -1, -1};
    static constexpr int Dr[8] = {0, 0, 1, -1, 1, -1, 1, -1};
    Bitboard attacks = 0;
    for (int d = 0; d < 8; ++d) {
        bool diagonal = d >= 4;
        if ((diagonal && !diagonals) || (!diagonal && !orthogonals))
            continue;
        int f = fileOf(s) + Df[d], r = rankOf(s) + Dr[d];
        for (; onBoard(f, r); f += Df[d], r += Dr[d]) {
            Bitboard b = squareBit(makeSquare(f, r));
            attacks |= b;
            if (occupancy & b)
                break;
        }
    }
    return attacks;
}

// Whether the pawn side wins after promoting on `promotion` with the defender
// to move: the new piece must not be taken at once and the defender must not
// be stalemated. King and queen (or rook) against king is otherwise won.
bool promotionWins(Square strongKing, Square weakKing, Square promotion) {
    bool defended = kingDistance(strongKing, promotion) == 1;
    if (!defended && kingDistance(weakKing, promotion) == 1)
        return false;
    Bitboard occupancy = squareBit(strongKing) | squareBit(promotion) | squareBit(weakKing);
    Bitboard guardedByKing = kingSteps(strongKing);
    // A rook sometimes wins where a queen would stalemate.
    for (bool queen : {true, false}) {
        Bitboard attacked = slide(promotion, occupancy, queen, true);
        if (attacked & squareBit(weakKing))
            return true;  // check: the defender must answer it and the piece survives
        Bitboard flights = kingSteps(weakKing) & ~guardedByKing & ~attacked;
        if (flights)
            return true;
    }
    return false;
}

KpkBitbase solveKpk() {
    // Step 1: the fixed parts: legal squares for the pawn and promotion wins.
    static Bitboard validStrong[SquareCount][SquareCount];  // pawn side to move
    static Bitboard validWeak[SquareCount][SquareCount];    // defender to move
    static Bitboard promotionWin[SquareCount][SquareCount];
    static Bitboard strong[SquareCount][SquareCount];
    static Bitboard weak[SquareCount][SquareCount];
    Bitboard steps[SquareCount];
    Bitboard attackers[SquareCount];
    for (Square s = 0; s < SquareCount; ++s) {
        steps[s] = kingSteps(s);
        attackers[s] = pawnsAttacking(s);
    }
    for (Square sk = 0; sk < SquareCount; ++sk)
        for (Square wk = 0; wk < SquareCount; ++wk) {
            strong[sk][wk] = weak[sk][wk] = 0;
            promotionWin[sk][wk] = validStrong[sk][wk] = validWeak[sk][wk] = 0;
            if (kingDistance(sk, wk) <= 1)
                continue;
            Bitboard free = PawnRanks & ~squareBit(sk) & ~squareBit(wk);
            validWeak[sk][wk] = free;
            // With the pawn side to move, the defender must not stand in check.
            validStrong[sk][wk] = free & ~attackers[wk];
            for (Square p = 48; p < 56; ++p) {
                Square q = p + PromotionStep;
                if (q != sk && q != wk && promotionWins(sk, wk, q))
                    promotionWin[sk][wk] |= squareBit(p);
            }
            promotionWin[sk][wk] &= validStrong[sk][wk];
        }

    // Step 2: iterate to the fixed point. Wins only ever grow, so the loop
    // ends; each pass extends the won positions by one move of each side.
    bool changed = true;
    while (changed) {
        changed = false;
        for (Square sk = 0; sk < SquareCount; ++sk)
            for (Square wk = 0; wk < SquareCount; ++wk) {
                if (!validWeak[sk][wk])
                    continue;
                // Pawn side to move: some move reaches a won position.
                Bitboard win = promotionWin[sk][wk];
                for (Bitboard b = steps[sk]; b;) {
                    Square to = popLsb(b);
                    if (kingDistance(to, wk) > 1)
                        win |= weak[to][wk];  // excludes a pawn on `to` already
                }
                Bitboard after = weak[sk][wk];
                Bitboard kings = squareBit(sk) | squareBit(wk);
                win |= (after >> PromotionStep) & PushRanks;
                win |= (after >> (2 * PromotionStep)) & RankMask2 & ~(kings >> PromotionStep);
                win &= validStrong[sk][wk];
                if (win != strong[sk][wk]) {
                    strong[sk][wk] = win;
                    changed = true;
                }
            }
        for (Square sk = 0; sk < SquareCount; ++sk)
            for (Square wk = 0; wk < SquareCount; ++wk) {
                if (!validWeak[sk][wk])
                    continue;
                // Defender to move: it has a move and every move loses, or it
                // is mated. Taking the pawn is a king move onto its square,
                // where the pawn side's word has no bit: a draw.
                Bitboard anyMove = 0, allLose = ~Bitboard(0);
                for (Bitboard b = steps[wk]; b;) {
                    Square to = popLsb(b);
                    if (kingDistance(to, sk) <= 1)
                        continue;
                    Bitboard legal = ~attackers[to];
                    anyMove |= legal;
                    allLose &= ~legal | strong[sk][to];
                }
                Bitboard loss = ((anyMove & allLose) | (~anyMove & attackers[wk])) & validWeak[sk][wk];
                if (loss != weak[sk][wk]) {
                    weak[sk][wk] = loss;
                    changed = true;
                }
            }
    }

    // Step 3: the published layout.
    KpkBitbase table(SquareCount, std::vector<KpkWords>(SquareCount));
    for (Square sk = 0; sk < SquareCount; ++sk)
        for (Square wk = 0; wk < SquareCount; ++wk)
            table[sk][wk] = {weak[sk][wk], strong[sk][wk]};
    return table;
}

}  // namespace

const KpkBitbase kpk_ = solveKpk();

bool kpk(const Board& board, Color c, Square pawn) {
    constexpr int SquareMask = 63;
    constexpr int Flip = 56;
    Square strongKing = board.kingSquare[c] & SquareMask;
    Square weakKing = board.kingSquare[~c] & SquareMask;
    pawn &= SquareMask;
    bool strongToMove = board.side() == c;
    if (c == White)
        return kpkProbe(strongKing, weakKing, pawn, strongToMove);
    return kpkProbe(strongKing ^ Flip, weakKing ^ Flip, pawn ^ Flip, strongToMove);
}

int16_t kpkScore(const Board& board, Color c) {
    constexpr int DrawishScore = 10;
    constexpr int WinBase = 510;
    constexpr int WinPerRank = 20;
    Bitboard pawnSet = board.pieces(c, Pawn);
    if (!pawnSet)
        return 0;
    Square pawn = lsb(pawnSet);
    int score = kpk(board, c, pawn) ? WinBase + WinPerRank * relativeRank(c, pawn) : DrawishScore;
    return int16_t(c == White ? score : -score);
}

}  // namespace NEngine
