// Helpers shared by the protocol tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"

namespace NEngineTest {

inline void ensureBoardTables() {
    NEngine::selectPopCount();
    NEngine::initBoardTables();
}

// Plays move words (coordinate or SAN) on the board; fails the test on any
// word that is not a legal move.
inline void playMoves(NEngine::Board& board, const std::vector<std::string>& words) {
    using namespace NEngine;
    for (const std::string& word : words) {
        Move move = parseMoveText(board, word);
        ASSERT_NE(move, NullMove) << word;
        ASSERT_TRUE(isLegal(board, move)) << word;
        makeMove(board, move);
        detectTerminal(board);
    }
}

}  // namespace NEngineTest
