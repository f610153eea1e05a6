// The endgame registry: signatures, which material is looked up where, the
// scores of positions whose verdict any player can judge, exact values of
// the rules, and colour symmetry over random positions of every registered
// ending.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "eval/endgame.h"
#include "eval/pawnrace.h"

using namespace NEngine;

namespace {

class EndgameTest : public ::testing::Test {
protected:
    void SetUp() override {
        initBoardTables();
        buildEndgameRegistry();
    }

    EndgameVerdict probe(const std::string& fen) {
        Board& board = setUp(fen);
        return endgameRegistry().probe(board);
    }

    Board& setUp(const std::string& fen) {
        EXPECT_TRUE(parseFen(fen, holder_.board)) << fen;
        return holder_.board;
    }

    BoardWithStack holder_;
};

// The position seen from the other side: ranks reversed, colours and the
// side to move exchanged.
std::string mirrorFen(const std::string& fen) {
    std::string placement = fen.substr(0, fen.find(' '));
    std::vector<std::string> ranks;
    size_t start = 0;
    for (size_t slash; (slash = placement.find('/', start)) != std::string::npos; start = slash + 1)
        ranks.push_back(placement.substr(start, slash - start));
    ranks.push_back(placement.substr(start));
    std::reverse(ranks.begin(), ranks.end());
    std::string out;
    for (size_t i = 0; i < ranks.size(); ++i) {
        for (char c : ranks[i])
            out += std::isupper(c) ? char(std::tolower(c)) : char(std::toupper(c));
        if (i + 1 < ranks.size())
            out += '/';
    }
    bool whiteToMove = fen.find(" w ") != std::string::npos;
    return out + (whiteToMove ? " b - - 0 1" : " w - - 0 1");
}

// A random placement of the two kings and the given pieces ("RP" etc.).
// Pieces of one kind and side share a rank, so that "the lowest-numbered
// piece" names the same piece in the mirrored position; no king stands on
// b1 or b8, the only squares where the endgame king table is not symmetric.
std::string randomFen(const std::string& white, const std::string& black, std::mt19937& random) {
    char cells[64];
    std::fill(cells, cells + 64, '.');
    auto place = [&](char piece, int rank) {
        for (int tries = 0; tries < 100; ++tries) {
            int s = rank * 8 + int(random() % 8);
            if (cells[s] == '.') {
                cells[s] = piece;
                return true;
            }
        }
        return false;
    };
    auto placeAnywhere = [&](char piece, int low, int high) {
        for (;;) {
            int s = int(random() % 64);
            if (cells[s] == '.' && s / 8 >= low && s / 8 <= high && s != 1 && s != 57) {
                cells[s] = piece;
                return;
            }
        }
    };
    placeAnywhere('K', 0, 7);
    placeAnywhere('k', 0, 7);
    for (int side = 0; side < 2; ++side) {
        const std::string& pieces = side == 0 ? white : black;
        for (char kind : std::string("PNBRQ")) {
            int n = int(std::count(pieces.begin(), pieces.end(), kind));
            if (!n)
                continue;
            char piece = side == 0 ? kind : char(std::tolower(kind));
            int rank = kind == 'P' ? 1 + int(random() % 6) : int(random() % 8);
            for (int i = 0; i < n; ++i)
                if (!place(piece, rank))
                    placeAnywhere(piece, kind == 'P' ? 1 : 0, kind == 'P' ? 6 : 7);
        }
    }
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
    return fen + (random() & 1 ? " w - - 0 1" : " b - - 0 1");
}

}  // namespace

TEST_F(EndgameTest, Signatures) {
    EXPECT_EQ(materialSignature({{Rook, White, 1}}), 0x100000000000ULL);
    EXPECT_EQ(materialSignature({{Pawn, White, 1}}), 0x100000000ULL);
    EXPECT_EQ(materialSignature({{Queen, Black, 1}, {Knight, White, 2}, {Pawn, Black, 7}}), 0x0000002000010007ULL);
    EXPECT_EQ(materialSignature(setUp("8/8/8/8/8/2k5/8/K6R w - - 0 1")), 0x100000000000ULL);
    EXPECT_EQ(materialSignature(setUp("8/8/8/8/8/8/4P3/K1k5 w - - 0 1")), 0x100000000ULL);
    EXPECT_EQ(materialSignature(setUp(startPositionFen())), 0x0001222800012228ULL);
    // 64-bit FNV-1a over the eight bytes, lowest first.
    EXPECT_EQ(SignatureHash{}(0), size_t(0xa8c7f832281a39c5ULL));
    EXPECT_EQ(SignatureHash{}(0x100000000000ULL), size_t(0x335fa832769a2475ULL));
    EXPECT_EQ(SignatureHash{}(0x100000000ULL), size_t(0x08cd4c29d1e47d34ULL));
    // Counts too large for a field are clamped instead of spilling over.
    EXPECT_EQ(signatureField(Pawn, White, 20), signatureField(Pawn, White, 15));
}

TEST_F(EndgameTest, WhatIsRegisteredWhere) {
    const EndgameRegistry& r = endgameRegistry();
    auto sig = [](std::initializer_list<SignatureEntry> e) { return materialSignature(e); };
    EXPECT_TRUE(r.hasBareKing(sig({{Rook, White, 1}})));
    EXPECT_TRUE(r.hasBareKing(sig({{Bishop, Black, 2}, {Knight, Black, 2}})));
    EXPECT_TRUE(r.hasVerdict(sig({{Rook, White, 1}, {Pawn, White, 1}, {Rook, Black, 1}})));
    EXPECT_TRUE(r.hasVerdict(sig({{Queen, White, 1}, {Rook, Black, 1}, {Pawn, Black, 2}})));
    EXPECT_TRUE(r.hasScore(sig({{Knight, White, 1}, {Pawn, Black, 7}})));
    EXPECT_TRUE(r.hasScore(sig({{Knight, Black, 2}, {Pawn, White, 3}})));
    EXPECT_FALSE(r.hasScore(sig({{Bishop, Black, 1}, {Pawn, White, 8}})));
    EXPECT_FALSE(r.hasVerdict(sig({{Rook, White, 1}, {Pawn, Black, 1}})));
    EXPECT_FALSE(r.hasBareKing(sig({{Knight, White, 2}})));
}

TEST_F(EndgameTest, RookMateDrivesTheKingToTheCorner) {
    // 545 + 2 * (82 - 2) + 25 for the Black king in the corner, in opposition.
    EXPECT_EQ(probe("7k/8/7K/8/8/8/8/R7 w - - 0 1").score, 730);
    EXPECT_EQ(probe("7k/8/7K/8/8/8/8/R7 w - - 10 50").score, 720);
    EXPECT_EQ(probe("7k/8/7K/8/8/8/8/R7 w - - 11 50").score, 719);
    EXPECT_EQ(probe("8/8/8/4k3/8/4K3/8/R7 w - - 0 1").score, 685);
    EXPECT_EQ(probe("7K/8/7k/8/8/8/8/r7 b - - 0 1").score, -730);
    EXPECT_TRUE(probe("7k/8/7K/8/8/8/8/R7 w - - 0 1").applies);
}

TEST_F(EndgameTest, WrongRookPawnBishop) {
    // The bishop does not control a8 and the defender sits there: only the race.
    EXPECT_EQ(probe("k7/8/P7/2K5/8/8/8/2B5 w - - 0 1").score, 27);
    EXPECT_EQ(probe("k7/8/P7/2K5/8/8/8/5B2 w - - 0 1").score, 27 + 595);
    EXPECT_EQ(probe("2b5/8/8/8/2k5/p7/8/K7 b - - 0 1").score, -27);
    // With two rook pawns the general rule calls it drawish (20) or leaves it.
    EXPECT_EQ(probe("k7/8/P7/P1K5/8/8/8/2B5 w - - 0 1").score, 20);
    EXPECT_TRUE(probe("k7/8/P7/P1K5/8/8/8/2B5 w - - 0 1").applies);
    EXPECT_FALSE(probe("k7/8/P7/P1K5/8/8/8/5B2 w - - 0 1").applies);
    EXPECT_FALSE(probe("k7/8/P7/1PK5/8/8/8/2B5 w - - 0 1").applies);
}

TEST_F(EndgameTest, RookPawnsAloneAgainstTheKing) {
    EXPECT_EQ(probe("k7/8/8/P7/P7/8/8/1K6 w - - 0 1").score, 20);
    EXPECT_TRUE(probe("k7/8/8/P7/P7/8/8/1K6 w - - 0 1").applies);
    EXPECT_FALSE(probe("8/1K6/P7/P7/8/8/8/7k w - - 0 1").applies);  // the leading pawn runs
    EXPECT_FALSE(probe("k7/8/8/P7/1P6/8/8/1K6 w - - 0 1").applies);
    EXPECT_EQ(probe("1k6/8/8/p7/p7/8/8/K7 b - - 0 1").score, -20);
}

TEST_F(EndgameTest, BishopAndKnightMateTowardTheBishopsCorner) {
    // Dark-squared bishop on e5: a1 is the mating corner, h1 is not.
    int a1 = probe("8/8/8/3NB3/8/2K5/8/k7 b - - 0 1").score;
    int h1 = probe("8/8/8/3NB3/8/5K2/8/7k b - - 0 1").score;
    EXPECT_EQ(a1 - h1, 120);
    EXPECT_GT(h1, 600);
    // Light-squared bishop on d5: the other way round.
    int a1Light = probe("8/8/8/3BN3/8/2K5/8/k7 b - - 0 1").score;
    int h1Light = probe("8/8/8/3BN3/8/5K2/8/7k b - - 0 1").score;
    EXPECT_EQ(h1Light - a1Light, 120);
}

TEST_F(EndgameTest, DrawishAndUnregisteredEndings) {
    // Two knights cannot force mate: nothing claims a win, the general
    // evaluation decides.
    EXPECT_FALSE(probe("8/8/8/3NN3/8/2K5/8/k7 w - - 0 1").applies);
    // Rook against bishop: a small edge for the rook side, far below a rook.
    EndgameVerdict rb = probe("8/8/3k4/8/5b2/3K4/8/R7 w - - 0 1");
    EXPECT_TRUE(rb.applies);
    EXPECT_EQ(rb.score, 20);
    // Rook against pawn is left to the general evaluation.
    EXPECT_FALSE(probe("8/8/3k4/8/5p2/3K4/8/R7 w - - 0 1").applies);
    // Three minor pieces against a pawn are rejected by counts alone ...
    EXPECT_FALSE(probe("8/8/3k4/8/5p2/3K4/8/BBN5 w - - 0 1").applies);
    // ... and against the bare king they mate: 1065 + 2 * (82 - 3) - 12.
    EXPECT_EQ(probe("8/8/3k4/8/8/3K4/8/BBN5 w - - 0 1").score, 1211);
    // Seven pawns against a bishop are registered, eight are not.
    EXPECT_TRUE(probe("8/8/3k4/5b2/8/3K4/1PPPPPPP/8 w - - 0 1").applies);
    EXPECT_FALSE(probe("8/8/3k4/5b2/8/3K4/PPPPPPPP/8 w - - 0 1").applies);
}

TEST_F(EndgameTest, QueenAndMinorCountsABishopOnA1) {
    // 2 * (1 - 5 - 5 + 59) + 25 - 2 * 7
    EXPECT_EQ(probe("7k/7q/8/8/8/2KQ4/8/B7 w - - 0 1").score, 111);
    EXPECT_EQ(probe("7k/7q/8/8/8/2KQ4/8/1B6 w - - 0 1").score, 111);
    EXPECT_EQ(probe("7k/7q/8/8/8/2KQ4/4B3/8 w - - 0 1").score, 113);
}

TEST_F(EndgameTest, RookAndPawnAgainstRook) {
    // Defending king in front of the pawn: a quarter of the score.
    EXPECT_EQ(probe("4k3/r7/4K3/4P3/8/8/8/7R w - - 0 1").score, 30);
    EXPECT_EQ(probe("4k3/r7/4K3/4P3/8/8/8/7R b - - 0 1").score, 29);
    // Defending king cut off from the path: the full score and half a bonus.
    EXPECT_EQ(probe("8/r7/4K3/4P3/8/8/7R/k7 w - - 0 1").score, 162);
    // A rook pawn is worth three quarters of that.
    EXPECT_EQ(probe("8/r7/K7/P7/8/8/7R/4k3 w - - 0 1").score, 121);
    EXPECT_EQ(probe(mirrorFen("4k3/r7/4K3/4P3/8/8/8/7R w - - 0 1")).score, -30);
}

TEST_F(EndgameTest, ExactScoresOfPieceEndings) {
    // Rook against queen: 2 * (7 - 1 + 4) - 10 - 545.
    EXPECT_EQ(probe("4k3/8/8/q7/8/8/3R4/4K3 w - - 0 1").score, -535);
    EXPECT_EQ(probe("4k3/8/8/q7/8/8/3R4/4K3 w - - 6 50").score, -529);
    // Knight against two bishops: 2 * (7 - 2 - 42) - 10.
    EXPECT_EQ(probe("2b1kb2/8/8/8/8/3N4/8/4K3 w - - 0 1").score, -84);
    // KP v K goes to the bitbase.
    EXPECT_EQ(probe("4k3/8/4K3/4P3/8/8/8/8 w - - 0 1").score, 590);
}

TEST_F(EndgameTest, QueenAgainstRookFortress) {
    // Rook on f6 guarded by g7, king beside the pawn, attacking king cut off.
    EndgameVerdict held = probe("6k1/6p1/5r2/8/2K5/8/8/3Q4 w - - 0 1");
    EXPECT_TRUE(held.applies);
    EXPECT_EQ(held.score, 10);
    EXPECT_EQ(probe(mirrorFen("6k1/6p1/5r2/8/2K5/8/8/3Q4 w - - 0 1")).score, -10);
    // The rook is not guarded by the pawn: no fortress.
    EXPECT_FALSE(probe("6k1/6p1/4r3/8/2K5/8/8/3Q4 w - - 0 1").applies);
    // The defending king has left the pawn.
    EXPECT_FALSE(probe("8/4k1p1/5r2/8/2K5/8/8/3Q4 w - - 0 1").applies);
}

TEST_F(EndgameTest, DefendingKingOnThePromotionSquareReachesThePath) {
    Board& onSquare = setUp("4k3/r7/8/4P3/8/2K5/8/7R w - - 0 1");
    EXPECT_TRUE(defenderReachesPath(onSquare, White, 36));
    // A king far away on the other wing is too slow.
    Board& far = setUp("8/r7/4K3/4P3/8/8/7R/k7 w - - 0 1");
    EXPECT_FALSE(defenderReachesPath(far, White, 36));
}

TEST_F(EndgameTest, MinorPieceBlockade) {
    // The knight on d4 reaches the pawn's path at once.
    EXPECT_TRUE(stops(setUp("8/8/8/1P6/3n4/8/k7/7K w - - 0 1"), White, Knight, 0));
    // A knight in the far corner is too slow for a pawn on the seventh.
    EXPECT_FALSE(stops(setUp("8/1P6/8/8/8/8/k7/6Kn w - - 0 1"), White, Knight, 0));
    // A pawn on the seventh with its side to move promotes before the
    // bishop moves; with the defender to move the long diagonal covers b7.
    EXPECT_FALSE(stops(setUp("8/1P6/8/8/8/8/k7/6Kb w - - 0 1"), White, Bishop, 0));
    EXPECT_TRUE(stops(setUp("8/1P6/8/8/8/8/k7/6Kb b - - 0 1"), White, Bishop, 0));
    // The bishop on e1 needs one move (to a5) to reach b6 ...
    EXPECT_TRUE(stops(setUp("7K/8/8/1P6/8/8/8/4b2k b - - 0 1"), White, Bishop, 0));
    // ... and cannot when the caller excludes the squares it would use.
    EXPECT_FALSE(stops(setUp("7K/8/8/1P6/8/8/8/4b2k b - - 0 1"), White, Bishop, ~Bitboard(0)));
}

// Every registered ending gives the negated verdict for the mirrored position.
TEST_F(EndgameTest, ColourSymmetryOfEveryRegisteredEnding) {
    const std::vector<std::pair<std::string, std::string>> endings = {
        {"N", "BN"},  {"B", "BN"}, {"NN", "R"}, {"B", "NN"}, {"N", "NN"}, {"R", "N"},   {"R", "B"},   {"BB", "R"},
        {"RN", "R"},  {"BN", "R"}, {"RB", "R"}, {"BB", "B"}, {"R", "BP"}, {"R", "NP"},  {"RN", "RP"}, {"RB", "RP"},
        {"N", "BB"},  {"R", "RP"}, {"Q", "QP"}, {"Q", "QN"}, {"Q", "QB"}, {"R", "Q"},   {"RP", "Q"},  {"RPP", "Q"},
        {"N", "BP"},  {"B", "BP"}, {"N", "NP"}, {"B", "NP"}, {"B", "P"},  {"B", "PPP"}, {"N", "P"},   {"N", "PP"},
        {"NN", "PP"}, {"R", ""},   {"Q", ""},   {"BB", ""},  {"RB", ""},  {"RN", ""},   {"BNN", ""},  {"BBN", ""},
        {"BBNN", ""}, {"BN", ""},  {"BP", ""},  {"P", ""},   {"BPP", ""}, {"PP", ""},   {"R", "P"},
    };
    std::mt19937 random(7);
    int compared = 0, applied = 0;
    for (const auto& [strong, weak] : endings)
        for (int i = 0; i < 150; ++i)
            for (bool swap : {false, true}) {
                std::string fen = swap ? randomFen(weak, strong, random) : randomFen(strong, weak, random);
                if (!parseFen(fen, holder_.board))
                    continue;  // the side not to move stands in check
                EndgameVerdict original = endgameRegistry().probe(holder_.board);
                std::string mirrored = mirrorFen(fen);
                ASSERT_TRUE(parseFen(mirrored, holder_.board)) << mirrored;
                EndgameVerdict reflected = endgameRegistry().probe(holder_.board);
                ASSERT_EQ(original.applies, reflected.applies) << fen;
                ASSERT_EQ(original.score, -reflected.score) << fen;
                ++compared;
                applied += original.applies;
            }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(applied, compared / 2);
}
