// The "perft" command-line tool.
#include "board/perft.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/board.h"
#include "board/clock.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"

namespace NEngine {

int runPerftCommand(int argc, char** argv) {
    if (argc < 1) {
        std::fprintf(stderr, "usage: quillon perft DEPTH [FEN]\n");
        return 2;
    }
    char* end = nullptr;
    long depth = std::strtol(argv[0], &end, 10);
    if (end == argv[0] || *end != '\0' || depth < 1 || depth > 20) {
        std::fprintf(stderr, "quillon perft: depth must be a whole number from 1 to 20\n");
        return 2;
    }
    std::string fen;
    for (int i = 1; i < argc; ++i) {
        if (!fen.empty())
            fen += ' ';
        fen += argv[i];
    }

    initBoardTables();
    BoardWithStack position;
    Board& board = position.board;
    if (!parseFen(fen, board)) {
        std::fprintf(stderr, "quillon perft: illegal or malformed position: %s\n", fen.c_str());
        return 2;
    }

    const uint64_t start = clockNanoseconds();
    MoveList list;
    generateAll(board, list);
    uint64_t total = 0;
    bool inCheck = board.status & InCheck;
    for (uint16_t i = list.head; i != MoveList::End; i = list.entries[i].next) {
        Move move = list.entries[i].move;
        // Root moves are tested the full way; the game rules do not end a perft.
        Board probe = board;
        probe.status &= uint16_t(~GameOverMask);
        bool legal = inCheck ? isLegal(probe, move) : isLegalFast(probe, move);
        if (!legal)
            continue;
        makeMove(board, move);
        uint64_t nodes = perft(board, int(depth) - 1);
        unmakeMove(board, move);
        total += nodes;
        std::printf("%s: %llu\n", moveToText(move, false).c_str(), static_cast<unsigned long long>(nodes));
    }
    double seconds = secondsBetween(start, clockNanoseconds());
    std::printf("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    std::printf("Time: %.3f s\n", seconds);
    std::printf("Nodes/second: %.0f\n", seconds > 0 ? double(total) / seconds : 0.0);
    return 0;
}

}  // namespace NEngine
