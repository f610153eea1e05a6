// The engine's front end: the one shell object that owns the search and the
// input reader, the command loop, and the entry called by main().
#pragma once

#include <iosfwd>
#include <memory>
#include <string_view>

#include "board/board.h"
#include "protocol/command.h"
#include "protocol/input_reader.h"
#include "protocol/xboard_state.h"
#include "search/search.h"

namespace NEngine {

class EngineShell {
public:
    // Reads commands from standard input and writes protocol lines to `output`.
    explicit EngineShell(std::ostream& output);
    // Reads commands from the given descriptor or handle instead.
    EngineShell(NativeInput input, std::ostream& output);
    EngineShell(const EngineShell&) = delete;
    EngineShell& operator=(const EngineShell&) = delete;

    Search search;
    InputReader reader;
    bool uciMode = false;
    bool quit = false;
    // XBoard's game state: force mode, a playable position, the board editor.
    XBoardState xboard;

    // Set by the final-result callback when it has written a "bestmove" line.
    bool finalMoveWritten = false;
    // Set when this search has told that it runs with fewer threads than
    // "Threads" asks for (the system refused a helper); cleared for each search.
    bool threadShortfallTold = false;

    // The game position: the first search thread's board.
    Board& board() { return search.position(); }
    // A scratch board for rendering the variations and moves of reports.
    Board& scratchBoard() { return scratch_->board; }

    // One protocol line: the text, a newline, a flush.
    void writeLine(std::string_view line);

private:
    std::ostream& out_;
    std::unique_ptr<BoardWithStack> scratch_;
};

// The next command: queued ones first, else one line read from the input. The
// end of the input reads as "quit".
Command takeCommand(EngineShell& shell);

// Runs one command; kinds outside the table do nothing.
void execute(EngineShell& shell, Command& command);

// Start-up and the command loop on standard input and output; returns the
// exit code after "quit" (or the end of the input).
int runProtocol();

}  // namespace NEngine
