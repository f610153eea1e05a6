// Making and unmaking moves: incremental state against state recomputed from
// scratch, and the game rules on positions any player can check.
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board_test_util.h"

namespace NEngine::test {
namespace {

const char* const PlayoutStarts[] = {
    "",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

// The positions above and every position of the perft suite: castling both
// ways, en passant, promotions, checks of every kind, bare endings.
std::vector<std::string> playoutStarts() {
    std::vector<std::string> starts(std::begin(PlayoutStarts), std::end(PlayoutStarts));
    std::ifstream in(QUILLON_SOURCE_DIR "/tests/board/data/perft-suite.tsv");
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#')
            starts.push_back(line.substr(0, line.find('\t')));
    return starts;
}

// The castling rights after a move by the rules themselves: a king move
// gives up both of its side's rights, a rook leaving its corner that
// corner's right, and a rook taken in its corner that right of the other side.
int rightsAfter(const Board& board, Move move) {
    int rights = board.castling;
    const Color us = board.side(), them = ~us;
    const Square from = moveFrom(move), to = moveTo(move);
    const int type = board.typeOn(from);
    if (type == King)
        rights &= ~(3 << (us * 2));
    if (type == Rook && from == ShortRookCorner[us])
        rights &= ~(1 << (us * 2));
    if (type == Rook && from == LongRookCorner[us])
        rights &= ~(2 << (us * 2));
    if (board.typeOn(to) == Rook && to == ShortRookCorner[them])
        rights &= ~(1 << (them * 2));
    if (board.typeOn(to) == Rook && to == LongRookCorner[them])
        rights &= ~(2 << (them * 2));
    return rights;
}

// Random games from varied positions, null moves among them as the search
// makes them: after every move the incremental state (keys, pawn key, piece
// sets, counts, material, piece-square sums, king squares, castling rights,
// check) equals the state worked out from scratch, and after every unmake
// the board equals, field by field, the board before that move.
TEST(MakeMove, RandomGamesKeepIncrementalStateExact) {
    std::mt19937 rng(20261208);
    int plies = 0, nullMoves = 0, unmade = 0, rightsTaken = 0;
    const std::vector<std::string> starts = playoutStarts();
    ASSERT_GT(starts.size(), 80u);
    // One board for the positions set up from scratch, reused: a fresh board
    // with its state stack for every ply would make this test mostly memory
    // allocation.
    Position fresh;
    for (int game = 0; game < 600; ++game) {
        Position p(starts[game % starts.size()]);
        ASSERT_TRUE(p.ok) << starts[game % starts.size()];
        Board& board = p.board;
        std::vector<Move> made;  // NullMove for a null move
        std::vector<Board> before;
        for (int ply = 0; ply < 160; ++ply) {
            // Now and then a null move (never in check, as in the search).
            if (!board.inCheck() && rng() % 8 == 0) {
                before.push_back(board);
                makeNullMove(board);
                made.push_back(NullMove);
                ++nullMoves;
                ASSERT_TRUE(boardConsistent(board)) << writeFen(board);
                fresh.ok = parseFen(writeFen(board), fresh.board);
                ASSERT_TRUE(fresh.ok) << writeFen(board);
                EXPECT_EQ(fresh.board.key, board.key) << writeFen(board);
                EXPECT_EQ(fresh.board.pawnKey, board.pawnKey) << writeFen(board);
                continue;
            }
            std::vector<Move> moves = legalMoves(board);
            if (moves.empty())
                break;
            Move move = moves[rng() % moves.size()];
            const uint64_t predicted = keyAfter(board, move);
            const uint64_t predictedPawns = pawnKeyAfter(board, move);
            const int rightsBefore = board.castling;
            const int rightsExpected = rightsAfter(board, move);
            before.push_back(board);
            makeMove(board, move);
            made.push_back(move);
            ++plies;
            // The prefetch keys are exact whenever the castling rights stay.
            if (board.castling == rightsBefore) {
                EXPECT_EQ(predicted, board.key) << moveToText(move, false) << " into " << writeFen(board);
                EXPECT_EQ(predictedPawns, board.pawnKey) << moveToText(move, false) << " into " << writeFen(board);
            }
            ASSERT_TRUE(boardConsistent(board)) << writeFen(board);

            // Keys, rights and check against the position set up afresh.
            fresh.ok = parseFen(writeFen(board), fresh.board);
            ASSERT_TRUE(fresh.ok) << writeFen(board);
            EXPECT_EQ(fresh.board.key, board.key);
            EXPECT_EQ(fresh.board.pawnKey, board.pawnKey);
            rightsTaken += rightsExpected != rightsBefore;
            EXPECT_EQ(rightsExpected, board.castling) << moveToText(move, false) << " into " << writeFen(board);
            EXPECT_EQ(fresh.board.status & (InCheck | DoubleCheck), board.status & (InCheck | DoubleCheck))
                << writeFen(board);
            if ((board.status & InCheck) && !(board.status & DoubleCheck)) {
                EXPECT_EQ(fresh.board.checker, board.checker) << writeFen(board);
            }
            if (board.status & GameOverMask)
                break;
        }
        while (!made.empty()) {
            if (made.back() == NullMove)
                unmakeNullMove(board);
            else
                unmakeMove(board, made.back());
            ASSERT_TRUE(samePosition(board, before.back())) << "game " << game << ", " << made.size() << " moves in";
            ASSERT_TRUE(boardConsistent(board)) << writeFen(board);
            made.pop_back();
            before.pop_back();
            ++unmade;
        }
    }
    EXPECT_GT(plies, 30000);
    EXPECT_GT(nullMoves, 3000);
    EXPECT_GT(rightsTaken, 300);
    EXPECT_EQ(unmade, plies + nullMoves);
}

// The check itself: a board whose incremental state is off in any one field
// is caught.
TEST(MakeMove, ConsistencyCheckCatchesEachField) {
    Position p("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    ASSERT_TRUE(p.ok);
    ASSERT_TRUE(boardConsistent(p.board));
    auto spoiled = [&](auto change) {
        Position q("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
        change(q.board);
        return !boardConsistent(q.board);
    };
    EXPECT_TRUE(spoiled([](Board& b) { b.key ^= 1; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.pawnKey ^= 1; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.psqMg++; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.psqEg--; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.sides[White].material += 1; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.sides[Black].nonPawnMaterial -= 1; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.sides[Black].count[Knight]++; }));
    EXPECT_TRUE(spoiled([](Board& b) { b.sides[White].pieces[Pawn] ^= squareBit(sq("a3")); }));
    EXPECT_TRUE(spoiled([](Board& b) { b.sides[White].occupied ^= squareBit(sq("a3")); }));
    EXPECT_TRUE(spoiled([](Board& b) { b.kingSquare[Black] = int8_t(sq("d8")); }));
    EXPECT_TRUE(spoiled([](Board& b) { b.castling &= 7; }));
}

TEST(MakeMove, NullMoveRoundTrip) {
    Position p("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2");
    ASSERT_TRUE(p.ok);
    makeMove(p.board, moveFromText(p.board, "f7f5"));
    const Board before = p.board;
    makeNullMove(p.board);
    EXPECT_EQ(p.board.side(), Black);
    EXPECT_LE(p.board.enPassant, 0);
    EXPECT_TRUE(boardConsistent(p.board));
    unmakeNullMove(p.board);
    EXPECT_TRUE(samePosition(p.board, before));
}

TEST(MakeMove, DoubleStepSetsEnPassantSquareAndKey) {
    Position p;
    makeMove(p.board, moveFromText(p.board, "e2e4"));
    EXPECT_EQ(p.board.enPassant, sq("e3"));
    EXPECT_EQ(p.board.halfmoveClock, 0);
    EXPECT_EQ(p.board.fullmove, 1u);
    EXPECT_TRUE(boardConsistent(p.board));
    EXPECT_EQ(writeFen(p.board), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    makeMove(p.board, moveFromText(p.board, "e7e5"));
    EXPECT_EQ(p.board.fullmove, 2u);
}

TEST(MakeMove, CastlingAndRookCapturesUpdateRights) {
    Position p("r3k2r/8/8/8/8/8/6b1/R3K2R w KQkq - 3 10");
    ASSERT_TRUE(p.ok);
    const Board before = p.board;
    Move castle = moveFromText(p.board, "e1g1");
    makeMove(p.board, castle);
    EXPECT_EQ(p.board.pieceOn(sq("f1")), makePiece(White, Rook));
    EXPECT_TRUE(isEmptyCode(p.board.pieceOn(sq("h1"))));
    EXPECT_EQ(p.board.castling, 1 | 2);
    EXPECT_EQ(p.board.halfmoveClock, 0);
    EXPECT_TRUE(boardConsistent(p.board));
    unmakeMove(p.board, castle);
    EXPECT_TRUE(samePosition(p.board, before));

    // A bishop taking the h8 rook removes only black's short right.
    Position q("r3k2r/8/8/8/8/8/1B6/4K3 w kq - 0 1");
    ASSERT_TRUE(q.ok);
    makeMove(q.board, moveFromText(q.board, "b2h8"));
    EXPECT_EQ(q.board.castling, 2);
    EXPECT_TRUE(boardConsistent(q.board));
}

TEST(MakeMove, CheckDetection) {
    // En passant uncovering a rook along the fifth rank.
    Position ep("8/8/8/R2pP2k/8/8/8/K7 w - d6 0 1");
    ASSERT_TRUE(ep.ok);
    makeMove(ep.board, moveFromText(ep.board, "e5d6"));
    EXPECT_TRUE(ep.board.status & InCheck);
    EXPECT_FALSE(ep.board.status & DoubleCheck);
    EXPECT_EQ(ep.board.checker, sq("a5"));

    // Knight check that uncovers a bishop: double check, checker the knight.
    Position kn("7k/8/8/4N3/8/8/8/B3K3 w - - 0 1");
    ASSERT_TRUE(kn.ok);
    makeMove(kn.board, moveFromText(kn.board, "e5g6"));
    EXPECT_TRUE(kn.board.status & InCheck);
    EXPECT_TRUE(kn.board.status & DoubleCheck);
    EXPECT_EQ(kn.board.checker, sq("g6"));

    // d4xe5 with the king on d6 and a rook on d1: double check, checker e5.
    Position pawn("8/8/3k4/4p3/3P4/8/8/3RK3 w - - 0 1");
    ASSERT_TRUE(pawn.ok);
    makeMove(pawn.board, moveFromText(pawn.board, "d4e5"));
    EXPECT_TRUE(pawn.board.status & DoubleCheck);
    EXPECT_EQ(pawn.board.checker, sq("e5"));
}

TEST(MakeMove, RepetitionFiftyMovesAndMaterial) {
    Position p;
    const char* shuffle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int round = 0; round < 2; ++round)
        for (const char* m : shuffle) {
            makeMove(p.board, moveFromText(p.board, m));
            if (round == 0 && m == shuffle[3]) {
                EXPECT_EQ(p.board.repetitions, 2);
                EXPECT_FALSE(p.board.status & RepetitionDraw);
            }
        }
    EXPECT_EQ(p.board.repetitions, 3);
    EXPECT_TRUE(p.board.status & RepetitionDraw);
    EXPECT_FALSE(isLegal(p.board, moveFromText(p.board, "g1f3")));

    // Clock 99: a checking move reaching 100 is not yet a draw; the next is.
    Position f("7k/8/8/8/8/8/R7/K7 w - - 99 80");
    ASSERT_TRUE(f.ok);
    makeMove(f.board, moveFromText(f.board, "a2h2"));
    EXPECT_EQ(f.board.halfmoveClock, 100);
    EXPECT_TRUE(f.board.status & InCheck);
    EXPECT_FALSE(f.board.status & FiftyMoveDraw);
    makeMove(f.board, moveFromText(f.board, "h8g8"));
    EXPECT_TRUE(f.board.status & FiftyMoveDraw);

    auto materialDraw = [](const char* fen) {
        Position m(fen);
        EXPECT_TRUE(m.ok) << fen;
        return insufficientMaterial(m.board);
    };
    // Dead positions: no series of legal moves ends in mate.
    EXPECT_TRUE(materialDraw("8/8/8/4k3/8/8/8/4K3 w - - 0 1"));
    EXPECT_TRUE(materialDraw("8/8/8/4k3/8/8/8/2N1K3 w - - 0 1"));
    EXPECT_TRUE(materialDraw("8/8/3b4/4k3/8/8/8/2B1K3 w - - 0 1"));    // both on dark squares
    EXPECT_TRUE(materialDraw("8/8/3b4/4k3/8/8/3B4/2B1K3 b - - 0 1"));  // three, all dark
    // Mate is still possible (with help), so the game goes on.
    EXPECT_FALSE(materialDraw("8/8/8/4k3/8/8/8/2NNK3 w - - 0 1"));
    EXPECT_FALSE(materialDraw("8/8/8/4k3/4n3/8/8/2B1K3 w - - 0 1"));
    EXPECT_FALSE(materialDraw("8/8/8/4k3/4n3/8/8/2N1K3 w - - 0 1"));
    EXPECT_FALSE(materialDraw("8/8/2b5/4k3/8/8/8/2B1K3 w - - 0 1"));  // light against dark
    EXPECT_FALSE(materialDraw("8/8/8/4k3/8/8/8/2BBK3 w - - 0 1"));
    EXPECT_FALSE(materialDraw("8/8/8/4k3/4p3/8/8/2NNK3 w - - 0 1"));
}

TEST(MakeMove, CopiedGameSeesRepetitionsAndUnmakesAlone) {
    // A game set up from FEN (so its stack starts above 0), then shuffled:
    // the copy must see the repetitions of the source's game and unmake its
    // moves back to the set-up position, on its own stack.
    Position p("4k3/8/8/8/8/8/8/R3K3 w - - 0 40");
    ASSERT_TRUE(p.ok);
    const Board setup = p.board;
    const char* shuffle[] = {"a1a2", "e8d8", "a2a1", "d8e8", "a1a2", "e8d8", "a2a1"};
    std::vector<Move> made;
    for (const char* text : shuffle) {
        made.push_back(moveFromText(p.board, text));
        makeMove(p.board, made.back());
    }
    Position copy;
    copyGameInto(p.board, *copy.owner);
    EXPECT_EQ(copy.board.history, copy.owner->stack.data());
    EXPECT_TRUE(samePosition(copy.board, p.board));
    Move last = moveFromText(copy.board, "d8e8");
    makeMove(copy.board, last);
    EXPECT_EQ(copy.board.repetitions, 3);
    EXPECT_TRUE(copy.board.status & RepetitionDraw);
    unmakeMove(copy.board, last);
    for (size_t i = made.size(); i-- > 0;)
        unmakeMove(copy.board, made[i]);
    EXPECT_TRUE(samePosition(copy.board, setup));
    EXPECT_EQ(p.board.ply, setup.ply + int(made.size()));  // the source is untouched
}

TEST(MakeMove, RepeatsAfterSeesComingRepetition) {
    Position p;
    for (const char* m : {"g1f3", "g8f6", "f3g1"})
        makeMove(p.board, moveFromText(p.board, m));
    EXPECT_TRUE(repeatsAfter(p.board, moveFromText(p.board, "f6g8")));
    EXPECT_FALSE(repeatsAfter(p.board, moveFromText(p.board, "f6e4")));
}

}  // namespace
}  // namespace NEngine::test
