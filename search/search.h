// The engine's search: one Search per engine owns the transposition table,
// the history table and one ThreadState per search thread. The game position
// is the board of the first thread; the front end plays the game on it
// through position()/playGameMove(), and searches for the engine's moves
// with searchMove() and analyse().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "board/board.h"
#include "search/history.h"
#include "search/limits.h"
#include "search/records.h"
#include "search/searchthread.h"
#include "search/transposition.h"

namespace NEngine {

struct ThreadState;

// The five callback slots of the search. The front end fills four of them;
// the time extension is the search's own rule unless a caller replaces it.
// Called by the main search thread every 16384 of its nodes so that pending
// input can be read; its result is not used.
using ContinueCheckCallback = std::function<bool()>;
// Asked for extra seconds when the clock runs out in the middle of an
// iteration; the Search installs its own rule (grantTimeExtension).
using TimeExtensionCallback = std::function<double()>;
// After every completed iteration of the main thread.
using IterationReportCallback = std::function<void(const SearchResult&)>;
// Once, when an analysis (infinite) search ends.
using FinalResultCallback = std::function<void(const SearchResult&)>;
// Progress of the root move loop: after every root move while analysing, and
// once after each report request.
using RootMoveProgressCallback = std::function<void(const SearchData&)>;

// The "Threads" option's range and default: a new Search has one thread.
constexpr int MinSearchThreads = 1;
constexpr int DefaultSearchThreads = 1;
constexpr int MaxSearchThreads = 8;
constexpr int MaxRootMoves = 256;

class Search {
public:
    // Builds the process-wide tables (board geometry, endgame registry) if
    // needed, a table of the given size and one search thread.
    explicit Search(int hashMegabytes = TranspositionTable::DefaultMegabytes);
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // ---- Callback slots and flags the front end uses -------------------------
    std::atomic<bool> reportRequest{false};  // ask for one root-move-progress report
    ContinueCheckCallback continueCheck;
    TimeExtensionCallback timeExtension;  // preset to grantTimeExtension()
    IterationReportCallback iterationReport;
    FinalResultCallback finalResult;
    RootMoveProgressCallback rootMoveProgress;

    // Time-control and depth settings; the front end sets them between
    // searches with their setters (limits.analysing tells whether a search
    // runs).
    SearchLimits limits;
    // The engine's mate score, restored by analyse(); kept, though nothing reads it.
    int16_t mateValue = MateScore;

    // ---- Engine-level operations ------------------------------------------------
    // The search for the engine's own move, with the limits as they are (the
    // caller computes the time budget first): no analysis, the count of time
    // extensions and the main thread's result start afresh, and the search
    // counts as running until it returns. Returns whether a best move was
    // found (then in result()); false at once while a search runs already.
    // No move is played.
    bool searchMove();
    // Analysis until stopped (or depth 32); no move is played. False while a
    // search runs already.
    bool analyse();
    // Raises the main thread's stop flag (callable from callbacks during a
    // search). A search stopped this way gets no time extension.
    void stop();
    // Empties the table and sets up the start position; while searching only
    // stops the search (and reports success).
    bool newGame();
    // Unmakes the last game move; while searching only stops the search and
    // reports failure. False when there is no move to take back.
    bool takeBack();
    // "Hash": megabytes, clamped to 1..1024; refused (false) while searching,
    // below 1, or when the memory cannot be had (the old table stays).
    bool setHashSize(int megabytes);
    // "Threads": 1..8 (larger values give 8, or as many as the build can run);
    // refused while searching or below 1.
    bool setThreads(int count);
    // The thread diagnostics (on from the start when QUILLON_THREAD_STATS is
    // set in the environment); taken into account from the next search.
    void setThreadStats(bool on) { threadStats_ = on; }
    int threadCount() const { return int(threads_.size()); }
    // The table's size in megabytes.
    int hashMegabytes() const;
    // How the helpers are started: the system's threads unless replaced (a
    // test puts in a starter that refuses some). Set between searches.
    void setThreadStarter(SearchThreadStarter starter) { threadStarter_ = std::move(starter); }
    // Empties the table (entries zeroed, generation 0), as "uci", "xboard",
    // "new" and "ucinewgame" need. Refused while searching.
    bool clearHash();
    // Sets the game position from FEN text ("" = start position); the old
    // position stays when the text is rejected or a search runs.
    bool setPosition(std::string_view fen);
    // Plays a game move on the position when it is legal and the game has
    // room left on the state stack; runs the terminal detection. The front
    // end's way to make the opponent's moves.
    bool playGameMove(Move move);

    // Time management.
    void computeTimeBudget();
    double grantTimeExtension();
    uint32_t extensionsGranted() const { return extensionCount_; }

    bool isSearching() const { return limits.analysing; }
    // The game position: the first thread's board (with its own state stack).
    Board& position();
    const Board& position() const;
    Color sideToMove() const { return position().side(); }
    // The main thread's result of the last search.
    const SearchResult& result() const;

    // ---- Used by the search threads and by tests ----------------------------------
    // Runs one search on the current position with the current limits.
    // Returns whether a best move was found. Does not touch limits.analysing.
    bool runSearch();
    // Called before every move of the tree; only the main thread (index 0)
    // reads the clock, every ClockInterval of its nodes, and the input, every
    // PollInterval. The tree calls it through stopRequested (threadstate.h),
    // which reaches it only on those node counts.
    bool pollStop(ThreadState& thread);
    // The main thread reads the input every this many of its nodes...
    static constexpr uint64_t PollInterval = 16384;
    // ...and the clock sixteen times as often. At over a million nodes a
    // second the coarser rhythm overshoots by about 10 ms, and a sudden-death
    // clock, which hands out a fortieth of what is left, gets near that late
    // in a long game: the overshoot, paid on every move, would then run the
    // clock out.
    static constexpr uint64_t ClockInterval = 1024;
    static_assert((ClockInterval & (ClockInterval - 1)) == 0 && PollInterval % ClockInterval == 0);
    TranspositionTable& table() { return table_; }
    HistoryTable& history() { return *history_; }
    ThreadState& thread(int index) { return *threads_[index]; }
    // How often the clock was read by pollStop during the last search.
    uint64_t clockReads() const { return clockReads_; }
    // A copy of the main thread's progress data with the iteration nodes of
    // all threads summed (what the root-move-progress callback receives).
    SearchData progressData() const;

private:
    friend struct SearchDriver;

    TranspositionTable table_;
    std::unique_ptr<HistoryTable> history_;
    std::vector<std::unique_ptr<ThreadState>> threads_;
    uint32_t extensionCount_ = 0;
    // Set by stop(): a search ended from outside (stop, move now, quit) is
    // never granted extra time.
    std::atomic<bool> stopRequested_{false};
    uint64_t lastPolledNodes_ = 0;
    uint64_t clockReads_ = 0;
    // Thread diagnostics, switched on by the environment variable
    // QUILLON_THREAD_STATS: a report on standard error after every search.
    bool threadStats_ = false;
    SearchThreadStarter threadStarter_;
};

}  // namespace NEngine
