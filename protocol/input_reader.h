// The input side of the engine: whole lines from standard input, read through
// our own buffer over the descriptor so that lines that arrived together are
// all seen, both by the blocking read and by the poll made during a search.
#pragma once

#include <deque>
#include <string>

#include "protocol/command.h"

namespace NEngine {

class InputReader {
public:
    // fd is the descriptor to read (standard input in the engine, a pipe in tests).
    InputReader(bool& uciMode, int fd = 0);

    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // Commands that arrived during a search, executed after it, oldest first.
    std::deque<Command> pending;

    // Whether a complete line (or the end of input) is waiting; never blocks
    // and never loses input: whatever is read from the descriptor stays in
    // the buffer until it is taken as a line.
    bool lineWaiting();

    // Blocks until a whole line is there and returns it without its newline.
    // False at the end of input (nothing more will come).
    bool readLine(std::string& line);

    // True once the descriptor has reported the end of input.
    bool atEnd() const { return ended_ && buffer_.empty(); }

    bool uciMode() const { return uciMode_; }

private:
    // One read() of whatever the descriptor holds; false at end or error.
    bool fill(bool block);
    bool hasCompleteLine() const;

    bool& uciMode_;
    int fd_;
    bool ended_ = false;   // end of input or an unusable descriptor
    std::string buffer_;   // bytes read but not yet taken as lines
    size_t scanned_ = 0;   // buffer prefix known to hold no newline
};

// Ignores SIGINT (xboard interrupts its engines with it) and SIGPIPE (a GUI
// that has gone must not kill the engine in the middle of a write).
void ignoreInterruptSignals();

}  // namespace NEngine
