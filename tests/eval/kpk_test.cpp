// The KPK bitbase against the positions every player knows, its layout
// invariants, and a complete independent solution of king and pawn against
// king computed here by exhaustive minimax with a plain move generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/kpk.h"

using namespace NEngine;

namespace {

class KpkTest : public ::testing::Test {
protected:
    void SetUp() override { initBoardTables(); }

    Board& setUp(const std::string& fen) {
        EXPECT_TRUE(parseFen(fen, holder_.board)) << fen;
        return holder_.board;
    }

    BoardWithStack holder_;
};

TEST_F(KpkTest, KnownPositionsAndTheirMirrors) {
    // King in front of its pawn with the opposition: won whoever moves.
    EXPECT_EQ(kpkScore(setUp("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1"), White), 590);
    EXPECT_EQ(kpkScore(setUp("4k3/8/4K3/4P3/8/8/8/8 b - - 0 1"), White), 590);
    // One square further back the side to move decides the opposition.
    EXPECT_EQ(kpkScore(setUp("8/8/4k3/8/4K3/4P3/8/8 w - - 0 1"), White), 10);
    EXPECT_EQ(kpkScore(setUp("8/8/4k3/8/4K3/4P3/8/8 b - - 0 1"), White), 550);
    // The rook pawn with the defender in the corner.
    EXPECT_EQ(kpkScore(setUp("k7/8/1K6/P7/8/8/8/8 w - - 0 1"), White), 10);

    // Mirrored vertically with the colours exchanged.
    EXPECT_EQ(kpkScore(setUp("8/8/8/8/4p3/4k3/8/4K3 b - - 0 1"), Black), -590);
    EXPECT_EQ(kpkScore(setUp("8/8/8/8/4p3/4k3/8/4K3 w - - 0 1"), Black), -590);
    EXPECT_EQ(kpkScore(setUp("8/8/4p3/4k3/8/4K3/8/8 b - - 0 1"), Black), -10);
    EXPECT_EQ(kpkScore(setUp("8/8/4p3/4k3/8/4K3/8/8 w - - 0 1"), Black), -550);
    EXPECT_EQ(kpkScore(setUp("8/8/8/8/p7/1k6/8/K7 b - - 0 1"), Black), -10);
}

TEST_F(KpkTest, TheoryPositions) {
    // The square rule: a pawn outside the defender's square runs home ...
    EXPECT_TRUE(kpk(setUp("8/8/8/1P6/8/8/7k/K7 w - - 0 1"), White, 33));
    EXPECT_TRUE(kpk(setUp("8/8/8/1P6/4k3/8/8/7K w - - 0 1"), White, 33));
    // ... and inside it the pawn is caught while its own king is far away.
    EXPECT_FALSE(kpk(setUp("8/8/8/1P6/4k3/8/8/7K b - - 0 1"), White, 33));
    // The king on the sixth rank in front of its pawn wins whoever moves.
    EXPECT_TRUE(kpk(setUp("3k4/8/3K4/3P4/8/8/8/8 w - - 0 1"), White, 35));
    EXPECT_TRUE(kpk(setUp("3k4/8/3K4/3P4/8/8/8/8 b - - 0 1"), White, 35));
    // The rook pawn: a defender in the corner cannot be driven out.
    EXPECT_FALSE(kpk(setUp("7k/8/5K2/7P/8/8/8/8 w - - 0 1"), White, 39));
    EXPECT_FALSE(kpk(setUp("7k/8/5K2/8/8/8/7P/8 w - - 0 1"), White, 15));
    // Opposition in front of the pawn: the side to move loses it.
    EXPECT_FALSE(kpk(setUp("8/4k3/8/4K3/4P3/8/8/8 w - - 0 1"), White, 28));
    EXPECT_TRUE(kpk(setUp("8/4k3/8/4K3/4P3/8/8/8 b - - 0 1"), White, 28));
    // Black's pawn reads the flipped table; an unguarded pawn next to the
    // defender's king is simply taken.
    EXPECT_FALSE(kpk(setUp("8/8/8/8/8/2k5/p7/K7 w - - 0 1"), Black, 8));
    EXPECT_FALSE(kpk(setUp("8/8/8/8/8/8/4p1k1/4K3 w - - 0 1"), Black, 12));
    EXPECT_TRUE(kpk(setUp("8/8/8/8/8/8/4p1k1/4K3 b - - 0 1"), Black, 12));
}

TEST_F(KpkTest, LayoutInvariants) {
    ASSERT_EQ(kpk_.size(), 64u);
    constexpr Bitboard BackRanks = 0xFF000000000000FFULL;
    int64_t wins = 0;
    for (Square strong = 0; strong < 64; ++strong) {
        ASSERT_EQ(kpk_[strong].size(), 64u);
        for (Square weak = 0; weak < 64; ++weak)
            for (int side = 0; side < 2; ++side) {
                Bitboard word = kpk_[strong][weak][side];
                if (std::max(std::abs(fileOf(strong) - fileOf(weak)), std::abs(rankOf(strong) - rankOf(weak))) <= 1) {
                    EXPECT_EQ(word, 0u) << strong << " " << weak;
                }
                EXPECT_EQ(word & BackRanks, 0u);
                EXPECT_EQ(word & (squareBit(strong) | squareBit(weak)), 0u);
                wins += __builtin_popcountll(word);
            }
    }
    // Most king-and-pawn positions are won; a broken table is far off this.
    EXPECT_GT(wins, 200000);
    EXPECT_LT(wins, 330000);
    std::printf("KPK table: %lld won positions\n", (long long)wins);
}

// ---- An independent solution ------------------------------------------------
// Every KPK position, solved by repeated one-ply minimax sweeps with a move
// generator on file and rank coordinates, until nothing changes. A sweep
// extends the known wins by one ply, so the fixed point is the exact result.
class Oracle {
public:
    Oracle() : won_(2 * 64 * 64 * 64, 0) { solve(); }

    bool won(bool whiteToMove, int wk, int bk, int p) const { return won_[index(whiteToMove, wk, bk, p)]; }

    static bool legal(bool whiteToMove, int wk, int bk, int p) {
        if (rankOf(p) == 0 || rankOf(p) == 7 || p == wk || p == bk || wk == bk || dist(wk, bk) <= 1)
            return false;
        return !(whiteToMove && pawnAttacks(p, bk));
    }

    // One successor: a position, or a decided result (promotion or capture).
    struct Successor {
        enum Kind { Position, PromotionWin, PromotionDraw, PawnTaken } kind;
        int wk, bk, p;
        bool operator<(const Successor& o) const {
            return std::tie(kind, wk, bk, p) < std::tie(o.kind, o.wk, o.bk, o.p);
        }
    };

    static std::vector<Successor> successors(bool whiteToMove, int wk, int bk, int p) {
        std::vector<Successor> out;
        if (whiteToMove) {
            for (int to : kingTargets(wk))
                if (to != p && dist(to, bk) > 1)
                    out.push_back({Successor::Position, to, bk, p});
            int one = p + 8;
            if (one != wk && one != bk) {
                if (rankOf(one) == 7)
                    out.push_back(
                        {promotionWins(wk, bk, one) ? Successor::PromotionWin : Successor::PromotionDraw, wk, bk, one});
                else
                    out.push_back({Successor::Position, wk, bk, one});
                int two = p + 16;
                if (rankOf(p) == 1 && two != wk && two != bk)
                    out.push_back({Successor::Position, wk, bk, two});
            }
        } else {
            for (int to : kingTargets(bk)) {
                if (dist(to, wk) <= 1 || pawnAttacks(p, to))
                    continue;
                out.push_back({to == p ? Successor::PawnTaken : Successor::Position, wk, to, p});
            }
        }
        return out;
    }

private:
    static int dist(int a, int b) { return std::max(std::abs(a % 8 - b % 8), std::abs(a / 8 - b / 8)); }
    static bool pawnAttacks(int p, int s) { return s / 8 == p / 8 + 1 && std::abs(s % 8 - p % 8) == 1; }
    static size_t index(bool w, int wk, int bk, int p) { return ((size_t(w) * 64 + wk) * 64 + bk) * 64 + p; }

    static std::vector<int> kingTargets(int s) {
        std::vector<int> out;
        for (int df = -1; df <= 1; ++df)
            for (int dr = -1; dr <= 1; ++dr) {
                int f = s % 8 + df, r = s / 8 + dr;
                if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8)
                    out.push_back(r * 8 + f);
            }
        return out;
    }

    // Does a queen or rook on q (defender to move) keep the win?
    static bool promotionWins(int wk, int bk, int q) {
        if (dist(bk, q) == 1 && dist(wk, q) > 1)
            return false;  // taken at once
        for (bool queen : {true, false}) {
            auto attacked = [&](int s) {
                if (s == q)
                    return false;
                if (dist(wk, s) == 1)
                    return true;
                int df = s % 8 - q % 8, dr = s / 8 - q / 8;
                bool straight = df == 0 || dr == 0;
                bool diagonal = std::abs(df) == std::abs(dr);
                if (!straight && !(queen && diagonal))
                    return false;
                int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
                for (int x = q + sf + 8 * sr; x != s; x += sf + 8 * sr)
                    if (x == wk || x == bk)
                        return false;
                return true;
            };
            if (attacked(bk))
                return true;
            for (int to : kingTargets(bk))
                if (!attacked(to) && dist(to, wk) > 1)
                    return true;
        }
        return false;  // stalemate whatever it becomes
    }

    void solve() {
        bool changed = true;
        while (changed) {
            changed = false;
            for (int w = 1; w >= 0; --w)
                for (int wk = 0; wk < 64; ++wk)
                    for (int bk = 0; bk < 64; ++bk)
                        for (int p = 8; p < 56; ++p) {
                            if (won_[index(w, wk, bk, p)] || !legal(w, wk, bk, p))
                                continue;
                            if (decide(w, wk, bk, p)) {
                                won_[index(w, wk, bk, p)] = 1;
                                changed = true;
                            }
                        }
        }
    }

    bool decide(bool whiteToMove, int wk, int bk, int p) const {
        std::vector<Successor> moves = successors(whiteToMove, wk, bk, p);
        if (whiteToMove) {
            for (const Successor& s : moves)
                if (s.kind == Successor::PromotionWin ||
                    (s.kind == Successor::Position && won_[index(false, s.wk, s.bk, s.p)]))
                    return true;
            return false;
        }
        if (moves.empty())
            return pawnAttacks(p, bk);  // mate wins, stalemate draws
        for (const Successor& s : moves)
            if (s.kind != Successor::Position || !won_[index(true, s.wk, s.bk, s.p)])
                return false;
        return true;
    }

    std::vector<uint8_t> won_;
};

const Oracle& oracle() {
    static const Oracle instance;
    return instance;
}

std::string kpkFen(bool whiteToMove, int wk, int bk, int p) {
    char cells[64];
    std::fill(cells, cells + 64, '.');
    cells[wk] = 'K';
    cells[bk] = 'k';
    cells[p] = 'P';
    std::string fen;
    for (int r = 7; r >= 0; --r) {
        int empty = 0;
        for (int f = 0; f < 8; ++f) {
            char c = cells[r * 8 + f];
            if (c == '.') {
                ++empty;
                continue;
            }
            if (empty)
                fen += char('0' + empty);
            empty = 0;
            fen += c;
        }
        if (empty)
            fen += char('0' + empty);
        if (r)
            fen += '/';
    }
    return fen + (whiteToMove ? " w - - 0 1" : " b - - 0 1");
}

}  // namespace

TEST_F(KpkTest, AgreesWithExhaustiveMinimaxEverywhere) {
    const Oracle& o = oracle();
    int64_t compared = 0, mismatches = 0;
    for (int w = 0; w < 2; ++w)
        for (int wk = 0; wk < 64; ++wk)
            for (int bk = 0; bk < 64; ++bk)
                for (int p = 8; p < 56; ++p) {
                    if (!Oracle::legal(w, wk, bk, p))
                        continue;
                    ++compared;
                    bool table = kpkProbe(wk, bk, p, w);
                    if (table != o.won(w, wk, bk, p) && ++mismatches <= 10)
                        ADD_FAILURE() << kpkFen(w, wk, bk, p) << " table " << table;
                }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(compared, 300000);
}

// The oracle's move rules are those of the real board: for random positions
// the successors it generates are exactly the legal moves the board makes.
TEST_F(KpkTest, OracleMovesMatchTheBoard) {
    std::mt19937 random(20261208);
    int checked = 0;
    while (checked < 3000) {
        bool w = random() & 1;
        int wk = random() % 64, bk = random() % 64, p = random() % 64;
        if (!Oracle::legal(w, wk, bk, p))
            continue;
        ++checked;
        Board& board = setUp(kpkFen(w, wk, bk, p));
        std::set<std::tuple<int, int, int, int>> fromBoard, fromOracle;
        MoveList list;
        generateAll(board, list);
        list.forEach([&](Move m) {
            if (!isLegal(board, m))
                return;
            int promotion = movePromotion(m);
            if (promotion && promotion != Queen)
                return;  // one entry per promotion square
            makeMove(board, m);
            int kind = promotion ? 1 : (board.sides[White].count[Pawn] ? 0 : 3);
            int pawn = board.sides[White].count[Pawn] ? lsb(board.pieces(White, Pawn)) : moveTo(m);
            if (promotion)
                pawn = moveTo(m);
            fromBoard.insert({kind, board.kingSquare[White], board.kingSquare[Black], pawn});
            unmakeMove(board, m);
        });
        for (const Oracle::Successor& s : Oracle::successors(w, wk, bk, p)) {
            int kind = s.kind == Oracle::Successor::Position ? 0 : s.kind == Oracle::Successor::PawnTaken ? 3 : 1;
            fromOracle.insert({kind, s.wk, s.bk, s.p});
        }
        ASSERT_EQ(fromBoard, fromOracle) << kpkFen(w, wk, bk, p);
    }
}
