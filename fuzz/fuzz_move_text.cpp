// Fuzzes move text reading: the first byte picks a position, the rest is the
// text. Whatever is read must be a move the generator could produce.
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

const char* const Positions[] = {
    "",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1",
};

bool generated(const Board& board, Move move) {
    MoveList list;
    generateAll(board, list);
    bool found = false;
    list.forEach([&](Move m) { found |= sameMove(m, move); });
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static BoardWithStack* owner = [] {
        initBoardTables();
        return new BoardWithStack;
    }();
    if (size < 1)
        return 0;
    Board& board = owner->board;
    if (!parseFen(Positions[data[0] % std::size(Positions)], board))
        std::abort();
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    classifyMoveText(text);
    parseCoordinate(text);
    Move san = parseSan(board, text);
    if (san != NullMove && (!generated(board, san) || !isLegal(board, san)))
        std::abort();
    Move move = parseMoveText(board, text);
    if (move == NullMove)
        return 0;
    if (!generated(board, move))
        std::abort();
    if (isLegal(board, move)) {
        uint64_t key = board.key;
        makeMove(board, move);
        if (!boardConsistent(board))
            std::abort();
        unmakeMove(board, move);
        if (board.key != key)
            std::abort();
    }
    return 0;
}
