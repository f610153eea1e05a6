// The shell: start-up, the command loop and the dispatch of commands to the
// UCI, XBoard and game-record handlers.
#include "protocol/shell.h"

#include <iostream>
#include <string>

#include "board/tables.h"
#include "protocol/game_record.h"
#include "protocol/options.h"
#include "protocol/search_input.h"
#include "protocol/signals.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"

namespace NEngine {

namespace {

const std::string& fileArgument(const Command& command) {
    static const std::string defaultName = DefaultGameFile;
    return command.args.empty() ? defaultName : command.args[0];
}

}  // namespace

EngineShell::EngineShell(std::ostream& output) : EngineShell(InputSource::standardInput(), output) {}

EngineShell::EngineShell(NativeInput input, std::ostream& output)
    : search(), reader(uciMode, input), out_(output), scratch_(std::make_unique<BoardWithStack>()) {}

void EngineShell::writeLine(std::string_view line) {
    // One write per line, so that a line never reaches the GUI in pieces.
    std::string text(line);
    text += '\n';
    out_ << text << std::flush;
}

Command takeCommand(EngineShell& shell) {
    InputReader& reader = shell.reader;
    if (!reader.pending.empty()) {
        Command command = std::move(reader.pending.front());
        reader.pending.pop_front();
        return command;
    }
    std::string line;
    if (!reader.readLine(line)) {
        // The GUI has gone: leave as if it had said "quit".
        Command quit;
        quit.kind = CommandKind::Quit;
        return quit;
    }
    return parseCommand(line, shell.uciMode);
}

void execute(EngineShell& shell, Command& command) {
    switch (command.kind) {
    // Both protocols.
    case CommandKind::Stop:
    case CommandKind::MoveNow: shell.search.stop(); break;
    case CommandKind::Quit:
        shell.quit = true;
        shell.search.stop();
        break;

    // UCI.
    case CommandKind::Uci: handleUci(shell); break;
    case CommandKind::IsReady: handleIsReady(shell); break;
    case CommandKind::UciNewGame:
        abandonEditing(shell);
        handleUciNewGame(shell);
        break;
    case CommandKind::Position:
        // A rejected position leaves the board as it is, so an open edit is
        // settled first.
        finishEditing(shell);
        handlePosition(shell, command);
        break;
    case CommandKind::SetOption:
        for (const std::string& note : applyOptions(shell.search, command))
            shell.writeLine("info string " + note);
        break;
    case CommandKind::UciGo:
        finishEditing(shell);
        handleUciGo(shell, command);
        break;

    // XBoard.
    case CommandKind::XBoard: handleXBoard(shell); break;
    case CommandKind::Protover: handleProtover(shell, command); break;
    case CommandKind::New: handleNew(shell); break;
    case CommandKind::Force: shell.xboard.force = true; break;
    case CommandKind::XbGo: handleXbGo(shell); break;
    case CommandKind::UserMove: handleUserMove(shell, command); break;
    case CommandKind::Undo: handleUndo(shell); break;
    case CommandKind::Remove:
        handleUndo(shell);
        handleUndo(shell);
        break;
    case CommandKind::St: handleSt(shell, command.value); break;
    case CommandKind::Sd: handleSd(shell, command.value); break;
    case CommandKind::Time: handleTime(shell, command.value); break;
    case CommandKind::Otim: break;
    case CommandKind::Level: handleLevel(shell, command.value); break;
    case CommandKind::Post: shell.search.limits.showThinking = true; break;
    case CommandKind::NoPost: shell.search.limits.showThinking = false; break;
    case CommandKind::Analyze: handleAnalyze(shell); break;
    case CommandKind::Dot: handleEndEdit(shell); break;
    case CommandKind::Edit: handleEdit(shell); break;
    case CommandKind::EditColour: handleEditColour(shell); break;
    case CommandKind::EditClear: handleEditClear(shell); break;
    case CommandKind::EditPiece: handleEditPiece(shell, command); break;
    case CommandKind::SetBoard: handleSetBoard(shell, command); break;
    case CommandKind::Memory: handleMemory(shell, command.value); break;
    case CommandKind::XbOption: break;  // its arguments are not read
    case CommandKind::Ping: handlePing(shell, command.value); break;

    // Game records.
    case CommandKind::SaveBoard:
        if (!shell.search.isSearching()) {
            finishEditing(shell);
            saveGameFile(shell.board(), fileArgument(command));
        }
        break;
    case CommandKind::LoadBoard:
        if (!shell.search.isSearching()) {
            finishEditing(shell);
            loadGameFile(shell.board(), fileArgument(command));
        }
        break;

    case CommandKind::None:
    default: break;
    }
}

int runProtocol() {
    // Step 1: the tables (main() has chosen the bit count already; building
    // is idempotent).
    initBoardTables();
    ignoreInterruptSignals();

    // Step 2: every write reaches the GUI at once.
    std::cout.setf(std::ios::unitbuf);

    // Steps 3 and 4: the shell, then its callbacks.
    auto shell = std::make_unique<EngineShell>(std::cout);
    installCallbacks(*shell);

    // Step 5: the loop.
    while (!shell->quit) {
        Command command = takeCommand(*shell);
        if (command.kind != CommandKind::None)
            execute(*shell, command);
    }
    return 0;
}

}  // namespace NEngine
