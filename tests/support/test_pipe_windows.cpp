// Windows test pipes: an anonymous pipe from CreatePipe, as a GUI makes.
#include <windows.h>

#include "test_pipe.h"

namespace NEngineTest {

namespace {
HANDLE handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

TestPipe::TestPipe() {
    HANDLE r, w;
    if (CreatePipe(&r, &w, nullptr, 0)) {
        read_ = reinterpret_cast<std::intptr_t>(r);
        write_ = reinterpret_cast<std::intptr_t>(w);
    }
}

TestPipe::~TestPipe() {
    closeWriter();
    if (read_ != -1)
        CloseHandle(handle(read_));
}

bool TestPipe::valid() const { return read_ != -1 && write_ != -1; }

bool TestPipe::write(const std::string& text) {
    DWORD written = 0;
    return write_ != -1 && WriteFile(handle(write_), text.data(), DWORD(text.size()), &written, nullptr) &&
           written == text.size();
}

void TestPipe::closeWriter() {
    if (write_ != -1)
        CloseHandle(handle(write_));
    write_ = -1;
}

bool TestPipe::makeReadEndNonBlocking() {
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    return SetNamedPipeHandleState(handle(read_), &mode, nullptr, nullptr);
}

std::intptr_t unusableInput() { return 0; }

}  // namespace NEngineTest
