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

ThinkResult think(EngineShell& shell, bool xboardPrefix) {
    Search& search = shell.search;
    ThinkResult result;
    // Step 1: nothing while a search runs.
    if (search.isSearching())
        return result;
    // Step 2: the budget, then the game position as it is.
    search.computeTimeBudget();
    Board& board = shell.board();
    result.moverIsWhite = board.side() == White;
    result.status = board.status;
    result.ok = true;
    // Step 3: the game is over already.
    if (board.status & GameOverMask)
        return result;
    // Step 4: search; the best move is played only when it is legal in the game.
    Move move = NullMove;
    shell.threadShortfallTold = false;
    if (search.searchMove()) {
        const SearchResult& found = search.result();
        result.score = found.score;
        move = Move(found.bestMove & MoveBits);
        if (!search.playGameMove(move))
            move = NullMove;
    }
    // Step 5: no move from the search, but the game goes on: a legal one.
    if (move == NullMove && !(board.status & GameOverMask)) {
        const Move fallback = firstLegalMove(board);
        if (fallback != NullMove && search.playGameMove(fallback))
            move = fallback;
    }
    result.status = board.status;
    result.move = move;
    result.reply = move ? moveToText(move, xboardPrefix) : std::string();
    return result;
}

bool runAnalysis(EngineShell& shell) {
    shell.finalMoveWritten = false;
    shell.threadShortfallTold = false;
    return shell.search.analyse();
}

}  // namespace NEngine
