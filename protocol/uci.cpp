// UCI: identification, options, "position", "go" and the "info" lines.
#include "protocol/uci.h"

#include <algorithm>
#include <string>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "protocol/engine_move.h"
#include "protocol/options.h"
#include "protocol/shell.h"

namespace NEngine {

namespace {

// A "go" parameter, or -1 when it is absent.
int32_t goValue(const Command& command, const char* key) {
    auto found = command.values.find(key);
    return found == command.values.end() ? -1 : found->second;
}

double secondsFromMilliseconds(int32_t ms) { return ms / 1000.0; }

// Applies the clock, moves-to-go, move-time and depth parameters in that
// order, so that a later one overrides an earlier one. Limits not named
// keep their values from earlier commands; nothing changes while a search
// runs.
void applyGoLimits(EngineShell& shell, const Command& command) {
    SearchLimits& limits = shell.search.limits;
    // Step 1: the engine's own clock.
    const int32_t clock = goValue(command, shell.board().side() == White ? "wtime" : "btime");
    if (clock > 0)
        limits.setClock(secondsFromMilliseconds(clock));
    // Step 2: moves to the next time control.
    const int32_t movesToGo = goValue(command, "movestogo");
    if (movesToGo > 0)
        limits.setMovesToGo(movesToGo);
    // Step 3: a fixed time per move.
    const int32_t moveTime = goValue(command, "movetime");
    if (moveTime > 0)
        limits.setMoveTime(secondsFromMilliseconds(moveTime));
    // Step 4: a fixed depth.
    const int32_t depth = goValue(command, "depth");
    if (depth > 0)
        limits.setDepth(depth);
}

}  // namespace

void handleUci(EngineShell& shell) {
    shell.uciMode = true;
    shell.search.clearHash();
    shell.writeLine("id name Quillon");
    shell.writeLine("id author Vantrell");
    for (const OptionDescriptor& option : engineOptions())
        shell.writeLine(uciOptionLine(option));
    shell.writeLine("uciok");
}

void handleIsReady(EngineShell& shell) { shell.writeLine("readyok"); }

void handleUciNewGame(EngineShell& shell) { shell.search.newGame(); }

void handlePosition(EngineShell& shell, const Command& command) {
    Search& search = shell.search;
    if (search.isSearching() || !search.setPosition(command.text))
        return;
    for (const std::string& word : command.args) {
        if (word.empty())
            continue;
        // A word that is no legal move here (or a game too long for the
        // state stack) is skipped; the following words are still tried.
        Board& board = shell.board();
        const Move move = parseMoveText(board, word);
        if (move == NullMove || !isLegal(board, move))
            continue;
        if (search.playGameMove(move))
            search.computeTimeBudget();
    }
}

void handleUciGo(EngineShell& shell, const Command& command) {
    if (command.infinite) {
        if (!runAnalysis(shell))
            return;
        // An analysis stopped before its first iteration has no result to
        // write; a GUI still needs its "bestmove".
        if (!shell.finalMoveWritten) {
            const Move fallback = firstLegalMove(shell.board());
            shell.writeLine(fallback == NullMove ? std::string("bestmove null")
                                                 : "bestmove " + moveToText(fallback, false));
        }
        return;
    }
    applyGoLimits(shell, command);
    const ThinkResult result = think(shell, false);
    if (result.ok && !result.reply.empty())
        shell.writeLine("bestmove " + result.reply);
    else
        shell.writeLine("bestmove null");
}

std::string uciScoreText(int score) {
    if (score >= MateRange)
        return "score mate " + std::to_string((MateScore + 1 - score) / 2) + " ";
    if (score <= -MateRange)
        return "score mate " + std::to_string((-MateScore - score) / 2) + " ";
    return "score cp " + std::to_string(score) + " ";
}

std::string uciIterationLine(EngineShell& shell, const SearchResult& result) {
    // Step 1: only a result whose variation starts with its best move.
    if (result.bestMove == NullMove || !sameMove(result.bestMove, result.pv[0]))
        return "";

    // Step 2: the variation as far as it stays legal on a copy of the root.
    Board& copy = shell.scratchBoard();
    copyGameInto(result.board, copy);
    std::string variation;
    for (int i = 0; i < MaxReportedLine && result.pv[i] != NullMove; ++i) {
        const Move move = result.pv[i];
        if (!copy.hasRoomForMove() || !isLegal(copy, move))
            break;
        const std::string text = moveToText(move, false);
        if (text.empty())
            break;
        if (!variation.empty())
            variation += ' ';
        variation += text;
        makeMove(copy, move);
    }

    // Steps 3 to 5: speed, time and move number, then the line itself.
    const uint64_t nps = uint64_t(double(result.totalNodes) / (result.elapsed + 0.001));
    const uint64_t milliseconds = uint64_t(result.elapsed * 1000);
    // The move number counts from 1 and never passes the number of root moves.
    const int moveNumber = std::clamp(result.rootMovesSearched + 1, 1, std::max(1, result.rootMoveCount));
    std::string line = "info depth " + std::to_string(result.depth) + " seldepth " +
                       std::to_string(result.selectiveDepth) + " " + uciScoreText(result.score) + "time " +
                       std::to_string(milliseconds) + " nodes " + std::to_string(result.totalNodes) + " nps " +
                       std::to_string(nps) + " ";
    line += "currmove " + moveToText(result.bestMove, false) + " ";
    line += "currmovenumber " + std::to_string(moveNumber) + " pv " + variation;
    return line;
}

std::string uciProgressLine(const SearchData& data) {
    if (data.depth <= 0 || data.currentMove == NullMove)
        return "";
    const std::string text = moveToText(data.currentMove, false);
    if (text.empty())
        return "";
    return "info currmove " + text + " currmovenumber " + std::to_string(data.rootMoveIndex + 1) + " nodes " +
           std::to_string(data.iterationNodes) + " depth " + std::to_string(data.depth);
}

}  // namespace NEngine
