// A pipe inside the test process, whose read end an input reader or a shell
// reads as it would read standard input.
#pragma once

#include <cstdint>
#include <string>

namespace NEngineTest {

class TestPipe {
public:
    TestPipe();
    ~TestPipe();
    TestPipe(const TestPipe&) = delete;
    TestPipe& operator=(const TestPipe&) = delete;

    bool valid() const;

    // The read end as the engine's reader takes it: a descriptor, or a
    // HANDLE on Windows.
    std::intptr_t readEnd() const { return read_; }

    // Writes the whole text; false when it cannot.
    bool write(const std::string& text);
    void closeWriter();

    // Puts the read end in non-blocking mode (O_NONBLOCK; PIPE_NOWAIT on
    // Windows), as a careless parent may hand it over.
    bool makeReadEndNonBlocking();

private:
    std::intptr_t read_ = -1;
    std::intptr_t write_ = -1;
};

// An input that cannot be read: a descriptor never opened, or on Windows no
// handle at all (what GetStdHandle gives a process without standard input).
std::intptr_t unusableInput();

}  // namespace NEngineTest
