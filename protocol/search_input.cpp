// Commands arriving during a search, and the search's callbacks into the
// front end.
#include "protocol/search_input.h"

#include <string>

#include "board/notation.h"
#include "protocol/shell.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"

namespace NEngine {

Command pollCommand(InputReader& reader) {
    if (!reader.lineWaiting())
        return Command{};
    std::string line;
    if (!reader.readLine(line)) {
        Command quit;
        quit.kind = CommandKind::Quit;
        return quit;
    }
    return parseCommand(line, reader.uciMode());
}

bool continueCheck(EngineShell& shell) {
    // Steps 1 and 2: one waiting command, read without blocking; with none
    // the search goes on.
    Command command = pollCommand(shell.reader);
    if (command.kind == CommandKind::None)
        return !shell.quit;

    // Step 3: a progress line is asked for at once and the search goes on.
    if (command.kind == CommandKind::Dot) {
        shell.search.reportRequest = true;
        return !shell.quit;
    }
    switch (command.kind) {
    case CommandKind::Stop:
    case CommandKind::MoveNow: break;  // consumed: its whole effect is ending the search
    case CommandKind::Quit: shell.quit = true; break;
    default: shell.reader.pending.push_back(std::move(command)); break;
    }
    // Step 4: every other command ends the search.
    shell.search.stop();
    return !shell.quit;
}

// Once a search, with its first report: it runs with fewer threads than
// "Threads" asks for, because the system refused helpers.
void tellThreadShortfall(EngineShell& shell, const SearchResult& result) {
    const int wanted = shell.search.threadCount();
    if (shell.threadShortfallTold || result.threadsRunning <= 0 || result.threadsRunning >= wanted)
        return;
    shell.threadShortfallTold = true;
    const int refused = wanted - result.threadsRunning;
    const std::string text = std::to_string(result.threadsRunning) + " of " + std::to_string(wanted) +
                             " search threads running: the system refused " + std::to_string(refused) +
                             (refused == 1 ? " helper thread" : " helper threads");
    shell.writeLine((shell.uciMode ? "info string " : "# ") + text);
}

void installCallbacks(EngineShell& shell) {
    Search& search = shell.search;
    search.continueCheck = [&shell] { return continueCheck(shell); };
    search.iterationReport = [&shell](const SearchResult& result) {
        tellThreadShortfall(shell, result);
        const std::string line = shell.uciMode ? uciIterationLine(shell, result) : xboardIterationLine(shell, result);
        if (!line.empty())
            shell.writeLine(line);
    };
    search.finalResult = [&shell](const SearchResult& result) {
        tellThreadShortfall(shell, result);
        if (result.bestMove == NullMove)
            return;
        shell.writeLine("bestmove " + moveToText(result.bestMove, false));
        shell.finalMoveWritten = true;
    };
    search.rootMoveProgress = [&shell](const SearchData& data) {
        const std::string line = shell.uciMode ? uciProgressLine(data) : xboardProgressLine(shell, data);
        if (!line.empty())
            shell.writeLine(line);
    };
}

}  // namespace NEngine
