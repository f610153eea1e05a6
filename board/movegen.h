// The list move generator and the move tests built on the position.
#pragma once

#include "board/board.h"

namespace NEngine {

// A fixed-capacity linked list of moves. Consumers walk from `head` along the
// links and may unlink entries.
struct MoveList {
    static constexpr int Capacity = 256;
    static constexpr uint16_t End = 0xFFFF;

    struct Entry {
        Move move;
        uint16_t next;
    };

    Entry entries[Capacity];
    uint16_t head = End;
    uint16_t tail = End;
    uint16_t free = 0;
    uint16_t count = 0;

    void clear() {
        head = tail = End;
        free = count = 0;
    }

    void append(Move m) {
        // Accepted positions cannot produce more moves than this (the board
        // rejects piece counts no game can reach); never write past the end.
        assert(free < Capacity);
        if (free >= Capacity)
            return;
        entries[free] = {m, End};
        if (tail == End)
            head = free;
        else
            entries[tail].next = free;
        tail = free;
        ++free;
        ++count;
    }

    template <typename F>
    void forEach(F&& f) const {
        for (uint16_t i = head; i != End; i = entries[i].next)
            f(entries[i].move);
    }
};

// Appends every pseudo-legal move of the side to move, in the fixed order.
void generateAll(const Board& board, MoveList& list);

bool isPseudoLegal(const Board& board, Move move);
bool isLegal(const Board& board, Move move);
bool isLegalFast(const Board& board, Move move);

bool pieceReaches(const Board& board, Square target, Square origin);
bool sliderBehind(const Board& board, Bitboard occupancy, Bitboard candidates, Square target, Square through);
bool revealsSlider(const Board& board, Square v, Bitboard occupancy, Color c, Square k);

// Counts the legal move paths of the given depth (tools and tests).
uint64_t perft(Board& board, int depth);

}  // namespace NEngine
