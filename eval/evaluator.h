// Placeholder interface of the per-thread evaluator; the evaluation work
// fills it in. The search relies on exactly these members.
#pragma once

#include "board/board.h"

namespace NEngine {

class Evaluator {
public:
    Evaluator();
    // The thread's current position; the evaluator reads it on every call.
    void setBoard(Board* board) { board_ = board; }
    Board* board() const { return board_; }
    // Score for the side to move with the lazy window (alpha, beta):
    // -32000 when the side to move is mated, 0 for a drawn position.
    int evaluate(int alpha, int beta);

private:
    Board* board_ = nullptr;
};

// Builds the process-wide endgame registry once (safe to call again).
void buildEndgameRegistry();

}  // namespace NEngine
