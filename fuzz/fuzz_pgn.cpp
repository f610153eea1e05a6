// Fuzzes game-record reading: whatever is read must leave a consistent board
// whose game writes out and reads back to the same position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "board/board.h"
#include "protocol/game_record.h"

using namespace NEngine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static BoardWithStack* first = [] {
        initBoardTables();
        return new BoardWithStack;
    }();
    static BoardWithStack* second = new BoardWithStack;
    Board& board = first->board;
    if (!parseFen("", board))
        std::abort();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    bool read = readPgn(board, in);
    if (!boardConsistent(board) || board.ply >= StateStackSize)
        std::abort();
    if (!read)
        return 0;
    std::ostringstream out;
    if (!writePgn(board, out))
        std::abort();
    Board& again = second->board;
    parseFen("", again);
    std::istringstream back(out.str());
    if (!readPgn(again, back) || again.key != board.key || writeFen(again) != writeFen(board))
        std::abort();
    return 0;
}
