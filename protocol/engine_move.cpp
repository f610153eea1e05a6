// The engine's move decision and analysis, with the fallback move.
#include "protocol/engine_move.h"

#include "board/movegen.h"
#include "board/notation.h"
#include "protocol/shell.h"

namespace NEngine {

Move firstLegalMove(const Board& board) {
    MoveList list;
    generateAll(board, list);
    Move found = NullMove;
    list.forEach([&](Move move) {
        if (found == NullMove && isLegal(board, move))
            found = move;
    });
    return found;
}

ThinkResult thinkMove(EngineShell& shell, bool xboardPrefix) {
    if (shell.search.isSearching())
        return ThinkResult{};
    ThinkResult result = shell.search.think(xboardPrefix);
    if (!result.ok || result.move != NullMove)
        return result;

    // The search gave no move. Unless the game is over, play a legal one.
    Board& board = shell.board();
    if (board.status & GameOverMask)
        return result;
    const Move fallback = firstLegalMove(board);
    if (fallback == NullMove || !shell.search.playGameMove(fallback))
        return result;
    result.move = fallback;
    result.status = board.status;
    result.reply = moveToText(fallback, xboardPrefix);
    return result;
}

bool runAnalysis(EngineShell& shell) {
    shell.finalMoveWritten = false;
    return shell.search.analyse();
}

}  // namespace NEngine
