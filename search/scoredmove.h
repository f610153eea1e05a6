// A move with an ordering score: the currency of move lists, killers and the
// root move list.
#pragma once

#include <cstdint>

#include "board/types.h"

namespace NEngine {

struct ScoredMove {
    Move move = NullMove;
    int32_t score = 0;
};

// Ordering values of the pieces by kind (the king is never won or lost in an
// exchange, so it counts nothing).
constexpr int OrderValue[8] = {0, 90, 355, 355, 545, 1090, 0, 0};

}  // namespace NEngine
