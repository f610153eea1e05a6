// Board editing for XBoard's edit mode: the colour being placed and the side
// to move saved when editing began.
#pragma once

#include <string_view>

#include "board/board.h"

namespace NEngine {

struct EditState {
    Color placing = White;
    Color savedSide = White;
};
void beginEdit(Board& board, EditState& edit);
void clearForEdit(Board& board, EditState& edit);
void toggleEditColor(EditState& edit);
void placeEditPiece(Board& board, const EditState& edit, std::string_view text);
bool endEdit(Board& board);

}  // namespace NEngine
