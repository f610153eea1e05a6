// The engine's own move and its analysis, as both protocols use them.
#pragma once

#include "board/board.h"
#include "search/records.h"

namespace NEngine {

class EngineShell;

// The engine decides and plays its move on the game board. When the search
// ends without a move (stopped before its first iteration completed) but the
// position has legal moves, a legal move is still played: an interface must
// never be left without an answer it can use.
ThinkResult thinkMove(EngineShell& shell, bool xboardPrefix);

// Infinite analysis until stopped; the final-result callback writes its move.
bool runAnalysis(EngineShell& shell);

// The first legal move of the position in generation order; 0 when none.
Move firstLegalMove(const Board& board);

}  // namespace NEngine
