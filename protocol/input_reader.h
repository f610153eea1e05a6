// The input side of the engine: whole lines from standard input, read through
// our own buffer over the system's handle so that lines that arrived together
// are all seen, both by the blocking read and by the poll made during a
// search.
//
// The reader is two halves. InputSource is the only part that knows the
// operating system: it hands over bytes, waiting for them or not. Each system
// has its own file (input_reader_posix.cpp, input_reader_windows.cpp).
// InputReader (input_reader.cpp) cuts those bytes into lines, the same way
// everywhere.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "protocol/command.h"

namespace NEngine {

// A descriptor (POSIX) or a HANDLE (Windows), carried as an integer so that no
// header needs the system's own headers.
using NativeInput = std::intptr_t;

// What one read of the input gave.
enum class InputRead {
    Data,     // bytes were appended
    Nothing,  // none waiting now (only without waiting)
    End,      // none will ever come: end of input, or an input that cannot be read
};

class InputSource {
public:
    // The process's standard input.
    static NativeInput standardInput();

    // Reads from the descriptor or handle, which it does not own. Standard
    // input is also prepared for reading here (a console, on Windows, is set
    // to report only keys).
    explicit InputSource(NativeInput input);
    ~InputSource();
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // Appends bytes to `buffer`. Without `wait` it never blocks and gives
    // Nothing when no byte is waiting; with `wait` it blocks until at least
    // one byte has come, or the end. Bytes are never lost or reordered.
    // After End the reader asks no more.
    InputRead read(std::string& buffer, bool wait);

    // The way this source watches its input, for tests and diagnostics.
    const char* method() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

class InputReader {
public:
    // Reads the given descriptor or handle: standard input, or a pipe in
    // tests.
    explicit InputReader(bool& uciMode, NativeInput input = InputSource::standardInput());

    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

    // Commands that arrived during a search, executed after it, oldest first.
    std::deque<Command> pending;

    // Whether a complete line (or the end of input) is waiting; never blocks
    // and never loses input: whatever is read stays in the buffer until it is
    // taken as a line.
    bool lineWaiting();

    // Blocks until a whole line is there and returns it without its newline.
    // False at the end of input (nothing more will come).
    bool readLine(std::string& line);

    // True once the input has reported its end.
    bool atEnd() const { return ended_ && buffer_.empty(); }

    bool uciMode() const { return uciMode_; }

    const InputSource& source() const { return source_; }

private:
    // One read of whatever the input holds; false at end or when nothing
    // was read.
    bool fill(bool wait);
    bool hasCompleteLine() const;

    bool& uciMode_;
    InputSource source_;
    bool ended_ = false;  // end of input or an unusable input
    std::string buffer_;  // bytes read but not yet taken as lines
    size_t scanned_ = 0;  // buffer prefix known to hold no newline
};

}  // namespace NEngine
