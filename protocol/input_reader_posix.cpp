// POSIX input source: read() and select() on the descriptor, never the stdio
// or iostream buffers. select() rather than poll(): macOS's poll() does not
// support terminals, and standard input may be one.
#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/input_reader.h"

namespace NEngine {

namespace {
constexpr size_t ReadChunk = 4096;

// Whether the descriptor has input (data, its end or an error) now, or once it
// has, when `wait`. Reading it then does not block.
bool readable(int fd, bool wait) {
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval now{0, 0};
        const int ready = select(fd + 1, &set, nullptr, nullptr, wait ? nullptr : &now);
        if (ready >= 0 || errno != EINTR)
            return ready > 0;
    }
}
}  // namespace

struct InputSource::State {
    int fd = -1;
    bool usable = false;
};

NativeInput InputSource::standardInput() { return STDIN_FILENO; }

InputSource::InputSource(NativeInput input) : state_(std::make_unique<State>()) {
    state_->fd = int(input);
    // Without a usable descriptor there is no input: the poll never reports a
    // line and the blocking read sees the end at once. (select() takes only
    // descriptors below FD_SETSIZE; standard input is 0.)
    state_->usable = state_->fd >= 0 && state_->fd < FD_SETSIZE && fcntl(state_->fd, F_GETFD) != -1;
}

InputSource::~InputSource() = default;

const char* InputSource::method() const { return state_->usable ? "select" : "none"; }

InputRead InputSource::read(std::string& buffer, bool wait) {
    if (!state_->usable)
        return InputRead::End;
    const int fd = state_->fd;
    // The end of input or an error counts as readable: the read below sees it.
    if (!wait && !readable(fd, false))
        return InputRead::Nothing;
    char chunk[ReadChunk];
    ssize_t got;
    for (;;) {
        got = ::read(fd, chunk, sizeof chunk);
        if (got >= 0)
            break;
        if (errno == EINTR)
            continue;
        // A parent may hand us a descriptor with O_NONBLOCK set (the flag
        // belongs to the shared open file, not to us): "nothing yet" is not
        // the end of input. select() waits for data; a blocking read waits
        // as long as it takes.
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        if (!wait)
            return InputRead::Nothing;
        readable(fd, true);
    }
    // Only a real end of input (a read of 0) or a hard error ends it.
    if (got <= 0)
        return InputRead::End;
    buffer.append(chunk, size_t(got));
    return InputRead::Data;
}

}  // namespace NEngine
