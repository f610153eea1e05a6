// Fuzzes FEN reading: any accepted position must write back, read again to
// the same position, and survive making and unmaking its moves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"

using namespace NEngine;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static BoardWithStack* first = [] {
        initBoardTables();
        return new BoardWithStack;
    }();
    static BoardWithStack* second = new BoardWithStack;
    std::string text(reinterpret_cast<const char*>(data), size);
    Board& board = first->board;
    if (!parseFen(text, board))
        return 0;
    check(boardConsistent(board));
    check(board.hasRoomForMove());
    std::string fen = writeFen(board);
    check(!fen.empty());
    check(parseFen(fen, second->board));
    check(second->board.key == board.key && writeFen(second->board) == fen);

    MoveList list;
    generateAll(board, list);
    list.forEach([&](Move move) {
        check(isPseudoLegal(board, move));
        if (!isLegal(board, move))
            return;
        std::string san = moveToSan(board, move);
        check(!san.empty() && parseSan(board, san) == move);
        makeMove(board, move);
        check(boardConsistent(board));
        perft(board, 1);
        unmakeMove(board, move);
    });
    check(writeFen(board) == fen);
    return 0;
}
