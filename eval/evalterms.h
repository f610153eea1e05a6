// Evaluation terms that depend on the position alone (no attack records):
// stage and blend, material imbalance, pawn structure and king shelter.
// Every triple here is from the named side's point of view unless it says
// White-relative.
#pragma once

#include "board/board.h"
#include "eval/evaluator.h"
#include "eval/scoretriple.h"

namespace NEngine {

// Bonus of an open pawn by relative rank (rank 1 .. rank 7).
constexpr int PassedRankCount = 7;
constexpr int PassedRankBonus[PassedRankCount] = {0, 5, 9, 20, 38, 65, 98};

// The passed-pawn rank bonus; pawns never stand on their last rank.
inline int passedRankBonus(int relativeRank) {
    assert(relativeRank >= 0 && relativeRank < PassedRankCount);
    return PassedRankBonus[relativeRank < 0 ? 0
                                            : (relativeRank >= PassedRankCount ? PassedRankCount - 1 : relativeRank)];
}

// Stage from the non-pawn material of both sides.
GameStage gameStage(const EvalParameters& p, int nonPawnMaterial);
// Middlegame share of the blend: non-pawn material above the endgame
// threshold, clamped to the phase range.
int blendWeight(const EvalParameters& p, int nonPawnMaterial);
// common + blend of middlegame and endgame, cut to 16 bits.
int blendScore(const EvalParameters& p, const ScoreTriple& s, GameStage stage, int weight);

// White-relative material-imbalance triple (its common part is always 0).
ScoreTriple materialImbalance(const Board& board);

// Pawn structure of side c; the side's open pawns are OR-ed into `passed`.
QUILLON_TERM_INLINE ScoreTriple pawnStructure(const Board& board, Color c, Bitboard& passed);

// King shelter and pawn storm of side c (middlegame).
QUILLON_TERM_INLINE int kingShelter(const Board& board, Color c);
// The shelter value of one square for side c, and the pawn in front of it.
int shelterValue(const Board& board, Color c, Square q);
int shelterFront(const Board& board, Color c, Square q);

}  // namespace NEngine
