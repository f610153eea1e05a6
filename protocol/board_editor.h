// XBoard's board editor: "edit" begins, "c" toggles the colour being placed,
// "#" clears the board, a word such as "Pe4" places a piece, and "." ends
// the edit (endEdit settles the position on the board).
#pragma once

#include <string_view>

#include "board/board.h"

namespace NEngine {

// The colour being placed and the side to move saved when editing began.
struct EditState {
    Color placing = White;
    Color savedSide = White;
};

void beginEdit(Board& board, EditState& edit);
void clearForEdit(Board& board, EditState& edit);
void toggleEditColor(EditState& edit);
void placeEditPiece(Board& board, const EditState& edit, std::string_view text);

}  // namespace NEngine
