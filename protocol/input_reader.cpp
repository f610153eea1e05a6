// Linux platform layer of the input reader: read() and poll() on the
// descriptor, never the stdio or iostream buffers.
#include "protocol/input_reader.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace NEngine {

namespace {

constexpr size_t ReadChunk = 4096;
// A line longer than this is cut: input from a misbehaving client must not
// grow the buffer without bound.
constexpr size_t MaxLineLength = 1 << 20;

}  // namespace

InputReader::InputReader(bool& uciMode, int fd) : uciMode_(uciMode), fd_(fd) {
    // Without a usable descriptor there is no input: the poll never reports a
    // line and the blocking read sees the end at once.
    if (fcntl(fd_, F_GETFD) == -1)
        ended_ = true;
}

bool InputReader::hasCompleteLine() const {
    return buffer_.find('\n', scanned_) != std::string::npos;
}

bool InputReader::fill(bool block) {
    if (ended_)
        return false;
    if (!block) {
        pollfd request{fd_, POLLIN, 0};
        int ready;
        do {
            ready = poll(&request, 1, 0);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0)
            return false;
        // POLLHUP or POLLERR without data: the read below sees the end.
    }
    char chunk[ReadChunk];
    ssize_t got;
    for (;;) {
        got = read(fd_, chunk, sizeof chunk);
        if (got >= 0)
            break;
        if (errno == EINTR)
            continue;
        // A parent may hand us a descriptor with O_NONBLOCK set (the flag
        // belongs to the shared open file, not to us): "nothing yet" is not
        // the end of input. The poll waits for data; a blocking read waits
        // as long as it takes.
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        if (!block)
            return false;
        pollfd request{fd_, POLLIN, 0};
        while (poll(&request, 1, -1) < 0 && errno == EINTR) {
        }
    }
    // Only a real end of input (a read of 0) or a hard error ends it.
    if (got <= 0) {
        ended_ = true;
        return false;
    }
    buffer_.append(chunk, size_t(got));
    return true;
}

bool InputReader::lineWaiting() {
    if (hasCompleteLine())
        return true;
    // Drain what the descriptor holds now; each read only follows a poll that
    // reported data (or the end), so this never blocks.
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

void ignoreInterruptSignals() {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace NEngine
