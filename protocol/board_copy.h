// Copies of a game: a board together with the part of its state stack that
// the game has used, so that moves can be made, unmade and rendered on the
// copy without touching the original.
#pragma once

#include <algorithm>

#include "board/board.h"

namespace NEngine {

// The target keeps its own stack; the entries of the source's game since its
// set-up position are copied into it (nothing reads or unmakes below that).
inline void copyGameInto(const Board& source, Board& target) {
    StateEntry* stack = target.history;
    const int used = std::clamp(source.ply, 0, StateStackSize);
    const int first = std::clamp(source.setupPly, 0, used);
    if (source.history && stack && source.history != stack)
        std::copy(source.history + first, source.history + used, stack + first);
    target = source;
    target.history = stack;
}

inline void copyGameInto(const Board& source, BoardWithStack& target) { copyGameInto(source, target.board); }

}  // namespace NEngine
