// The node procedures of the search: principal-variation alpha-beta with its
// pruning, reductions and extensions, and the quiescence search.
#pragma once

#include "search/threadstate.h"

namespace NEngine {

int searchNode(ThreadState& thread, int depth, int ply, int alpha, int beta, bool isPV, bool allowNull);
int quiesce(ThreadState& thread, int depth, int ply, int alpha, int beta, bool isPV, int staticEval);
// Extension (twentieths of a ply) of a move that has just been made.
int extensionFor(ThreadState& thread, Move move, bool isPV, bool extendedFlag);
// Whether the node's fail-high move answers a threat of the opponent's last move.
bool threatConnected(ThreadState& thread, Move move);
void updatePrincipalVariation(ThreadState& thread, Move move, int ply);
// The terminal-aware evaluation: -32000 when marked mated, 0 when drawn.
int evaluatePosition(ThreadState& thread, int alpha, int beta);

}  // namespace NEngine
