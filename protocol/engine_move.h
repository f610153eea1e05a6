// The engine's own move and its analysis, as both protocols use them.
#pragma once

#include <cstdint>
#include <string>

#include "board/board.h"

namespace NEngine {

class EngineShell;

// The outcome of think.
struct ThinkResult {
    uint16_t status = 0;        // board status after the move (game-over flags etc.)
    Move move = NullMove;       // the move played, 0 for none
    std::string reply;          // its coordinate text ("move " prefix for XBoard); "" for none
    bool moverIsWhite = false;  // White was to move when the decision began
    int16_t score = 0;
    bool ok = false;  // false only when a search was already running
};

// The engine decides and plays its move on the game board: the time budget,
// the search, then its best move when that is legal in the game. When the
// search ends without a move (stopped before its first iteration completed)
// but the position has legal moves, a legal move is still played: an
// interface must never be left without an answer it can use. The reply is
// the move's coordinate text, with the "move " prefix of XBoard when
// xboardPrefix is set.
ThinkResult think(EngineShell& shell, bool xboardPrefix);

// Infinite analysis until stopped; the final-result callback writes its move.
bool runAnalysis(EngineShell& shell);

// The first legal move of the position in generation order; 0 when none.
Move firstLegalMove(const Board& board);

}  // namespace NEngine
