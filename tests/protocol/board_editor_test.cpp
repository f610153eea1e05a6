// XBoard's board editor on a board: placing, clearing and toggling, and the
// position it settles on.
#include <random>

#include "board/fen.h"
#include "board/makemove.h"
#include "protocol/board_editor.h"
#include "tests/board/board_test_util.h"

namespace NEngine::test {
namespace {

TEST(BoardEditor, EditMode) {
    Position p;
    EditState edit;
    beginEdit(p.board, edit);
    clearForEdit(p.board, edit);
    placeEditPiece(p.board, edit, "Ke1");
    placeEditPiece(p.board, edit, "Pe4");
    placeEditPiece(p.board, edit, "Xe5");  // unknown letter: nothing
    placeEditPiece(p.board, edit, "Pz4");  // off the board: nothing
    toggleEditColor(edit);
    placeEditPiece(p.board, edit, "Ke8");
    ASSERT_TRUE(endEdit(p.board));
    EXPECT_EQ(writeFen(p.board), "4k3/8/8/8/4P3/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(boardConsistent(p.board));

    // Editing away a rook drops the castling right that needed it.
    Position q;
    beginEdit(q.board, edit);
    q.board.removePiece(White, Rook, sq("a1"));
    q.board.squares[sq("a1")] = 0;
    ASSERT_TRUE(endEdit(q.board));
    EXPECT_EQ(writeFen(q.board), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/1NBQKBNR w Kkq - 0 1");
    EXPECT_TRUE(boardConsistent(q.board));

    // An edited position without a black king is refused.
    Position r;
    beginEdit(r.board, edit);
    clearForEdit(r.board, edit);
    placeEditPiece(r.board, edit, "Ke1");
    EXPECT_FALSE(endEdit(r.board));
}

// A piece placed on the en-passant square of the last double step makes the
// square impossible: the edit drops it, so no "en passant" capture of the
// piece is generated and the board reads back from its own FEN.
TEST(BoardEditor, EditDropsAnEnPassantSquareThatNoLongerFits) {
    Position p("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    makeMove(p.board, moveFromText(p.board, "e2e4"));
    ASSERT_EQ(p.board.enPassant, sq("e3"));
    EditState edit;
    beginEdit(p.board, edit);
    toggleEditColor(edit);
    placeEditPiece(p.board, edit, "Pd4");
    placeEditPiece(p.board, edit, "Ne3");
    ASSERT_TRUE(endEdit(p.board));
    EXPECT_EQ(p.board.enPassant, 0);
    EXPECT_EQ(writeFen(p.board), "4k3/8/8/8/3pP3/4n3/8/4K3 b - - 0 1");
    for (Move m : legalMoves(p.board))
        EXPECT_NE(moveToText(m, false), "d4e3");
    EXPECT_TRUE(boardConsistent(p.board));

    // A pawn placed on the square the double step came from does the same.
    Position q("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    makeMove(q.board, moveFromText(q.board, "e2e4"));
    beginEdit(q.board, edit);
    placeEditPiece(q.board, edit, "Pe2");
    ASSERT_TRUE(endEdit(q.board));
    EXPECT_EQ(writeFen(q.board), "4k3/8/8/8/4P3/8/4P3/4K3 b - - 0 1");
    // And FEN text with such a square is refused.
    Position r("4k3/8/8/8/4P3/8/4P3/4K3 b - e3 0 1");
    EXPECT_FALSE(r.ok);
}

// Random edits of positions reached by random games: after every "." the
// edited board is exactly what its own FEN sets up, field by field, unless
// the edit was refused.
TEST(BoardEditor, RandomEditsReadBackFromTheirOwnFen) {
    std::mt19937 rng(20261209);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    int accepted = 0, refused = 0, enPassantKept = 0;
    for (int game = 0; game < 400; ++game) {
        Position p;
        const int plies = pick(60);
        for (int i = 0; i < plies; ++i) {
            const std::vector<Move> moves = legalMoves(p.board);
            if (moves.empty())
                break;
            makeMove(p.board, moves[size_t(pick(int(moves.size())))]);
        }
        EditState edit;
        beginEdit(p.board, edit);
        const int steps = 1 + pick(16);
        for (int step = 0; step < steps; ++step) {
            const int kind = pick(20);
            if (kind < 12) {
                std::string word = {"pnbrqkx"[pick(7)], char('a' + pick(8)), char('1' + pick(8))};
                placeEditPiece(p.board, edit, word);
            } else if (kind < 15) {
                toggleEditColor(edit);
            } else if (kind < 16) {
                clearForEdit(p.board, edit);
            } else if (kind < 19 || step + 1 == steps) {
                const bool hadEnPassant = p.board.enPassant > 0;
                if (!endEdit(p.board)) {
                    ++refused;
                    break;  // the shell puts the game back; nothing more to check
                }
                ++accepted;
                enPassantKept += hadEnPassant && p.board.enPassant > 0;
                const std::string fen = writeFen(p.board);
                ASSERT_FALSE(fen.empty());
                Position back(fen);
                ASSERT_TRUE(back.ok) << fen;
                ASSERT_TRUE(samePosition(p.board, back.board)) << fen;
                EXPECT_EQ(writeFen(back.board), fen);
                ASSERT_TRUE(boardConsistent(p.board)) << fen;
                beginEdit(p.board, edit);
            }
        }
    }
    // The random edits reach both outcomes and keep some en-passant squares.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 50);
    EXPECT_GT(enPassantKept, 0);
}

}  // namespace
}  // namespace NEngine::test
