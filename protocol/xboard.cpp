// XBoard: handshake, game play, force mode, take-back, set-up and editing,
// analysis, and the thinking, status and result lines.
#include "protocol/xboard.h"

#include <algorithm>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "protocol/board_editor.h"
#include "protocol/engine_move.h"
#include "protocol/options.h"
#include "protocol/shell.h"

namespace NEngine {

namespace {

constexpr int CentisecondsPerSecond = 100;
constexpr double NanosecondsPerCentisecond = 1e7;
constexpr int MinProtocolVersionForFeatures = 2;

void writeIllegalPosition(EngineShell& shell) { shell.writeLine("tellusererror Illegal position"); }

// The engine's answer to a position it is to move in: its move, then the
// result line when the move ended the game. With no move (the game is already
// over) nothing is written: a result line here would name the side to move,
// which did not make the last move, as the winner.
void answerWithMove(EngineShell& shell) {
    const ThinkResult result = think(shell, true);
    if (!result.ok || result.reply.empty())
        return;
    shell.writeLine(result.reply);
    gameResultLine(shell, result.status, result.moverIsWhite);
}

}  // namespace

void handleXBoard(EngineShell& shell) {
    shell.uciMode = false;
    shell.search.clearHash();
}

void handleProtover(EngineShell& shell, const Command& command) {
    if (command.value < MinProtocolVersionForFeatures)
        return;
    shell.writeLine("feature done=0");
    shell.writeLine("feature setboard=1");
    shell.writeLine("feature myname=\"quillon\" memory=1");
    shell.writeLine("feature done=1");
}

void handleNew(EngineShell& shell) {
    if (shell.search.isSearching())
        return;
    abandonEditing(shell);
    shell.search.newGame();
}

void handleXbGo(EngineShell& shell) {
    finishEditing(shell);
    if (!shell.xboard.positionValid) {
        shell.writeLine("Illegal move");
        return;
    }
    shell.xboard.force = false;
    answerWithMove(shell);
}

ThinkResult applyUserMove(EngineShell& shell, const Command& command) {
    Board& board = shell.board();
    ThinkResult result;
    result.moverIsWhite = board.side() == White;
    result.status = board.status;

    // Step 1: after the end of the game the move is not played; the result
    // names the side that made the last move, as when the game ended.
    if (board.status & GameOverMask) {
        result.moverIsWhite = !result.moverIsWhite;
        result.ok = true;
        return result;
    }

    // Step 2: a legal move, with room left in the game, is made.
    const Move move = parseMoveText(board, command.text);
    if (move == NullMove || !isLegal(board, move) || !shell.search.playGameMove(move))
        return result;
    shell.search.computeTimeBudget();
    result.move = move;
    result.status = board.status;
    result.ok = true;
    return result;
}

void handleUserMove(EngineShell& shell, const Command& command) {
    if (shell.search.isSearching())
        return;
    finishEditing(shell);
    if (!shell.xboard.positionValid) {
        shell.writeLine("Illegal move");
        return;
    }
    const ThinkResult result = applyUserMove(shell, command);
    if (!result.ok) {
        shell.writeLine("Illegal move: " + command.text);
        return;
    }
    if (result.status & GameOverMask) {
        gameResultLine(shell, result.status, result.moverIsWhite);
        return;
    }
    if (!shell.xboard.force)
        answerWithMove(shell);
}

void handleUndo(EngineShell& shell) {
    if (shell.search.isSearching())
        return;
    finishEditing(shell);
    // Moves before the set-up position are not on this board's stack.
    if (shell.board().movesMade() > 0)
        shell.search.takeBack();
}

void handleSt(EngineShell& shell, int32_t seconds) { shell.search.limits.setMoveTime(double(seconds)); }

void handleSd(EngineShell& shell, int32_t depth) { shell.search.limits.setDepth(depth); }

void handleTime(EngineShell& shell, int32_t centiseconds) {
    shell.search.limits.setClock(double(centiseconds) / CentisecondsPerSecond);
}

// Only the moves per period are used; the clock comes from "time".
void handleLevel(EngineShell& shell, int32_t movesPerPeriod) { shell.search.limits.setLevel(movesPerPeriod); }

void handleAnalyze(EngineShell& shell) {
    finishEditing(shell);
    runAnalysis(shell);
}

void handleSetBoard(EngineShell& shell, const Command& command) {
    if (shell.search.isSearching())
        return;
    finishEditing(shell);
    shell.xboard.positionValid = false;
    if (shell.search.setPosition(command.text))
        shell.xboard.positionValid = true;
    else
        writeIllegalPosition(shell);
}

void handleMemory(EngineShell& shell, int32_t megabytes) {
    std::string note;
    setOption(shell.search, HashOptionName, megabytes, &note);
    if (!note.empty())
        shell.writeLine("# " + note);
}

void handlePing(EngineShell& shell, int32_t value) { shell.writeLine("pong " + std::to_string(value)); }

// ---- Board editing ---------------------------------------------------------------

void handleEdit(EngineShell& shell) {
    if (shell.search.isSearching())
        return;
    if (!shell.xboard.editing) {
        if (!shell.xboard.beforeEdit)
            shell.xboard.beforeEdit = std::make_unique<BoardWithStack>();
        copyGameInto(shell.board(), *shell.xboard.beforeEdit);
        shell.xboard.editing = true;
    }
    beginEdit(shell.board(), shell.xboard.edit);
}

// The editor commands act only between "edit" and ".": outside it a stray
// "#" or placement word must not change the game.
void handleEditColour(EngineShell& shell) {
    if (shell.xboard.editing)
        toggleEditColor(shell.xboard.edit);
}

void handleEditClear(EngineShell& shell) {
    if (shell.xboard.editing && !shell.search.isSearching())
        clearForEdit(shell.board(), shell.xboard.edit);
}

void handleEditPiece(EngineShell& shell, const Command& command) {
    if (shell.xboard.editing && !shell.search.isSearching())
        placeEditPiece(shell.board(), shell.xboard.edit, command.text);
}

void handleEndEdit(EngineShell& shell) {
    if (!shell.xboard.editing || shell.search.isSearching())
        return;
    shell.xboard.editing = false;
    if (endEdit(shell.board())) {
        shell.xboard.positionValid = true;
        return;
    }
    // Not a position the engine can play from: put the game back as it was
    // before editing, and refuse moves until a good position is set.
    copyGameInto(shell.xboard.beforeEdit->board, shell.board());
    shell.xboard.positionValid = false;
    writeIllegalPosition(shell);
}

void finishEditing(EngineShell& shell) {
    if (shell.xboard.editing)
        handleEndEdit(shell);
}

void abandonEditing(EngineShell& shell) { shell.xboard.editing = false; }

// ---- Output ------------------------------------------------------------------------

std::string gameResultText(uint16_t status, bool moverIsWhite) {
    if (status & Checkmate)
        return moverIsWhite ? "1-0 {White}" : "0-1 {Black}";
    if (status & MaterialDraw)
        return "1/2-1/2 {Draw by material insufficient}";
    if (status & Stalemate)
        return "1/2-1/2 {Stalemate}";
    if (status & RepetitionDraw)
        return "1/2-1/2 {Draw by repetition}";
    if (status & FiftyMoveDraw)
        return "1/2-1/2 {Draw by fifty moves rule}";
    return "";
}

void gameResultLine(EngineShell& shell, uint16_t status, bool moverIsWhite) {
    const std::string text = gameResultText(status, moverIsWhite);
    if (!text.empty())
        shell.writeLine(text);
}

std::string xboardIterationLine(EngineShell& shell, const SearchResult& result) {
    // Step 1: only a result whose variation starts with its best move.
    if (result.bestMove == NullMove || !sameMove(result.bestMove, result.pv[0]))
        return "";

    // Step 2: depth, score (centipawns as they are, mates unconverted),
    // centiseconds and nodes.
    std::string line = std::to_string(result.depth) + " " + std::to_string(result.score) + " " +
                       std::to_string(uint64_t(result.elapsed * CentisecondsPerSecond)) + " " +
                       std::to_string(result.totalNodes);

    // Step 3: the variation in SAN, at most one move per ply of depth.
    Board& copy = shell.scratchBoard();
    copyGameInto(result.board, copy);
    for (int i = 0; i < MaxReportedLine && i < result.depth && result.pv[i] != NullMove; ++i) {
        const Move move = result.pv[i];
        line += ' ';
        if (!copy.hasRoomForMove() || !isLegal(copy, move))
            break;
        const std::string san = moveToSan(copy, move);
        if (san.empty())
            break;
        line += san;
        makeMove(copy, move);
    }
    return line;
}

std::string xboardProgressLine(EngineShell& shell, const SearchData& data) {
    if (data.depth <= 0)
        return "";
    const uint64_t now = clockNanoseconds();
    const uint64_t elapsed =
        now > data.startTime ? uint64_t(double(now - data.startTime) / NanosecondsPerCentisecond) : 0;
    std::string line = "stat01: " + std::to_string(elapsed) + " " + std::to_string(data.iterationNodes) + " " +
                       std::to_string(data.depth - 1) + " " + std::to_string(data.rootMoveCount - data.rootMoveIndex) +
                       " " + std::to_string(data.rootMoveCount);
    if (data.currentMove != NullMove) {
        Board& copy = shell.scratchBoard();
        copyGameInto(data.board, copy);
        if (isLegal(copy, data.currentMove)) {
            const std::string san = moveToSan(copy, data.currentMove);
            if (!san.empty())
                line += " " + san;
        }
    }
    return line;
}

}  // namespace NEngine
