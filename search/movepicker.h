// The staged move picker: hash move, captures split by the exchange test,
// killer, quiet moves by history, then the deferred losing moves. Each kind
// of move is generated only when the earlier stages are used up. A variant
// handles nodes in check (evasions) and another the quiescence search.
#pragma once

#include <algorithm>
#include <cstdint>

#include "board/board.h"
#include "search/history.h"
#include "search/scoredmove.h"

namespace NEngine {

// A fixed-capacity list of scored moves linked in score order (highest
// first; among equal scores the move inserted last comes first), or in
// arrival order for the deferred lists. A run-time limit below the capacity
// lets the evasion stages share the storage of the main stages. Moves beyond
// the limit are dropped.
template <int Capacity>
class ScoredMoveList {
public:
    static constexpr uint16_t End = 0xFFFF;

    void clear(int limit = Capacity) {
        head_ = tail_ = cursor_ = End;
        free_ = count_ = 0;
        limit_ = uint16_t(limit < Capacity ? limit : Capacity);
    }

    void insert(Move move, int32_t score) {
        if (free_ >= limit_)
            return;
        uint16_t node = free_++;
        ++count_;
        nodes_[node].item = {move, score};
        uint16_t previous = End, current = head_;
        while (current != End && nodes_[current].item.score > score) {
            previous = current;
            current = nodes_[current].next;
        }
        nodes_[node].next = current;
        if (previous == End)
            head_ = node;
        else
            nodes_[previous].next = node;
        if (current == End)
            tail_ = node;
    }

    // Packs a generated move for assignSorted(): its score, its place in
    // generation order and the move, so that a plain descending sort puts
    // the highest score first and, among equal scores, the move generated
    // last first, which is the order insert() gives.
    static uint64_t sortKey(Move move, int32_t score, int order) {
        return (uint64_t(uint32_t(score) ^ 0x80000000u) << 32) | (uint64_t(order) << 16) | move;
    }

    // Fills an empty list with moves packed by sortKey() in generation order
    // (the keys array is sorted in place): the order insert() would give one
    // move at a time, with one sort instead of a walk along the list for
    // every move. Moves beyond the limit are dropped, as insert() drops them.
    void assignSorted(uint64_t* keys, int n) {
        n = n < limit_ ? n : limit_;
        std::sort(keys, keys + n, [](uint64_t a, uint64_t b) { return a > b; });
        for (int i = 0; i < n; ++i) {
            nodes_[i].item = {Move(keys[i] & 0xFFFF), int32_t(uint32_t(keys[i] >> 32) ^ 0x80000000u)};
            nodes_[i].next = uint16_t(i + 1 < n ? i + 1 : End);
        }
        head_ = n ? 0 : End;
        tail_ = n ? uint16_t(n - 1) : End;
        free_ = count_ = uint16_t(n);
    }

    void append(Move move, int32_t score) {
        if (free_ >= limit_)
            return;
        uint16_t node = free_++;
        ++count_;
        nodes_[node].item = {move, score};
        nodes_[node].next = End;
        if (tail_ == End)
            head_ = node;
        else
            nodes_[tail_].next = node;
        tail_ = node;
    }

    void rewind() { cursor_ = head_; }

    // The next move in list order, or null at the end.
    ScoredMove* next() {
        if (cursor_ == End)
            return nullptr;
        ScoredMove* item = &nodes_[cursor_].item;
        cursor_ = nodes_[cursor_].next;
        return item;
    }

    int count() const { return count_; }

private:
    // A node is written before it is read, so the storage is left
    // uninitialised: a picker is built at every node of the search, and
    // zeroing its hundreds of slots each time would cost more than the
    // moves it hands out.
    struct Node {
        Node() {}
        union {
            ScoredMove item;
        };
        uint16_t next;
    };
    Node nodes_[Capacity];
    uint16_t head_ = End, tail_ = End, cursor_ = End, free_ = 0, count_ = 0, limit_ = Capacity;
};

// List capacities.
constexpr int CaptureCapacity = 64;
constexpr int QuietCapacity = 256;
constexpr int BadCaptureCapacity = 64;
constexpr int BadQuietCapacity = 128;
constexpr int EvasionCapacity = 64;
constexpr int QuiescenceCheckCapacity = 64;

using CaptureList = ScoredMoveList<CaptureCapacity>;
using QuietList = ScoredMoveList<QuietCapacity>;
using BadCaptureList = ScoredMoveList<BadCaptureCapacity>;
using BadQuietList = ScoredMoveList<BadQuietCapacity>;

// Generators, each move scored as it is inserted (see movepicker.cpp).
// lastTarget is the square the opponent's last move landed on, or -1.
void generateCaptures(const Board& board, CaptureList& list, int lastTarget);
template <int N>
void generateQuiets(const Board& board, const HistoryTable& history, ScoredMoveList<N>& list);
void generateEvasionCaptures(const Board& board, CaptureList& list, int lastTarget);
template <int N>
void generateQuietEvasions(const Board& board, const HistoryTable& history, ScoredMoveList<N>& list);
template <int N>
void generateQuietChecks(const Board& board, const HistoryTable& history, ScoredMoveList<N>& list);
// At most one quiet checking move that looks safe (see movepicker.cpp); 0 for none.
Move findSafeQuietCheck(const Board& board, int threshold);

// The target square of the move that led to the position, or -1 (none, a
// null move, or a move made before the position was set up).
int lastMoveTarget(const Board& board);

class MovePicker {
public:
    // Main picker of an inner node (an evasion picker when in check).
    void init(Board& board, const HistoryTable& history, Move hashMove, Move killer);
    ScoredMove* next();

private:
    enum Stage : uint8_t {
        HashStage,
        GenerateCaptures,
        GoodCaptures,
        KillerStage,
        GenerateQuiets,
        GoodQuiets,
        BadMoves,
        Done,
    };

    // The next legal move of the list that is not the hash move (nor, with
    // SkipKiller, the killer) and passes the exchange test; the moves that
    // fail it go to the bad list.
    template <bool SkipKiller, typename List, typename BadList>
    ScoredMove* nextGood(List& list, BadList& bad);
    ScoredMove* marked(ScoredMove* item) {
        item->move |= MoveMark;
        return item;
    }

    Board* board_ = nullptr;
    const HistoryTable* history_ = nullptr;
    ScoredMove hash_;
    ScoredMove killer_;
    int lastTarget_ = -1;
    bool inCheck_ = false;  // the generators give evasions only
    Stage stage_ = Done;
    // In check the lists are used with the evasion capacities (set by init).
    CaptureList captures_;
    QuietList quiets_;
    BadCaptureList badCaptures_;
    BadQuietList badQuiets_;
};

class QuiescencePicker {
public:
    // depth in twentieths of a ply, at most 0.
    void init(Board& board, const HistoryTable& history, Move hashMove, int depth);
    ScoredMove* next(int threshold);

private:
    // In check the quiet stage holds the quiet evasions, else quiet checks.
    enum Stage : uint8_t { HashStage, GenerateCaptures, Captures, Quiets, Done };

    // The next move of the list that is legal and not the hash move, or null.
    template <typename List>
    ScoredMove* nextLegal(List& list);

    Board* board_ = nullptr;
    const HistoryTable* history_ = nullptr;
    ScoredMove hash_;
    ScoredMove single_;
    int depth_ = 0;
    bool inCheck_ = false;  // the generators give evasions only
    Stage stage_ = Done;
    CaptureList captures_;
    ScoredMoveList<QuiescenceCheckCapacity> quiets_;
};

}  // namespace NEngine
