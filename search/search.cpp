// The search driver: root preparation and ordering, the root move loop, the
// iterative deepening of the main thread and of the helper threads, and the
// engine-level operations built on them.
#include "search/search.h"

#include <algorithm>
#include <cstdlib>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "eval/endgame.h"
#include "search/movepicker.h"
#include "search/node.h"
#include "search/searchthread.h"
#include "search/see.h"
#include "search/threadstate.h"

namespace NEngine {

namespace {

// Root ordering: good captures and promotions first, then quiet moves by
// the evaluation after them; moves losing material go last.
constexpr int RootGoodCaptureBonus = 10000000;
constexpr int RootLosingPenalty = 10000;
constexpr int RootEnPassantScore = 10;
constexpr int RootLastTargetBonus = 10;

// The value of the position for the side to move, terminal states included.
int rootValueAfterMove(ThreadState& t) {
    Board& b = t.board();
    detectTerminal(b);
    return evaluatePosition(t, -InfiniteScore, InfiniteScore);
}

int rootCaptureScore(const Board& b, Move m, int lastTarget) {
    Square from = moveFrom(m), to = moveTo(m);
    if (b.typeOn(from) == Pawn && b.typeOn(to) == 0 && b.enPassant > 0 && to == b.enPassant)
        return RootEnPassantScore;
    int score = OrderValue[b.typeOn(to)] - OrderValue[b.typeOn(from)];
    if (movePromotion(m))
        score += 2 * OrderValue[movePromotion(m)];
    if (to == lastTarget)
        score += RootLastTargetBonus;
    return score;
}

inline bool isQuietRootMove(const Board& b, Move m) {
    Square to = moveTo(m);
    return !movePromotion(m) && b.typeOn(to) == 0 &&
           !(b.typeOn(moveFrom(m)) == Pawn && b.enPassant > 0 && to == b.enPassant);
}

}  // namespace

// ---- Thread state ------------------------------------------------------------------

ThreadState::ThreadState(Search& owner, int threadIndex)
    : search(owner), index(threadIndex), snapshotStack(StateStackSize) {
    evaluator.setBoard(&position.board);
    for (PlyRecord& p : plies) {
        p.killer = {};
        std::fill(std::begin(p.pv), std::end(p.pv), NullMove);
    }
}

SearchData ThreadState::snapshotData() const {
    SearchData copy = data;
    copy.iterationNodes = iterationNodes.load(std::memory_order_relaxed);
    copy.searchNodes = searchNodes.load(std::memory_order_relaxed);
    return copy;
}

// ---- The driver ---------------------------------------------------------------------

// The root procedures, with access to the Search's internals.
struct SearchDriver {
    Search& s;

    std::vector<std::unique_ptr<ThreadState>>& threads() { return s.threads_; }
    ThreadState& main() { return *s.threads_[0]; }

    SearchData progressReport(ThreadState&) { return s.progressData(); }

    // The root's own value when it cannot be searched.
    int rootTerminalScore(ThreadState& t) { return evaluatePosition(t, -InfiniteScore, InfiniteScore); }

    bool prepareRoot(ThreadState& t) {
        Board& b = t.board();
        int lastTarget = lastMoveTarget(b);
        MoveList all;
        generateAll(b, all);
        int count = 0;
        all.forEach([&](Move m) {
            if (count >= MaxRootMoves || !isLegal(b, m))
                return;
            // Step 1. The mark bit for moves that do not lose material.
            bool marked = seeAtLeast(b, m, 0);
            Move move = marked ? Move(m | MoveMark) : m;
            // Step 2. Scores: a quiet move by the evaluation after it, a capture
            //         by what it wins; moves that lose material go last.
            int score;
            if (isQuietRootMove(b, m)) {
                BoardHeader saved = b.header();
                makeMove(b, m);
                int value = rootValueAfterMove(t);
                unmakeMove(b, m);
                b.header() = saved;  // the terminal test may leave traces in the header
                score = -value - (marked ? 0 : RootLosingPenalty);
            } else {
                score = rootCaptureScore(b, m, lastTarget) + (marked ? RootGoodCaptureBonus : -RootLosingPenalty);
            }
            t.rootMoves[count++] = {move, score};
        });
        // Step 3. Best first.
        std::stable_sort(t.rootMoves, t.rootMoves + count,
                         [](const ScoredMove& a, const ScoredMove& c) { return a.score > c.score; });
        // Step 4. The table's move, if it is among them, goes first.
        TableRecord entry;
        if (s.table_.lookup(b.key, entry) && entry.move) {
            for (int i = 0; i < count; ++i)
                if (sameMove(t.rootMoves[i].move, entry.move)) {
                    std::swap(t.rootMoves[0], t.rootMoves[i]);
                    break;
                }
        }
        // Step 5. The count, for this thread's records; no move, nothing to search.
        t.data.rootMoveCount = count;
        t.result.rootMoveCount = count;
        return count > 0;
    }

    int searchRootMove(ThreadState& t, Move move, int alpha, bool isFirst) {
        Board& b = t.board();
        int depth = t.data.depth * OnePly;
        makeMove(b, move);
        t.countMove();
        if (t.stopped()) {
            unmakeMove(b, move);
            return -InfiniteScore;
        }
        int ext = extensionFor(t, move, true, false);
        int score;
        if (isFirst) {
            score = -searchNode(t, depth - OnePly + ext, 1, -InfiniteScore, -alpha, true, true);
        } else {
            int checkExt = b.inCheck() ? OnePly : 0;
            score = -searchNode(t, depth - OnePly + checkExt, 1, -alpha - 1, -alpha, false, true);
            if (!t.stopped() && score > alpha)
                score = -searchNode(t, depth - OnePly + ext, 1, -InfiniteScore, -alpha, true, true);
        }
        unmakeMove(b, move);
        return score;
    }

    void reorderRoot(ThreadState& t) {
        Board& b = t.board();
        int count = t.data.rootMoveCount;
        for (int i = 0; i < count; ++i)
            if (sameMove(t.rootMoves[i].move, t.data.bestRootMove.move)) {
                std::swap(t.rootMoves[0], t.rootMoves[i]);
                break;
            }
        if (count < 3)
            return;
        Color us = b.side();
        for (int i = 1; i < count; ++i) {
            Move m = t.rootMoves[i].move;
            if (isQuietRootMove(b, m))
                t.rootMoves[i].score = s.history_->quietScore(us, moveFrom(m), moveTo(m));
        }
        std::stable_sort(t.rootMoves + 1, t.rootMoves + count,
                         [](const ScoredMove& a, const ScoredMove& c) { return a.score > c.score; });
    }

    int searchRoot(ThreadState& t) {
        Board& b = t.board();
        // Steps 1 and 2. Nothing to search (stopped already, or no legal move):
        //         the root's own value.
        if (t.stopped())
            return rootTerminalScore(t);
        if (t.data.rootMoveCount == 0) {
            if (b.status && !(b.status & Checkmate) && !(b.status & DrawnMask))
                b.status |= (b.status & InCheck) ? Checkmate : Stalemate;
            return rootTerminalScore(t);
        }
        // Step 3. The root moves with a rising alpha; history counts for each.
        int alpha = -InfiniteScore;
        Color us = b.side();
        for (t.data.rootMoveIndex = 0; t.data.rootMoveIndex < t.data.rootMoveCount;) {
            int i = t.data.rootMoveIndex;
            if (s.pollStop(t))
                break;
            const ScoredMove current = t.rootMoves[i];
            t.data.currentMove = Move(current.move & MoveBits);
            int score = searchRootMove(t, current.move, alpha, i == 0);
            if (t.stopped())
                break;
            HistoryEntry& h = s.history_->entry(us, moveFrom(current.move), moveTo(current.move));
            if (score <= alpha) {
                s.history_->addBad(h);
            } else {
                s.history_->addGood(h);
                t.data.bestRootMove = current;
                updatePrincipalVariation(t, current.move, 0);
                alpha = score;
            }
            if (s.limits.infinite && t.index == 0 && s.rootMoveProgress)
                s.rootMoveProgress(progressReport(t));
            ++t.data.rootMoveIndex;
        }
        // Step 4. A single legal move needs no deeper search.
        if (t.data.rootMoveCount == 1) {
            if (!t.stopped() && !s.limits.infinite && t.index == 0)
                main().stop.store(true);
            return alpha;
        }
        // Step 5. The best root move is credited like the best move of any node:
        //         its depth in twentieths of a ply divided by one ply, that is the
        //         iteration depth in plies (the root searches at depth x 20);
        //         then the root moves are reordered for the next iteration.
        if (t.data.bestRootMove.move) {
            Move best = t.data.bestRootMove.move;
            s.history_->addScore(s.history_->entry(us, moveFrom(best), moveTo(best)), t.data.depth);
            reorderRoot(t);
        }
        return alpha;
    }

    // Start of an iteration: the PV row, best move and counters.
    void beginIteration(ThreadState& t, int depth) {
        if (t.tableMark)
            t.stats.beginIteration(depth, clockNanoseconds());
        int clearCount = std::min<int>(int(s.limits.maxDepth), PlyRecordCount);
        std::fill(t.plies[0].pv, t.plies[0].pv + clearCount, NullMove);
        t.data.bestRootMove = {};
        t.iterationNodes.store(0, std::memory_order_relaxed);
        t.data.reserved = 0;
        t.data.rootMoveIndex = 0;
        t.data.depth = depth;
        t.publishedDepth.store(depth, std::memory_order_relaxed);
    }

    void takeSnapshot(ThreadState& t) {
        t.data.board.history = t.snapshotStack.data();
        copyGameInto(t.board(), t.data.board);
        t.result.board = t.data.board;
    }

    void fillResult(ThreadState& t, int score, uint64_t now) {
        SearchResult& r = t.result;
        r.score = int16_t(std::clamp(score, -InfiniteScore, InfiniteScore));
        r.bestMove = Move(t.data.bestRootMove.move & MoveBits);
        r.depth = t.data.depth;
        r.iterationNodes = t.iterationNodes.load(std::memory_order_relaxed);
        r.totalNodes = t.searchNodes.load(std::memory_order_relaxed);
        for (size_t i = 1; i < threads().size(); ++i)
            r.totalNodes += threads()[i]->searchNodes.load(std::memory_order_relaxed);
        r.elapsed = secondsBetween(t.data.startTime, now);
        r.rootMovesSearched = t.data.rootMoveIndex;
        r.selectiveDepth = t.selectiveDepth;
        int length = 0;
        while (length < MaxReportedLine && t.plies[0].pv[length]) {
            r.pv[length] = Move(t.plies[0].pv[length] & MoveBits);
            ++length;
        }
        std::fill(r.pv + length, r.pv + PlyRecordCount, NullMove);
        r.pvLength = length;
    }

    bool mainLoop() {
        ThreadState& t = main();
        SearchLimits& limits = s.limits;
        // Step 1. The root position goes into this thread's records.
        takeSnapshot(t);
        int depth = 1;
        bool extended = false;
        // Step 2. Iterative deepening, one depth after the other.
        while (!t.stopped() && depth <= int(limits.maxDepth)) {
            beginIteration(t, depth);
            int score = searchRoot(t);
            uint64_t now = clockNanoseconds();
            if (t.tableMark)
                t.stats.endIteration(now, t.data.bestRootMove.move && t.data.rootMoveIndex >= t.data.rootMoveCount);
            bool mayExtend =
                t.stopped() && !s.stopRequested_.load() && depth >= 3 && s.timeExtension && !limits.infinite;
            if (!t.data.bestRootMove.move) {
                // Step 3. Not one root move finished: more time only when this
                //         iteration has already cost as much as all before it.
                if (mayExtend && now - t.data.currentTime >= t.data.currentTime - t.data.startTime) {
                    double extra = s.timeExtension();
                    if (extra > 0) {
                        t.stop.store(false);
                        limits.timeBudget += extra;
                        extended = true;
                        continue;
                    }
                }
            } else {
                // Step 4. Cut short with a best move: more time to finish it;
                //         a complete iteration is reported.
                bool complete = t.data.rootMoveIndex >= t.data.rootMoveCount;
                if (mayExtend && !complete) {
                    double extra = s.timeExtension();
                    if (extra >= 0.001) {
                        t.stop.store(false);
                        limits.timeBudget += extra;
                        extended = true;
                        continue;
                    }
                }
                if (complete) {
                    t.data.currentTime = now;
                    fillResult(t, score, now);
                    if (s.iterationReport)
                        s.iterationReport(t.result);
                    if (!limits.infinite && extended)
                        break;
                }
            }
            // Step 5. Stop deepening with nothing to play, or a mate found deep enough.
            if (!t.result.bestMove)
                break;
            if ((score >= MateScore - 64 || score <= 64 - MateScore) && !limits.infinite && t.result.depth > 4)
                break;
            ++depth;
        }
        // Step 6. Final figures; every thread stops.
        uint64_t end = clockNanoseconds();
        t.result.totalNodes = t.searchNodes.load(std::memory_order_relaxed);
        t.result.elapsed = secondsBetween(t.data.startTime, end);
        if (limits.infinite && s.finalResult)
            s.finalResult(t.result);
        for (auto& other : threads())
            other->stop.store(true);
        return t.result.bestMove != NullMove;
    }

    void workerLoop(int index, int startDepth) {
        ThreadState& t = *threads()[index];
        takeSnapshot(t);
        int depth = startDepth;
        while (!t.stopped() && depth <= int(s.limits.maxDepth)) {
            beginIteration(t, depth);
            searchRoot(t);
            if (t.tableMark)
                t.stats.endIteration(clockNanoseconds(),
                                     t.data.bestRootMove.move && t.data.rootMoveIndex >= t.data.rootMoveCount);
            if (!t.data.bestRootMove.move)
                break;
            t.data.currentTime = clockNanoseconds();
            int deepest = 0;
            for (auto& other : threads())
                deepest = std::max(deepest, int(other->publishedDepth.load(std::memory_order_relaxed)));
            depth = deepest + 1;
        }
        t.result.totalNodes = t.searchNodes.load(std::memory_order_relaxed);
        t.result.elapsed = secondsBetween(t.data.startTime, clockNanoseconds());
    }

    bool runSearch() {
        // Step 1. Without a search thread there is nothing to run.
        if (threads().empty())
            return false;
        // Step 2. A new table generation, so that this search's entries can be
        //         told from older ones.
        s.table_.advanceGeneration();
        // Step 3. Fresh per-thread records.
        uint64_t now = clockNanoseconds();
        for (auto& tp : threads()) {
            ThreadState& t = *tp;
            t.data.depth = t.data.rootMoveIndex = t.data.rootMoveCount = 0;
            t.publishedDepth.store(0, std::memory_order_relaxed);
            t.iterationNodes.store(0, std::memory_order_relaxed);
            t.searchNodes.store(0, std::memory_order_relaxed);
            t.data.reserved = 0;
            t.data.startTime = t.data.currentTime = now;
            t.data.bestRootMove = {};
            t.data.currentMove = NullMove;
            t.result.reset();
            t.selectiveDepth = 0;
            for (PlyRecord& p : t.plies)
                p.killer = {};
            t.stop.store(false);
            t.tableMark = s.threadStats_ ? uint16_t((t.index + 1) << InfoThreadShift) : 0;
            t.stats.reset();
        }
        s.stopRequested_.store(false);
        s.lastPolledNodes_ = 0;
        s.clockReads_ = 0;
        // Step 4. The history table starts empty for every search.
        s.history_->clear();
        // Step 5. The root moves, ordered; a root without one is not searched.
        ThreadState& first = main();
        if (!prepareRoot(first))
            return false;
        // Step 6. Every thread searches its own copy of the root.
        for (size_t i = 1; i < threads().size(); ++i) {
            ThreadState& t = *threads()[i];
            copyGameInto(first.board(), t.position);
            std::copy(first.rootMoves, first.rootMoves + first.data.rootMoveCount, t.rootMoves);
            t.data.rootMoveCount = first.data.rootMoveCount;
            t.result.rootMoveCount = first.data.rootMoveCount;
        }
        // Step 7. Helpers start one ply apart. One the system refuses leaves
        //         the search with fewer threads, which the result tells.
        std::vector<SearchThread> helpers;
        helpers.reserve(threads().size());
        std::vector<ThreadState*> running{&first};
        for (size_t i = 1; i < threads().size(); ++i) {
            helpers.push_back(s.threadStarter_([this, i] { workerLoop(int(i), int(i) + 1); }));
            if (helpers.back().started())
                running.push_back(threads()[i].get());
        }
        first.result.threadsRunning = int32_t(running.size());
        // Step 8. The first thread deepens until the search ends, then the
        //         helpers, stopped by it, are joined.
        bool found = mainLoop();
        for (SearchThread& h : helpers)
            h.join();
        if (s.threadStats_)
            printThreadStats(stderr, running.data(), int(running.size()), now, clockNanoseconds());
        return found;
    }
};

// ---- Search --------------------------------------------------------------------------

Search::Search(int hashMegabytes) : table_(hashMegabytes), history_(std::make_unique<HistoryTable>()) {
    initBoardTables();
    buildEndgameRegistry();
    history_->clear();
    const char* stats = std::getenv("QUILLON_THREAD_STATS");
    threadStats_ = stats && *stats && *stats != '0';
    static_assert(DefaultSearchThreads == 1, "a new Search has the main thread alone");
    threads_.push_back(std::make_unique<ThreadState>(*this, 0));
    threadStarter_ = [](std::function<void()> body) { return SearchThread(std::move(body)); };
    parseFen("", position());
    timeExtension = [this] { return grantTimeExtension(); };
}

Search::~Search() {
    for (auto& t : threads_)
        t->stop.store(true);
}

Board& Search::position() { return threads_[0]->board(); }
const Board& Search::position() const { return threads_[0]->board(); }
const SearchResult& Search::result() const { return threads_[0]->result; }

SearchData Search::progressData() const {
    SearchData copy = threads_[0]->snapshotData();
    uint64_t sum = 0;
    for (const auto& t : threads_)
        sum += t->iterationNodes.load(std::memory_order_relaxed);
    copy.iterationNodes = sum;
    return copy;
}

bool Search::runSearch() {
    SearchDriver driver{*this};
    return driver.runSearch();
}

bool Search::searchMove() {
    if (limits.analysing)
        return false;
    limits.infinite = false;
    limits.analysing = true;
    extensionCount_ = 0;
    threads_[0]->result.reset();
    bool found = runSearch();
    limits.analysing = false;
    return found;
}

bool Search::analyse() {
    if (limits.analysing)
        return false;
    limits.analysing = true;
    limits.timeBudget = 0;
    limits.infinite = true;
    limits.maxDepth = MaxIterationDepth;
    runSearch();
    limits.infinite = false;
    limits.timeBudget = limits.moveTimeSeconds;
    limits.maxDepth = (limits.depthLimit >= 1 && limits.depthLimit <= int(MaxIterationDepth))
                          ? uint32_t(limits.depthLimit)
                          : MaxIterationDepth;
    limits.analysing = false;
    mateValue = MateScore;
    return true;
}

void Search::stop() {
    stopRequested_.store(true);
    threads_[0]->stop.store(true);
}

bool Search::newGame() {
    if (limits.analysing) {
        stop();
        return true;
    }
    table_.clear();
    parseFen("", position());
    return true;
}

bool Search::takeBack() {
    if (limits.analysing) {
        stop();
        return false;
    }
    Board& b = position();
    if (b.movesMade() <= 0)
        return false;
    unmakeMove(b, b.history[b.ply - 1].move);
    return true;
}

bool Search::setHashSize(int megabytes) {
    if (limits.analysing || megabytes < TranspositionTable::MinMegabytes)
        return false;
    return table_.resize(std::min(megabytes, TranspositionTable::MaxMegabytes));
}

int Search::hashMegabytes() const { return int(table_.bucketCount() * sizeof(TableBucket) >> 20); }

bool Search::setThreads(int count) {
    if (limits.analysing || count < MinSearchThreads)
        return false;
    count = std::min({count, MaxSearchThreads, searchThreadLimit()});
    while (int(threads_.size()) > count)
        threads_.pop_back();
    while (int(threads_.size()) < count)
        threads_.push_back(std::make_unique<ThreadState>(*this, int(threads_.size())));
    return true;
}

bool Search::clearHash() {
    if (limits.analysing)
        return false;
    table_.clear();
    return true;
}

bool Search::setPosition(std::string_view fen) {
    if (limits.analysing)
        return false;
    // Validate on a scratch board first: a rejected text leaves the game alone.
    {
        auto scratch = std::make_unique<BoardWithStack>();
        copyGameInto(position(), *scratch);
        if (!parseFen(fen, scratch->board))
            return false;
    }
    history_->clear();
    return parseFen(fen, position());
}

bool Search::playGameMove(Move move) {
    if (limits.analysing)
        return false;
    Board& b = position();
    move = Move(move & MoveBits);
    if (!move || !b.hasRoomForMove() || !isPseudoLegal(b, move) || !isLegal(b, move))
        return false;
    makeMove(b, move);
    detectTerminal(b);
    return true;
}

}  // namespace NEngine
