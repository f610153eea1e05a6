// The node search and the quiescence search.
#include "search/node.h"

#include <algorithm>
#include <cstdlib>

#include "board/makemove.h"
#include "board/movegen.h"
#include "search/movepicker.h"
#include "search/search.h"
#include "search/see.h"

namespace NEngine {

namespace {

// Search::pollStop, with its common answer inline: helpers never stop here,
// and the main thread only reads the clock or the input when its node count
// is a multiple of the clock interval; otherwise only the stop flag counts.
inline bool stopRequested(Search& search, ThreadState& t) {
    if (t.index != 0)
        return false;
    if ((t.searchNodes.load(std::memory_order_relaxed) & (Search::ClockInterval - 1)) == 0)
        return search.pollStop(t);
    return t.stopped();
}

// Null-move reduction.
constexpr int NullDepthFewPieces = 3 * OnePly;  // fewer than two pieces
constexpr int NullDepthManyPieces = 2 * OnePly;
constexpr int NullReductionBig = 5 * OnePly;
constexpr int NullReductionNormal = 4 * OnePly;
constexpr int NullBigAdvantageMargin = 360;
constexpr int NullBigDepth = 7 * OnePly;
// Razoring.
constexpr int RazorMargin = 300;
constexpr int RazorScoreLimit = MateBound - 1;  // 31935
// Internal iterative deepening.
constexpr int IidMinDepth = 4 * OnePly;
constexpr int IidReduction = 3 * OnePly;
// Late-move reduction.
constexpr int LmrMinIteration = 5;  // iterations deeper than this reduce
constexpr int LmrMinDepth = 3 * OnePly;
constexpr int LmrAlphaFloor = -32064;
// Quiescence.
constexpr int QuiescenceMargin = 250;
constexpr int LoneMinorMargin = 90;

inline bool weakSide(const SideSet& s) {
    return s.count[Pawn] == 0 && s.count[Rook] == 0 && s.count[Queen] == 0 && s.count[Knight] + s.count[Bishop] < 2;
}

inline int advantageOf(const Board& b) { return int(b.sides[b.side()].material) - int(b.sides[~b.side()].material); }

// The entry of the move that led to the current position.
inline StateEntry& previousEntry(Board& b) { return b.history[b.ply - 1]; }

inline bool arrivedReduced(const Board& b) { return b.ply > b.setupPly && (b.history[b.ply - 1].flags & ReducedMark); }

inline bool isQuietMove(const Board& b, Move m) {
    Square to = moveTo(m);
    return !movePromotion(m) && b.typeOn(to) == 0 &&
           !(b.typeOn(moveFrom(m)) == Pawn && b.enPassant > 0 && to == b.enPassant);
}

// ceil(depth / 20) for any sign.
inline int pliesCeil(int depth) { return depth > 0 ? (depth + OnePly - 1) / OnePly : -((-depth) / OnePly); }

inline int toTableScore(int score, int ply) {
    if (score >= MateBound)
        return score + ply;
    if (score <= -MateBound)
        return score - ply;
    return score;
}

inline int fromTableScore(int score, int ply) {
    if (score >= MateBound)
        return score - ply;
    if (score <= -MateBound)
        return score + ply;
    return score;
}

// Thread diagnostics: whose entries a thread finds, cuts off on and replaces.
inline bool fromOtherThread(const ThreadState& t, uint16_t info) {
    return (info & InfoThreadMask) && (info & InfoThreadMask) != t.tableMark;
}

void noteProbe(ThreadState& t, bool found, const TableRecord& entry) {
    ++t.stats.probes;
    if (found) {
        ++t.stats.hits;
        t.stats.hitsFromOthers += fromOtherThread(t, entry.info);
    }
}

void noteCutoff(ThreadState& t, const TableRecord& entry) {
    ++t.stats.cutoffs;
    t.stats.cutoffsFromOthers += fromOtherThread(t, entry.info);
}

void noteStore(ThreadState& t, uint16_t replaced) {
    ++t.stats.stores;
    // Another thread's entry of a searched position (not a move-only one).
    t.stats.replacedOthers += fromOtherThread(t, replaced) && (replaced & InfoDepthMask);
}

struct ProbeResult {
    Move hashMove = NullMove;
    bool extended = false;
    bool cutoff = false;
    int score = 0;
};

// The table probe that may end a node at once.
ProbeResult probeForCutoff(ThreadState& t, int depth, int ply, int alpha, int beta, bool isPV) {
    ProbeResult result;
    Board& b = t.board();
    TableRecord entry;
    // Step 1. Look the position up: the entry's move and extended flag serve
    //         every node, whatever the entry's bound.
    const bool found = t.search.table().lookup(b.key, entry);
    if (t.tableMark)
        noteProbe(t, found, entry);
    if (!found)
        return result;
    result.hashMove = Move(entry.move & MoveBits);
    result.extended = entry.extended();
    // Step 2. PV nodes and bare-king positions are always searched: no cut-off.
    if (isPV || b.sides[0].material == 0 || b.sides[1].material == 0)
        return result;
    // Step 3. Only an entry deep enough, with a bound and a non-draw score,
    //         may end the node.
    int score = fromTableScore(entry.score, ply);
    if (entry.bound() == BoundNone || entry.depth() < pliesCeil(depth) || ply < 1 || score == 0)
        return result;
    // Step 4. Fail-low: an upper bound at or below alpha.
    if (entry.bound() == BoundUpper && score <= alpha) {
        result.cutoff = true;
        result.score = score;
    }
    // Step 5. Fail-high: a lower (or exact) bound at or above beta, unless the stored
    //         move would repeat a position; within a reduced line a stored
    //         threat sends the parent back to full depth.
    else if ((entry.bound() == BoundExact || entry.bound() == BoundLower) && score >= beta && result.hashMove) {
        if (beta > 0 && repeatsAfter(b, result.hashMove))
            return result;
        result.cutoff = true;
        result.score = (entry.threat() && arrivedReduced(b)) ? beta - 1 : score;
    }
    if (result.cutoff && t.tableMark)
        noteCutoff(t, entry);
    return result;
}

// Pawn moves worth searching at full depth: captures, promotions, pushes
// that attack something, and new passed pawns.
bool keepFullDepth(const Board& b, Move m) {
    const LookupTables& t = tables();
    Square from = moveFrom(m), to = moveTo(m);
    if (b.typeOn(from) != Pawn)
        return false;
    if (movePromotion(m) || b.typeOn(to) != 0 || (b.enPassant > 0 && to == b.enPassant))
        return true;
    Color us = b.side(), them = ~us;
    if (t.pawnAttacks[us][to] & b.sides[them].occupied)
        return true;
    if (t.passedMask[us][to] & b.pieces(them, Pawn))
        return false;
    if (t.frontSpan[us][to] & b.pieces(us, Pawn))
        return false;
    return true;
}

inline void noteSelectiveDepth(ThreadState& t, int ply) {
    if (ply > t.selectiveDepth)
        t.selectiveDepth = ply;
}

}  // namespace

int evaluatePosition(ThreadState& t, int alpha, int beta) {
    const Board& b = t.board();
    if (b.status & Checkmate)
        return -MateScore;
    if (b.status & DrawnMask)
        return DrawScore;
    return t.evaluator.evaluate(alpha, beta);
}

void updatePrincipalVariation(ThreadState& t, Move move, int ply) {
    if (ply < 0 || ply >= MaxPly)
        return;
    Move* row = t.plies[ply].pv;
    const Move* child = t.plies[ply + 1].pv;
    row[ply] = move;
    row[ply + 1] = NullMove;
    for (int c = ply + 1; c < MaxPly; ++c) {
        row[c] = child[c];
        if (!child[c])
            break;
    }
}

int extensionFor(ThreadState& t, Move move, bool isPV, bool extendedFlag) {
    const Board& b = t.board();
    // Step 1. A move that gives check is searched one ply deeper.
    int ext = b.inCheck() ? OnePly : 0;
    // Step 2. Only the picker's good moves on the principal variation go further.
    if (!isPV || !(move & MoveMark))
        return ext;
    // Step 3. Promotions, and positions already known to hang on one move.
    if (movePromotion(move) || extendedFlag)
        return ext + OnePly;
    // Step 4. Recaptures on the square of the previous capture.
    if (b.ply - b.setupPly >= 2) {
        const StateEntry& before = b.history[b.ply - 2];
        if ((before.flags & CaptureMove) && !(before.flags & NullMoveFlag) && moveTo(before.move) == moveTo(move))
            return ext + OnePly;
    }
    return ext;
}

bool threatConnected(ThreadState& t, Move move) {
    const LookupTables& tb = tables();
    Board& b = t.board();
    if (b.ply <= b.setupPly)
        return false;
    const StateEntry& p = previousEntry(b);
    // Step 1. Only quiet, non-checking moves of the opponent carry such threats.
    if ((p.flags & (NullMoveFlag | CaptureMove | GivesCheck)) || movePromotion(p.move))
        return false;
    Square from = moveFrom(move), to = moveTo(move);
    Square pFrom = moveFrom(p.move), pTo = moveTo(p.move);
    Color us = b.side(), them = ~us;
    // Step 2. A king walk in a position full of pieces.
    const SideSet& own = b.sides[us];
    if (b.typeOn(from) == King && own.count[Queen] && own.count[Rook] && own.count[Knight] + own.count[Bishop])
        return true;
    Bitboard occ = b.occupied();
    Bitboard sliders = b.pieces(them, Bishop) | b.pieces(them, Rook) | b.pieces(them, Queen);
    // A line opened through p's origin onto the square: the slider behind
    // must really see the square, so the squares between the origin and the
    // square must be empty too. Otherwise a rook behind a knight that moved
    // away would count as a threat to a square that another piece still
    // shields from it.
    auto opened = [&](Square target) {
        if (!tb.lineKind[target][pFrom] || (tb.between[target][pFrom] & occ))
            return false;
        return sliderBehind(b, occ, sliders, target, pFrom);
    };
    // Step 3. The moved piece, or a line it opened, bears on the move's target
    //         or origin square.
    if (pieceReaches(b, to, pTo))
        return true;
    if (opened(to))
        return true;
    if (pieceReaches(b, from, pTo))
        return true;
    if (opened(from))
        return true;
    return false;
}

int searchNode(ThreadState& t, int depth, int ply, int alpha, int beta, bool isPV, bool allowNull) {
    Board& b = t.board();
    Search& search = t.search;
    TranspositionTable& table = search.table();
    HistoryTable& history = search.history();
    table.prefetch(b.key);
    noteSelectiveDepth(t, ply);

    // Step 1. Fresh PV row and killer of the child, done first so that a
    //         parent never copies a stale row from a node that returned at once.
    if (ply < MaxPly) {
        t.plies[ply].pv[ply] = NullMove;
        t.plies[ply + 1].killer = {};
    }
    // Step 2. Mate-distance pruning: a mate found nearer the root already beats
    //         anything this node can give.
    if (alpha >= MateScore - ply)
        return alpha;
    // Step 3. A drawn position or a repetition scores a draw.
    if ((b.status & DrawnMask) || b.repetitions > 1)
        return DrawScore;
    // Step 4. A stopped thread or the ply limit: the static evaluation stands in.
    if (t.stopped() || ply > MaxPly)
        return evaluatePosition(t, alpha, beta);
    // Step 5. At the horizon quiescence resolves the captures.
    if (depth < 1)
        return quiesce(t, depth, ply, alpha, beta, isPV, UnknownEval);

    const bool nodeInCheck = b.inCheck();
    // The evaluation that razoring (step 8) needs at the horizon does not
    // depend on the table, so it is worked out before the probe, while the
    // table line the parent prefetched arrives.
    auto mayRazor = [&] {
        return !isPV && !nodeInCheck && alpha >= -RazorScoreLimit && alpha <= RazorScoreLimit && depth <= OnePly &&
               ply >= 2;
    };
    const int earlyEval = mayRazor() ? evaluatePosition(t, alpha, beta) : UnknownEval;

    // Step 6. Transposition table: a stored bound may end the node; its move
    //         goes first otherwise.
    ProbeResult probe = probeForCutoff(t, depth, ply, alpha, beta, isPV);
    if (probe.cutoff)
        return probe.score;
    Move hashMove = probe.hashMove;
    bool nodeExtended = probe.extended;
    const int entryAlpha = alpha;
    const Color us = b.side();
    const int advantage = advantageOf(b);
    bool mateThreat = false, nullFailedLow = false;

    // Step 7. Null move: if passing the turn still fails high, search this
    //         node shallower; a pass that gets mated reveals a threat.
    if (!isPV && !nodeInCheck && allowNull && std::abs(beta) < MateBound) {
        const SideSet& own = b.sides[us];
        int pieces = own.count[Knight] + own.count[Bishop] + own.count[Rook] + own.count[Queen];
        int threshold = pieces < 2 ? NullDepthFewPieces : NullDepthManyPieces;
        if (depth > threshold && !weakSide(own)) {
            int nullDepth = (beta + NullBigAdvantageMargin < advantage && depth > NullBigDepth)
                                ? depth - NullReductionBig
                                : depth - NullReductionNormal;
            nullDepth = std::max(nullDepth, 1);
            makeNullMove(b);
            int nullScore = -searchNode(t, nullDepth, ply + 1, -beta, 1 - beta, false, false);
            unmakeNullMove(b);
            if (nullScore >= beta) {
                depth = nullDepth;
            } else {
                if (nullScore <= -MateBound) {
                    if (arrivedReduced(b))
                        return beta - 1;
                    mateThreat = true;
                }
                nullFailedLow = true;
            }
        }
    }

    // Step 8. Razoring: hopeless positions near the horizon go to quiescence
    //         (the null move may have brought the depth down to it).
    if (mayRazor()) {
        const int e = earlyEval != UnknownEval ? earlyEval : evaluatePosition(t, alpha, beta);
        if (alpha - std::max(e, advantage) - RazorMargin > 0)
            return quiesce(t, depth, ply, alpha, beta, false, e);
    }

    // Step 9. Internal iterative deepening: without a table move, a shallower
    //         search finds one to try first.
    if (!hashMove && depth >= IidMinDepth) {
        searchNode(t, depth - IidReduction, ply, alpha, beta, isPV, true);
        TableRecord entry;
        if (table.lookup(b.key, entry)) {
            hashMove = Move(entry.move & MoveBits);
            nodeExtended = entry.extended();
        }
    }

    // Step 10. The picker, primed with the table's move and the killer.
    int bestScore = -InfiniteScore;
    Move bestMove = NullMove;
    bool bestTactical = false;
    int searched = 0, raisedCount = 0, lastRaiseExt = 0;
    bool exhausted = false;
    MovePicker picker;
    picker.init(b, history, hashMove, t.plies[ply].killer.move);

    // Step 11. The move loop: the first move with the full window, the others
    //          with a null window (a rarely good quiet one reduced), re-searched
    //          when they beat alpha; history counts, killer and PV follow.
    while (alpha < beta) {
        if (stopRequested(search, t))
            break;
        ScoredMove* item = picker.next();
        if (!item) {
            exhausted = true;
            break;
        }
        const Move move = item->move;
        const bool fullDepth = keepFullDepth(b, move);
        const uint64_t childKey = keyAfter(b, move);
        table.prefetch(childKey);  // the child probes it first thing
        if (depth <= 2 * OnePly)   // a child that evaluates: razoring or quiescence
            t.evaluator.prefetch(childKey, pawnKeyAfter(b, move));
        makeMove(b, move);
        t.countMove();
        StateEntry& entry = previousEntry(b);
        const bool givesCheck = b.inCheck();
        const bool tactical = (entry.flags & CaptureMove) || givesCheck;
        int score, appliedExt;

        if (searched == 0) {
            appliedExt = extensionFor(t, move, isPV, nodeExtended);
            score = -searchNode(t, depth - OnePly + appliedExt, ply + 1, -beta, -alpha, isPV, allowNull);
        } else {
            int checkExt = givesCheck ? OnePly : 0;
            appliedExt = checkExt;
            int reduction = 0;
            if (!nodeInCheck && !fullDepth && t.iterationDepth() > LmrMinIteration && depth >= LmrMinDepth &&
                alpha > LmrAlphaFloor && !(entry.flags & (CaptureMove | CastleMove)) && !movePromotion(move) &&
                !givesCheck) {
                const HistoryEntry& h = history.entry(us, moveFrom(move), moveTo(move));
                if (4 * uint64_t(h.good.load(std::memory_order_relaxed)) <= h.bad.load(std::memory_order_relaxed))
                    reduction = OnePly;
            }
            if (reduction)
                entry.flags |= ReducedMark;
            score =
                -searchNode(t, depth - OnePly + checkExt - reduction, ply + 1, -alpha - 1, -alpha, false, allowNull);
            entry.flags &= ~ReducedMark;
            if (!t.stopped() && score > alpha && reduction)
                score = -searchNode(t, depth - OnePly + checkExt, ply + 1, -alpha - 1, -alpha, false, allowNull);
            if (!t.stopped() && score > alpha && score < beta && isPV) {
                appliedExt = extensionFor(t, move, true, nodeExtended);
                score = -searchNode(t, depth - OnePly + appliedExt, ply + 1, -beta, -alpha, true, allowNull);
            }
        }
        unmakeMove(b, move);
        ++searched;
        if (t.stopped())
            continue;

        if (isPV && score > entryAlpha) {
            ++raisedCount;
            lastRaiseExt = appliedExt;
        }
        HistoryEntry& h = history.entry(us, moveFrom(move), moveTo(move));
        if (score <= bestScore) {
            history.addBad(h);
            continue;
        }
        bestScore = score;
        history.addGood(h);
        bestMove = move;
        bestTactical = tactical;
        if (score <= alpha)
            continue;
        if (isQuietMove(b, move))
            t.plies[ply].killer = *item;
        alpha = score;
        if (isPV && ply < MaxPly)
            updatePrincipalVariation(t, move, ply);
    }

    // Step 12. A stopped search stores nothing.
    if (t.stopped())
        return bestScore;

    // Step 13. No legal move: checkmate or stalemate.
    if (searched == 0) {
        if (b.status && !(b.status & Checkmate) && !(b.status & DrawnMask))
            b.status |= (b.status & InCheck) ? Checkmate : Stalemate;
        bestScore = evaluatePosition(t, alpha, beta);
        if (b.status & Checkmate)
            bestScore += ply;
    }

    // Step 14. A single move raised alpha and all others failed: look one ply deeper at it.
    if (isPV && !nodeExtended && raisedCount == 1 && exhausted) {
        nodeExtended = true;
        makeMove(b, bestMove);
        t.countMove();
        int score = -searchNode(t, depth + lastRaiseExt, ply + 1, -beta, -entryAlpha, isPV, true);
        unmakeMove(b, bestMove);
        if (!t.stopped()) {
            bestScore = score;
            if (score > entryAlpha) {
                alpha = score;
                if (ply < MaxPly)
                    updatePrincipalVariation(t, bestMove, ply);
            }
        }
    }

    // Step 15. History credit for the best move, and the threat test that
    //          sends a reduced parent back to full depth.
    bool threat = false;
    if (bestMove) {
        history.addScore(history.entry(us, moveFrom(bestMove), moveTo(bestMove)), depth / OnePly);
        if (!t.stopped() && !bestTactical) {
            threat = mateThreat || (bestScore >= beta && nullFailedLow && threatConnected(t, bestMove));
            if (threat && arrivedReduced(b))
                return beta - 1;
        }
    }

    // Step 16. Store the result in the transposition table (not in a repeated position).
    if (b.repetitions < 2) {
        int bound;
        if (bestScore == 0)
            bound = BoundNone;
        else if (bestScore > entryAlpha && bestMove)
            bound = bestScore >= beta ? BoundLower : BoundExact;
        else
            bound = BoundUpper;
        const uint16_t replaced = table.store(b.key, toTableScore(bestScore, ply), depth / OnePly, bound, bestMove,
                                              threat, nodeExtended, isPV, t.tableMark);
        if (t.tableMark)
            noteStore(t, replaced);
    }
    return bestScore;
}

int quiesce(ThreadState& t, int depth, int ply, int alpha, int beta, bool isPV, int staticEval) {
    Board& b = t.board();
    Search& search = t.search;
    search.table().prefetch(b.key);
    noteSelectiveDepth(t, ply);

    // Step 1. Mate distance, draws, a stopped thread and the ply limit end the
    //         node at once.
    if (alpha >= MateScore - ply)
        return alpha;
    if ((b.status & DrawnMask) || b.repetitions > 1 || t.stopped() || ply > MaxPly)
        return DrawScore;
    // The static evaluation does not depend on the table, so it is worked
    // out first: meanwhile the table line that the parent prefetched arrives.
    // (A node that the table ends was evaluated for nothing; few are.)
    const bool inCheck = b.inCheck();
    int standPat = -InfiniteScore;
    if (!inCheck)
        standPat = staticEval != UnknownEval ? staticEval : evaluatePosition(t, alpha, beta);

    // Step 2. Transposition table: a stored bound may end the node.
    ProbeResult probe = probeForCutoff(t, depth, ply, alpha, beta, isPV);
    if (probe.cutoff)
        return probe.score;
    Move hashMove = probe.hashMove;

    // Step 3. Stand pat (not in check): the static evaluation is a lower bound;
    //         a quiet table move is dropped below the first ply, and the margin
    //         sets the exchange threshold for the captures.
    int bestScore = -InfiniteScore, margin = 0;
    Move bestMove = NullMove;
    if (!inCheck) {
        if (hashMove && depth < 0 && isQuietMove(b, hashMove))
            hashMove = NullMove;
        if (standPat >= beta)
            return standPat;
        margin = alpha - std::max(advantageOf(b), standPat) - QuiescenceMargin;
        if (margin > LoneMinorMargin && weakSide(b.sides[b.side()]))
            margin = LoneMinorMargin;
        bestScore = standPat;
        alpha = std::max(alpha, standPat);
    }

    // Step 4. Captures (and checks, and every evasion in check) that can still
    //         reach alpha.
    int threshold = std::min(margin, 0);
    QuiescencePicker picker;
    picker.init(b, search.history(), hashMove, depth);
    int searched = 0;
    while (alpha < beta) {
        if (stopRequested(search, t))
            break;
        ScoredMove* item = picker.next(threshold);
        if (!item)
            break;
        const Move move = item->move;
        if (!(inCheck && searched == 0) && !(move & MoveMark) && !seeAtLeast(b, move, threshold))
            continue;
        const uint64_t childKey = keyAfter(b, move);
        search.table().prefetch(childKey);
        t.evaluator.prefetch(childKey, pawnKeyAfter(b, move));
        makeMove(b, move);
        t.countMove();
        int childDepth = b.inCheck() ? depth : depth - OnePly;
        int score = -quiesce(t, childDepth, ply + 1, -beta, -alpha, isPV, UnknownEval);
        unmakeMove(b, move);
        if (score > -MateBound)
            threshold = margin;
        if (!t.stopped() && score > bestScore) {
            bestMove = move;
            bestScore = score;
            alpha = std::max(alpha, score);
        }
        ++searched;
    }

    // Step 5. No move searched: mated in check, else the stand-pat score; the
    //         best move goes to the table.
    if (t.stopped())
        return bestScore;
    if (searched == 0)
        bestScore = inCheck ? -MateScore + ply : standPat;
    if (bestMove && b.repetitions < 2) {
        const uint16_t replaced = search.table().storeMoveOnly(b.key, bestMove, isPV, t.tableMark);
        if (t.tableMark)
            noteStore(t, replaced);
    }
    return bestScore;
}

}  // namespace NEngine
