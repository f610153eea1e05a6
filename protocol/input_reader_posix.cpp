// POSIX input source: read() and poll() on the descriptor, never the stdio or
// iostream buffers.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/input_reader.h"

namespace NEngine {

namespace {
constexpr size_t ReadChunk = 4096;
}  // namespace

struct InputSource::State {
    int fd = -1;
    bool usable = false;
};

NativeInput InputSource::standardInput() { return STDIN_FILENO; }

InputSource::InputSource(NativeInput input) : state_(std::make_unique<State>()) {
    state_->fd = int(input);
    // Without a usable descriptor there is no input: the poll never reports a
    // line and the blocking read sees the end at once.
    state_->usable = fcntl(state_->fd, F_GETFD) != -1;
}

InputSource::~InputSource() = default;

const char* InputSource::method() const { return state_->usable ? "poll" : "none"; }

InputRead InputSource::read(std::string& buffer, bool wait) {
    if (!state_->usable)
        return InputRead::End;
    const int fd = state_->fd;
    if (!wait) {
        pollfd request{fd, POLLIN, 0};
        int ready;
        do {
            ready = poll(&request, 1, 0);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0)
            return InputRead::Nothing;
        // POLLHUP or POLLERR without data: the read below sees the end.
    }
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
        // the end of input. The poll waits for data; a blocking read waits
        // as long as it takes.
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        if (!wait)
            return InputRead::Nothing;
        pollfd request{fd, POLLIN, 0};
        while (poll(&request, 1, -1) < 0 && errno == EINTR) {
        }
    }
    // Only a real end of input (a read of 0) or a hard error ends it.
    if (got <= 0)
        return InputRead::End;
    buffer.append(chunk, size_t(got));
    return InputRead::Data;
}

}  // namespace NEngine
