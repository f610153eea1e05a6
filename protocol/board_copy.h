// Copies of a game: a board together with the part of its state stack that
// the game has used, so that moves can be made, unmade and rendered on the
// copy without touching the original.
#pragma once

#include <algorithm>

#include "board/board.h"

namespace NEngine {

// The target keeps its own stack; the entries of the source's game are
// copied into it.
inline void copyGameInto(const Board& source, Board& target) {
    StateEntry* stack = target.history;
    const int used = std::clamp(source.ply, 0, StateStackSize);
    if (source.history && stack && source.history != stack)
        std::copy(source.history, source.history + used, stack);
    target = source;
    target.history = stack;
}

inline void copyGameInto(const Board& source, BoardWithStack& target) { copyGameInto(source, target.board); }

}  // namespace NEngine
