// Fuzzes game-record reading: whatever is read must leave a consistent board
// whose game writes out and reads back to the same position. The positions
// listing reads the same text game by game; every line it writes must hold
// a FEN that sets up and a move that is legal there, and every game that
// stops early must be reported once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "protocol/game_record.h"
#include "protocol/pgn_positions.h"

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
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        std::istringstream in(text);
        std::ostringstream listing, errors;
        const PositionsSummary summary = writePgnPositions(in, listing, errors);
        // Every game that stopped early says so in one line, and only those.
        const std::string messages = errors.str();
        long long messageLines = 0;
        for (char c : messages)
            messageLines += c == '\n';
        if (summary.failedGames < 0 || summary.failedGames > summary.games || messageLines != summary.failedGames)
            std::abort();
        std::istringstream lines(listing.str());
        std::string line;
        Board& check = second->board;
        long long gameEnds = 0;
        while (std::getline(lines, line)) {
            if (line.empty()) {
                ++gameEnds;
                continue;
            }
            const size_t tab = line.find('\t');
            const size_t tab2 = line.find('\t', tab + 1);
            if (tab == std::string::npos || tab2 == std::string::npos || !parseFen(line.substr(0, tab), check))
                std::abort();
            const Move move = parseCoordinate(line.substr(tab + 1, tab2 - tab - 1));
            if (move == NullMove || !isLegal(check, move))
                std::abort();
        }
        if (gameEnds != summary.games)  // one empty line after every game
            std::abort();
    }
    std::istringstream in(text);
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
