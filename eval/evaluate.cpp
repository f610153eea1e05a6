// The static evaluation: terminal status, endgame verdict, lazy quick score,
// then pawn structure through the pawn hash and the piece terms, blended by
// the material left on the board.
#include <cstring>

#include "eval/bitmasks.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

// Window bounds beyond which no lazy exit is taken.
constexpr int OpenLowBound = -31999;
constexpr int OpenHighBound = 32000;

inline int toSide(const Board& board, int whiteScore) {
    return board.side() == White ? whiteScore : int(int16_t(-whiteScore));
}

}  // namespace

GameStage gameStage(const EvalParameters& p, int nonPawnMaterial) {
    if (nonPawnMaterial >= p.openingThreshold)
        return GameStage::Opening;
    if (nonPawnMaterial <= p.endgameThreshold)
        return GameStage::Endgame;
    return GameStage::Middlegame;
}

int blendWeight(const EvalParameters& p, int nonPawnMaterial) {
    const int w = nonPawnMaterial - p.endgameThreshold;
    return w < 0 ? 0 : (w > p.phaseRange ? p.phaseRange : w);
}

int blendScore(const EvalParameters& p, const ScoreTriple& s, GameStage stage, int weight) {
    int v;
    switch (stage) {
    case GameStage::Opening: v = s.common + s.mg; break;
    case GameStage::Endgame: v = s.common + s.eg; break;
    default:
        // Integer division truncates toward zero, as everywhere in the evaluation.
        v = s.common + (s.mg * weight + s.eg * (p.phaseRange - weight)) / p.phaseRange;
        break;
    }
    return int16_t(v);
}

ScoreTriple Evaluator::imbalance(const Board& board) {
    static_assert(sizeof(board.sides[White].count) == sizeof(uint64_t));
    uint64_t white, black;
    std::memcpy(&white, board.sides[White].count, sizeof white);
    std::memcpy(&black, board.sides[Black].count, sizeof black);
    const uint64_t mix = white * 0x9E3779B97F4A7C15ULL ^ black * 0xC2B2AE3D27D4EB4FULL;
    ImbalanceCacheEntry& e = imbalanceCache_[(mix >> 32) & (ImbalanceCacheEntries - 1)];
    if (e.whiteCounts != white || e.blackCounts != black) {
        e.whiteCounts = white;
        e.blackCounts = black;
        e.value = materialImbalance(board);
    }
    return e.value;
}

int Evaluator::evaluate(int alpha, int beta) { return run(alpha, beta, nullptr); }

int Evaluator::evaluateTraced(EvalBreakdown& breakdown) {
    breakdown = EvalBreakdown{};
    return run(-InfiniteScore, InfiniteScore, &breakdown);
}

ScoreTriple Evaluator::probePawns(const Board& board, Bitboard passed[2], bool& computed) {
    PawnHashEntry* slot = pawnHash_ ? &pawnHash_[board.pawnKey & pawnHashMask_] : nullptr;
    // The shelter reads the kings and the castling rights; the pawn key holds
    // both, so entries never mix them.
    const uint32_t keyWord = pawnKeyWord(board.pawnKey);
    if (slot && pawnEntryMatches(*slot, keyWord)) {
        computed = false;
        return unpackPawnEntry(*slot);
    }
    computed = true;
    ScoreTriple s = pawnStructure(board, White, passed[White]) - pawnStructure(board, Black, passed[Black]);
    s.mg += kingShelter(board, White) - kingShelter(board, Black);
    // A component too large for its 10 bits would read back with the wrong
    // sign; such (rare) structures are recomputed every time instead.
    if (slot && fitsPawnEntry(s))
        *slot = packPawnEntry(*slot, keyWord, s);
    return s;
}

int Evaluator::run(int alpha, int beta, EvalBreakdown* trace) {
    assert(board_ && "setBoard() must come before the first evaluation");
    const Board& board = *board_;

    // 1. Fetch the pawn entry early; it is needed after the endgame lookup.
    if (pawnHash_)
        __builtin_prefetch(&pawnHash_[board.pawnKey & pawnHashMask_]);

    // 2. Terminal positions.
    if (board.status & Checkmate) {
        if (trace)
            trace->mated = true;
        return -MateScore;
    }
    if (board.status & DrawnMask) {
        if (trace)
            trace->drawn = true;
        return DrawScore;
    }

    // 3. An endgame evaluator that applies is the whole evaluation.
    const EndgameVerdict verdict = registry_->probe(board);
    if (verdict.applies) {
        if (trace) {
            trace->endgameVerdict = true;
            trace->verdictScore = verdict.score;
            trace->whiteScore = verdict.score;
            trace->sideScore = toSide(board, verdict.score);
        }
        return toSide(board, verdict.score);
    }

    // 4. The lazy window.
    windowLow_ = alpha < OpenLowBound ? -InfiniteScore : alpha - params_.lazyMargin;
    windowHigh_ = beta >= OpenHighBound ? InfiniteScore : beta + params_.lazyMargin;

    // 5. Stage and blend weight.
    const int nonPawn = board.sides[White].nonPawnMaterial + board.sides[Black].nonPawnMaterial;
    const GameStage stage = gameStage(params_, nonPawn);
    const int weight = blendWeight(params_, nonPawn);

    // 6. Quick score: material, piece-square sums and imbalance.
    const ScoreTriple imbalance = this->imbalance(board);
    const ScoreTriple material{board.sides[White].material - board.sides[Black].material, 0, 0};
    const ScoreTriple pieceSquare{0, board.psqMg, board.psqEg};
    ScoreTriple total = material + pieceSquare + imbalance;
    const int quick = toSide(board, blendScore(params_, total, stage, weight));
    if (!trace && (quick < windowLow_ || quick > windowHigh_))
        return quick;

    EvalCacheEntry* cached = evalCache_ ? &evalCache_[board.key & (EvalCacheEntries - 1)] : nullptr;
    if (!trace && cached && cached->valid && cached->key == board.key)
        return toSide(board, cached->whiteScore);

    // 7. Attack records, pawn structure (through the pawn hash), piece terms.
    initAttackRecords(board);
    Bitboard passed[2] = {0, 0};
    bool computed = false;
    const ScoreTriple pawns = probePawns(board, passed, computed);
    total += pawns;
    total += pieceTerms(board, passed, computed, trace);

    // 8. Blend and turn to the side to move.
    const int white = blendScore(params_, total, stage, weight);
    if (cached)
        *cached = EvalCacheEntry{board.key, white, 1};
    if (trace) {
        trace->nonPawnMaterial = nonPawn;
        trace->stage = stage;
        trace->weight = weight;
        trace->pawnHashHit = !computed;
        trace->material = material;
        trace->imbalance = imbalance;
        trace->pieceSquare = pieceSquare;
        trace->pawns = pawns;
        trace->whiteScore = white;
        trace->sideScore = toSide(board, white);
    }
    return toSide(board, white);
}

}  // namespace NEngine
