// Commands arriving during a search, and the search's callbacks into the
// front end.
#include "protocol/search_input.h"

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

void installCallbacks(EngineShell& shell) {
    Search& search = shell.search;
    search.continueCheck = [&shell] { return continueCheck(shell); };
    search.iterationReport = [&shell](const SearchResult& result) {
        const std::string line = shell.uciMode ? uciIterationLine(shell, result) : xboardIterationLine(shell, result);
        if (!line.empty())
            shell.writeLine(line);
    };
    search.finalResult = [&shell](const SearchResult& result) {
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
