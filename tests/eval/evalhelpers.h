// Shared helpers of the evaluation tests: positions from FEN, the colour
// mirror of a FEN, and table set-up.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <sstream>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/tables.h"
#include "eval/endgame.h"
#include "eval/evaluator.h"

namespace NEngine::NTest {

inline void initEvalTables() {
    initBoardTables();
    buildEndgameRegistry();
}

// A board with its own stack, set up from FEN (the test fails on a bad FEN).
struct Position {
    std::unique_ptr<BoardWithStack> holder = std::make_unique<BoardWithStack>();
    Board& board = holder->board;
    explicit Position(const std::string& fen) { EXPECT_TRUE(parseFen(fen, board)) << fen; }
};

// The same position with colours exchanged and the board turned upside down.
inline std::string mirrorFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, ep, halfmove = "0", fullmove = "1";
    in >> placement >> side >> castling >> ep >> halfmove >> fullmove;
    std::string ranks[8];
    int r = 0;
    for (char ch : placement) {
        if (ch == '/')
            ++r;
        else if (r < 8)
            ranks[r] += char(std::isupper(static_cast<unsigned char>(ch)) ? std::tolower(ch) : std::toupper(ch));
    }
    std::string out;
    for (int i = 7; i >= 0; --i) {
        out += ranks[i];
        if (i)
            out += '/';
    }
    std::string newCastling;
    if (castling == "-") {
        newCastling = "-";
    } else {
        for (char ch : std::string("KQkq")) {
            char src = std::isupper(static_cast<unsigned char>(ch)) ? char(std::tolower(ch)) : char(std::toupper(ch));
            if (castling.find(src) != std::string::npos)
                newCastling += ch;
        }
    }
    std::string newEp = ep;
    if (ep != "-" && ep.size() == 2)
        newEp = std::string(1, ep[0]) + char('1' + ('8' - ep[1]));
    return out + " " + (side == "w" ? "b" : "w") + " " + newCastling + " " + newEp + " " + halfmove + " " + fullmove;
}

}  // namespace NEngine::NTest
