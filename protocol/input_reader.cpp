// The input reader's line buffer: bytes from the platform's input source cut
// into lines, the same on every system.
#include "protocol/input_reader.h"

namespace NEngine {

namespace {

// A line longer than this is cut: input from a misbehaving client must not
// grow the buffer without bound.
constexpr size_t MaxLineLength = 1 << 20;

}  // namespace

InputReader::InputReader(bool& uciMode, NativeInput input) : uciMode_(uciMode), source_(input) {}

bool InputReader::hasCompleteLine() const { return buffer_.find('\n', scanned_) != std::string::npos; }

bool InputReader::fill(bool wait) {
    if (ended_)
        return false;
    InputRead got = source_.read(buffer_, wait);
    // Only a real end of input or an unusable input ends it.
    if (got == InputRead::End)
        ended_ = true;
    return got == InputRead::Data;
}

bool InputReader::lineWaiting() {
    if (hasCompleteLine())
        return true;
    // Drain what the input holds now; the source never blocks here.
    while (fill(false)) {
        if (hasCompleteLine() || buffer_.size() >= MaxLineLength)
            return true;
        scanned_ = buffer_.size();
    }
    // The end of input counts as waiting: the read then yields the last
    // partial line, or reports the end, which the shell takes as "quit".
    return ended_;
}

bool InputReader::readLine(std::string& line) {
    for (;;) {
        size_t newline = buffer_.find('\n', scanned_);
        if (newline != std::string::npos) {
            line.assign(buffer_, 0, newline);
            buffer_.erase(0, newline + 1);
            scanned_ = 0;
            return true;
        }
        scanned_ = buffer_.size();
        if (buffer_.size() >= MaxLineLength) {
            line.swap(buffer_);
            buffer_.clear();
            scanned_ = 0;
            return true;
        }
        if (!fill(true)) {
            // A last line without its newline still counts.
            if (buffer_.empty())
                return false;
            line.swap(buffer_);
            buffer_.clear();
            scanned_ = 0;
            return true;
        }
    }
}

}  // namespace NEngine
