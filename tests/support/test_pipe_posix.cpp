// POSIX test pipes: pipe() and fcntl().
#include <fcntl.h>
#include <unistd.h>

#include "test_pipe.h"

namespace NEngineTest {

TestPipe::TestPipe() {
    int fds[2];
    if (pipe(fds) == 0) {
        read_ = fds[0];
        write_ = fds[1];
    }
}

TestPipe::~TestPipe() {
    closeWriter();
    if (read_ >= 0)
        close(int(read_));
}

bool TestPipe::valid() const { return read_ >= 0 && write_ >= 0; }

bool TestPipe::write(const std::string& text) {
    return write_ >= 0 && ::write(int(write_), text.data(), text.size()) == ssize_t(text.size());
}

void TestPipe::closeWriter() {
    if (write_ >= 0)
        close(int(write_));
    write_ = -1;
}

bool TestPipe::makeReadEndNonBlocking() {
    const int fd = int(read_);
    return fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) == 0;
}

std::intptr_t unusableInput() { return 1000; }  // never opened in the test process

}  // namespace NEngineTest
