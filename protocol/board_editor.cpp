// The board editor's operations on the game board.
#include "protocol/board_editor.h"

#include <cctype>

#include "board/tables.h"

namespace NEngine {

void beginEdit(Board& board, EditState& edit) {
    edit.placing = White;
    edit.savedSide = board.side();
}

void clearForEdit(Board& board, EditState& edit) {
    board.reset();
    board.fullmove = 1;
    board.repetitions = 1;
    board.sideToMove = int8_t(edit.savedSide);
    if (edit.savedSide == Black)
        board.key ^= sideKey;
}

void toggleEditColor(EditState& edit) { edit.placing = ~edit.placing; }

void placeEditPiece(Board& board, const EditState& edit, std::string_view text) {
    if (text.size() < 3)
        return;
    char letter = char(std::tolower(static_cast<unsigned char>(text[0])));
    char fileChar = char(std::tolower(static_cast<unsigned char>(text[1])));
    char rankChar = text[2];
    if (fileChar < 'a' || fileChar > 'h' || rankChar < '1' || rankChar > '8')
        return;
    static constexpr const char* Letters = "pnbrqk";
    for (int i = 0; Letters[i]; ++i)
        if (Letters[i] == letter) {
            board.putPiece(edit.placing, i + 1, makeSquare(fileChar - 'a', rankChar - '1'));
            return;
        }
}

}  // namespace NEngine
