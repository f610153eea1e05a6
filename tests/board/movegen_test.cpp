// Move generation order, pseudo-legality and the two legality tests.
#include <random>

#include "board_test_util.h"

#include "board/fen.h"
#include "board/makemove.h"

namespace NEngine::test {
namespace {

std::vector<std::string> generatedText(const Board& board) {
    MoveList list;
    generateAll(board, list);
    std::vector<std::string> texts;
    list.forEach([&](Move m) { texts.push_back(moveToText(m, false)); });
    return texts;
}

TEST(MoveGen, StartPositionOrder) {
    Position p;
    std::vector<std::string> moves = generatedText(p.board);
    ASSERT_EQ(moves.size(), 20u);
    EXPECT_EQ(moves[0], "a2a3");
    EXPECT_EQ(moves[1], "a2a4");
    EXPECT_EQ(moves[16], "b1a3");
    EXPECT_EQ(moves[17], "b1c3");
    EXPECT_EQ(moves[18], "g1f3");
    EXPECT_EQ(moves[19], "g1h3");
}

TEST(MoveGen, PromotionsComeInQueenRookBishopKnightOrder) {
    Position p("n1n4k/1P6/8/8/8/8/8/7K w - - 0 1");
    ASSERT_TRUE(p.ok);
    std::vector<std::string> moves = generatedText(p.board);
    std::vector<std::string> expected = {"b7a8q", "b7a8r", "b7a8b", "b7a8n", "b7c8q", "b7c8r",
                                         "b7c8b", "b7c8n", "b7b8q", "b7b8r", "b7b8b", "b7b8n"};
    ASSERT_GE(moves.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(moves.begin(), moves.begin() + 12), expected);
}

TEST(MoveGen, ChecksRestrictGeneration) {
    // Double check: only king moves.
    Position dbl("k7/8/8/8/8/5n2/8/4K2r w - - 0 1");
    ASSERT_TRUE(dbl.ok);
    ASSERT_TRUE(dbl.board.status & DoubleCheck);
    MoveList list;
    generateAll(dbl.board, list);
    list.forEach([&](Move m) { EXPECT_EQ(dbl.board.typeOn(moveFrom(m)), King); });

    // In check: no castling generated.
    Position chk("4k3/8/8/8/8/8/4r3/4K2R w K - 0 1");
    ASSERT_TRUE(chk.ok);
    for (const std::string& m : generatedText(chk.board))
        EXPECT_NE(m, "e1g1");

    // Castling through an attacked square is generated but not legal.
    Position through("4kr2/8/8/8/8/8/8/4K2R w K - 0 1");
    ASSERT_TRUE(through.ok);
    Move castle = composeMove(sq("e1"), sq("g1"));
    std::vector<std::string> moves = generatedText(through.board);
    EXPECT_NE(std::find(moves.begin(), moves.end(), "e1g1"), moves.end());
    EXPECT_FALSE(isLegal(through.board, castle));
    EXPECT_FALSE(isLegalFast(through.board, castle));
}

TEST(MoveGen, PseudoLegality) {
    Position p("4k3/8/8/8/8/4P3/3P4/4K3 w - - 0 1");
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(isPseudoLegal(p.board, composeMove(sq("e3"), sq("e5"))));
    EXPECT_TRUE(isPseudoLegal(p.board, composeMove(sq("d2"), sq("d4"))));
    EXPECT_FALSE(isPseudoLegal(p.board, composeMove(sq("d2"), sq("d3"), Queen)));
    // Every generated move is pseudo-legal, and a few random words are not.
    Position kiwi("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    MoveList list;
    generateAll(kiwi.board, list);
    int generated = 0;
    list.forEach([&](Move m) {
        EXPECT_TRUE(isPseudoLegal(kiwi.board, m)) << moveToText(m, false);
        ++generated;
    });
    int accepted = 0;
    for (int raw = 0; raw < 65536; ++raw)
        accepted += isPseudoLegal(kiwi.board, Move(raw & MoveBits)) && !(raw & MoveMark);
    EXPECT_EQ(accepted, generated);
}

TEST(MoveGen, PinnedEnPassantIsIllegalInBothTests) {
    Position p("8/8/8/1K1pP2r/8/8/8/7k w - d6 0 1");
    ASSERT_TRUE(p.ok);
    Move ep = composeMove(sq("e5"), sq("d6"));
    ASSERT_TRUE(isPseudoLegal(p.board, ep));
    EXPECT_FALSE(isLegal(p.board, ep));
    EXPECT_FALSE(isLegalFast(p.board, ep));
}

TEST(MoveGen, FastAndFullLegalityAgreeOutOfCheck) {
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    };
    for (const char* fen : fens) {
        Position p(fen);
        ASSERT_TRUE(p.ok);
        MoveList list;
        generateAll(p.board, list);
        list.forEach([&](Move m) { EXPECT_EQ(isLegal(p.board, m), isLegalFast(p.board, m)) << moveToText(m, false); });
    }
}

// Whether taking the piece on v out of occ lets a slider of colour c reach k
// along the line from k through v: walked square by square.
bool revealsSliderByWalking(const Board& board, Square v, Bitboard occ, Color c, Square k) {
    const int df = fileOf(v) - fileOf(k), dr = rankOf(v) - rankOf(k);
    if (v == k || (df != 0 && dr != 0 && std::abs(df) != std::abs(dr)))
        return false;
    const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
    const bool straight = sf == 0 || sr == 0;
    bool passedV = false;
    for (int f = fileOf(k) + sf, r = rankOf(k) + sr; f >= 0 && f < 8 && r >= 0 && r < 8; f += sf, r += sr) {
        const Square s = makeSquare(f, r);
        if (s == v) {
            passedV = true;
            continue;
        }
        if (!(occ & squareBit(s)))
            continue;
        if (!passedV)
            return false;
        const Piece piece = board.pieceOn(s);
        const int type = pieceType(piece);
        return pieceColor(piece) == c && (type == Queen || type == (straight ? Rook : Bishop));
    }
    return false;
}

// Along random games from positions full of pins, checks and en-passant
// chances, the fast legality test agrees with the complete one on every
// generated move out of check, and the discovered-attack test agrees with a
// square-by-square walk.
TEST(MoveGen, LegalityAndDiscoveryTestsAgreeAlongRandomGames) {
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "4k3/8/8/1K1pP2r/8/8/8/8 w - d6 0 1",
        "3qk3/8/8/1b5b/8/3RNB2/3QK3/8 w - - 0 1",
    };
    std::mt19937 rng(20261209);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    int compared = 0, illegal = 0, revealed = 0;
    for (int game = 0; game < 240; ++game) {
        Position p(starts[game % 6]);
        ASSERT_TRUE(p.ok);
        for (int ply = 0; ply < 60; ++ply) {
            const Board& b = p.board;
            MoveList list;
            generateAll(b, list);
            if (!b.inCheck())
                list.forEach([&](Move m) {
                    const bool full = isLegal(b, m);
                    ASSERT_EQ(full, isLegalFast(b, m)) << writeFen(b) << " " << moveToText(m, false);
                    ++compared;
                    illegal += !full;
                });
            for (Color c : {White, Black})
                for (Bitboard pieces = b.sides[c].occupied; pieces;) {
                    const Square v = popLsb(pieces);
                    // With a random square or two emptied, as in an exchange.
                    const Bitboard occ = b.occupied() & ~(squareBit(Square(pick(64))) | squareBit(Square(pick(64))));
                    for (Square k : {b.kingSquare[White], b.kingSquare[Black]}) {
                        const bool walked = revealsSliderByWalking(b, v, occ, c, k);
                        ASSERT_EQ(walked, revealsSlider(b, v, occ, c, k)) << writeFen(b) << " v " << int(v);
                        revealed += walked;
                    }
                }
            const std::vector<Move> moves = legalMoves(b);
            if (moves.empty())
                break;
            makeMove(p.board, moves[size_t(pick(int(moves.size())))]);
        }
    }
    EXPECT_GT(compared, 100000);
    EXPECT_GT(illegal, 1000);
    EXPECT_GT(revealed, 1000);
}

TEST(MoveGen, AttackHelpers) {
    Position p("4k3/8/8/3q4/8/8/3R4/3RK3 w - - 0 1");
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(pieceReaches(p.board, sq("d5"), sq("d2")));
    EXPECT_FALSE(pieceReaches(p.board, sq("d5"), sq("d1")));
    // Behind the d2 rook, seen from d5, stands the d1 rook.
    Bitboard whiteSliders = p.board.pieces(White, Rook);
    Bitboard withoutD2 = p.board.occupied() & ~squareBit(sq("d2"));
    EXPECT_TRUE(sliderBehind(p.board, withoutD2, whiteSliders, sq("d5"), sq("d2")));
    EXPECT_FALSE(sliderBehind(p.board, withoutD2, p.board.pieces(Black, Queen), sq("d5"), sq("d2")));
    // Taking the d2 rook away lets the d1 rook see d5.
    EXPECT_TRUE(revealsSlider(p.board, sq("d2"), p.board.occupied(), White, sq("d5")));
    EXPECT_FALSE(revealsSlider(p.board, sq("d2"), p.board.occupied(), Black, sq("d5")));
}

}  // namespace
}  // namespace NEngine::test
