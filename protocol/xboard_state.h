// The game state that XBoard's commands keep in the shell.
#pragma once

#include <memory>

#include "board/board.h"
#include "protocol/board_editor.h"

namespace NEngine {

struct XBoardState {
    bool force = false;         // force mode: moves are made, not answered
    bool positionValid = true;  // cleared by a failed "setboard" or edit
    // The board editor: its state, whether an edit is open, and the game as
    // it was when editing began, put back when the edit fails.
    EditState edit;
    bool editing = false;
    std::unique_ptr<BoardWithStack> beforeEdit;
};

}  // namespace NEngine
