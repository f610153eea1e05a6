// The per-thread evaluator: parameters, lazy window, attack records and the
// pawn hash. One exists per search thread; it reads the thread's current
// board through a pointer and allocates nothing per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/board.h"
#include "board/tablememory.h"
#include "eval/endgame.h"
#include "eval/pawnhash.h"
#include "eval/scoretriple.h"

namespace NEngine {

struct EvalParameters {
    int32_t lazyMargin = 1000;        // quick scores this far outside the window are final
    int32_t openingThreshold = 6490;  // non-pawn material of both sides at or above: opening
    int32_t endgameThreshold = 1800;  // at or below: endgame
    int32_t phaseRange = 4690;        // opening threshold minus endgame threshold
};

// The terms live in files of their own but run as one function: where the
// build optimises across files (Clang's link-time optimisation) those that
// read the attack records are inlined into pieceTerms, and the pawn terms
// into the pawn-hash probe. That costs fewer instructions than inlining
// them from headers at compile time.
#if defined(QUILLON_INLINE_TERMS)
#define QUILLON_TERM_INLINE [[gnu::always_inline]]
#else
#define QUILLON_TERM_INLINE
#endif

enum class GameStage : int { Opening = 0, Middlegame = 1, Endgame = 2 };

// Per-colour attack information, rebuilt by every full evaluation and filled
// by the piece terms in kind order (knights, bishops, rooks, queens).
struct AttackRecord {
    int32_t kingAttackers;    // pieces bearing on the enemy king's zone
    int32_t kingAttackUnits;  // weight of those attacks
    int32_t running;          // piece score collected along the way (common part)
    int32_t kingRunning;      // second running score, middlegame part of king safety
    bool discovered;          // a piece of this side uncovers an attack on the enemy king

    Bitboard pawnAttacks;
    Bitboard pawnDoubleAttacks;
    Bitboard kingAttacks;
    Bitboard kingZone;                // king attacks plus the same set one rank towards the enemy
    Bitboard mobilityArea;            // not own pawns or king, not attacked by enemy pawns
    Bitboard xrayBishop;              // occupancy with own queens and bishops removed
    Bitboard xrayRook;                // occupancy with own queens and rooks removed
    Bitboard pawnPushes;              // single pushes to empty squares, double pushes from home
    Bitboard byKind[PieceTypeCount];  // pseudo attacks by piece kind
    Bitboard all;                     // every attacked square (pinned pieces left out)
    Bitboard allButKing;              // the same without the king's attacks
    Bitboard twice;                   // squares attacked at least twice
    Bitboard pinned;                  // own pieces pinned to the own king
    Bitboard discoverers;             // own pieces alone between an own slider and the enemy king
};

// The terms of one evaluation, White-relative, for `quillon eval` and tests.
struct EvalBreakdown {
    bool mated = false;           // the side to move is checkmated
    bool drawn = false;           // the position carries a draw flag
    bool endgameVerdict = false;  // an endgame evaluator scored the position
    int verdictScore = 0;         // its White-relative score
    int nonPawnMaterial = 0;
    GameStage stage = GameStage::Opening;
    int weight = 0;  // middlegame share of the blend, 0..phase range
    bool pawnHashHit = false;
    ScoreTriple material;
    ScoreTriple imbalance;
    ScoreTriple pieceSquare;
    ScoreTriple pawns;  // pawn structure, shelter and storm (the pawn-hash entry)
    ScoreTriple pieces;
    ScoreTriple kingSafety;
    ScoreTriple threats;  // threats and pawn attacks
    ScoreTriple passedPawns;
    // The same terms of each side, from that side's point of view.
    int kingSafetyBySide[2] = {0, 0};
    int threatsBySide[2] = {0, 0};  // threats alone, without pawn attacks
    ScoreTriple passedBySide[2];
    int whiteScore = 0;  // the whole evaluation from White's side
    int sideScore = 0;   // the same from the side to move's
};

// A full evaluation remembered by position: the whole score depends only on
// the position (the window only decides the lazy exit before it), so a
// position met again in the tree is not evaluated twice.
struct EvalCacheEntry {
    uint64_t key = 0;
    int32_t whiteScore = 0;
    uint32_t valid = 0;
};
constexpr size_t EvalCacheEntries = size_t(1) << 15;

// The material imbalance remembered by the piece counts of both sides (it
// depends on nothing else); a search meets few material balances, so a
// small table holds them.
struct ImbalanceCacheEntry {
    uint64_t whiteCounts = ~uint64_t(0);  // the count bytes of each side; no board has 255 of anything
    uint64_t blackCounts = ~uint64_t(0);
    ScoreTriple value;
};
constexpr size_t ImbalanceCacheEntries = 256;

class Evaluator {
public:
    // The engine's evaluator: a pawn hash of 262,144 entries.
    Evaluator() : Evaluator(size_t(PawnHashDefaultEntries)) {}
    // A pawn hash of `pawnHashEntries` entries (rounded down to a power of
    // two; 0 for none, every call then computes the pawn structure), and an
    // evaluation cache unless `evaluationCache` is false (the evaluation
    // benchmark measures every evaluation in full).
    explicit Evaluator(size_t pawnHashEntries, bool evaluationCache = true);

    // The thread's current position; the evaluator reads it on every call.
    void setBoard(Board* board) { board_ = board; }
    Board* board() const { return board_; }

    // Score for the side to move with the lazy window (alpha, beta):
    // -32000 when the side to move is mated, 0 for a drawn position.
    int evaluate(int alpha, int beta);

    // The full evaluation without the lazy exit, with every term reported.
    // Returns the score for the side to move, like evaluate().
    int evaluateTraced(EvalBreakdown& breakdown);

    const EvalParameters& parameters() const { return params_; }
    int windowLow() const { return windowLow_; }
    int windowHigh() const { return windowHigh_; }
    size_t pawnHashSize() const { return pawnHashEntries_; }
    uint64_t pawnHashMask() const { return pawnHashMask_; }
    // Starts fetching what an evaluation of the position with these keys
    // reads from memory (its evaluation-cache and pawn-hash lines), so that
    // the misses overlap with the search's own table probe.
    void prefetch(uint64_t key, uint64_t pawnKey) const {
        if (evalCache_)
            __builtin_prefetch(&evalCache_[key & (EvalCacheEntries - 1)]);
        if (pawnHash_)
            __builtin_prefetch(&pawnHash_[pawnKey & pawnHashMask_]);
    }
    void prefetchCache(uint64_t key) const {
        if (evalCache_)
            __builtin_prefetch(&evalCache_[key & (EvalCacheEntries - 1)]);
    }

    // Empties the pawn hash and the evaluation cache (a new game).
    void clearPawnHash();
    const AttackRecord& record(Color c) const { return records_[c]; }

private:
    int run(int alpha, int beta, EvalBreakdown* trace);
    // materialImbalance() through the cache.
    ScoreTriple imbalance(const Board& board);

    // Pawn structure with king shelter through the pawn hash; `computed` tells
    // whether the entry was computed in this call (the passed sets are filled then).
    ScoreTriple probePawns(const Board& board, Bitboard passed[2], bool& computed);

    // Step 7 of the evaluation: the attack records of both sides.
    void initAttackRecords(const Board& board);
    // Knights, bishops, rooks, queens, king safety, threats, pawn attacks and
    // passed pawns, White minus Black, with the running scores added.
    ScoreTriple pieceTerms(const Board& board, const Bitboard passed[2], bool computed, EvalBreakdown* trace);

    template <int Kind>
    ScoreTriple pieceKind(const Board& board, Color c);
    QUILLON_TERM_INLINE int kingSafety(const Board& board, Color c);
    QUILLON_TERM_INLINE int threats(const Board& board, Color c) const;
    QUILLON_TERM_INLINE ScoreTriple pawnAttacks(const Board& board, Color c) const;
    QUILLON_TERM_INLINE ScoreTriple passedPawns(const Board& board, Color c, Bitboard candidates) const;

    EvalParameters params_;
    int32_t windowLow_ = 0;
    int32_t windowHigh_ = 0;
    Board* board_ = nullptr;
    AttackRecord records_[2] = {};
    Bitboard occupied_ = 0;
    Bitboard empty_ = 0;
    // The pawn hash and the evaluation cache share one block of table
    // memory: every evaluation reads a random line of each, and in huge
    // pages (where the system gives them) those reads seldom miss the TLB.
    // Null when empty (or when the memory could not be had: the evaluation
    // then computes everything every time).
    TableMemory memory_;
    PawnHashEntry* pawnHash_ = nullptr;
    size_t pawnHashEntries_ = 0;
    EvalCacheEntry* evalCache_ = nullptr;
    std::vector<ImbalanceCacheEntry> imbalanceCache_;
    uint64_t pawnHashMask_ = 0;
    const EndgameRegistry* registry_ = nullptr;
};

}  // namespace NEngine
