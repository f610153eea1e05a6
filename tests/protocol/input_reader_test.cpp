// The input reader over a pipe: lines that arrive together are all seen, a
// partial line is not reported, and the end of input is.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "protocol/input_reader.h"

using namespace NEngine;

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        closeWriter();
        if (fds[0] >= 0)
            close(fds[0]);
    }
    void write(const std::string& text) { ASSERT_EQ(::write(fds[1], text.data(), text.size()), ssize_t(text.size())); }
    void closeWriter() {
        if (fds[1] >= 0)
            close(fds[1]);
        fds[1] = -1;
    }
};

}  // namespace

TEST(InputReader, LinesOfOneWriteAreAllWaiting) {
    Pipe pipe;
    bool uci = false;
    InputReader reader(uci, pipe.fds[0]);
    EXPECT_FALSE(reader.lineWaiting());

    pipe.write("go infinite\nstop\n");
    std::string line;
    ASSERT_TRUE(reader.lineWaiting());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "go infinite");
    // The second line is already in the buffer, not in the pipe: still seen.
    ASSERT_TRUE(reader.lineWaiting());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "stop");
    EXPECT_FALSE(reader.lineWaiting());
}

TEST(InputReader, PartialLineWaitsForItsEnd) {
    Pipe pipe;
    bool uci = false;
    InputReader reader(uci, pipe.fds[0]);
    pipe.write("isr");
    EXPECT_FALSE(reader.lineWaiting());
    EXPECT_FALSE(reader.lineWaiting());
    pipe.write("eady\r\nquit");
    ASSERT_TRUE(reader.lineWaiting());
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "isready\r");
    EXPECT_FALSE(reader.lineWaiting());
}

TEST(InputReader, EndOfInputIsReported) {
    Pipe pipe;
    bool uci = false;
    InputReader reader(uci, pipe.fds[0]);
    pipe.write("xboard\nquit");
    pipe.closeWriter();
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "xboard");
    // The last line has no newline but still counts.
    ASSERT_TRUE(reader.lineWaiting());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "quit");
    EXPECT_TRUE(reader.lineWaiting());
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}

TEST(InputReader, ClosedDescriptorMeansNoInput) {
    bool uci = false;
    InputReader reader(uci, 1000);  // never opened in the test process
    std::string line;
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}

TEST(InputReader, NonBlockingDescriptorWaitsInsteadOfEnding) {
    Pipe pipe;
    fcntl(pipe.fds[0], F_SETFL, fcntl(pipe.fds[0], F_GETFL) | O_NONBLOCK);
    bool uci = false;
    InputReader reader(uci, pipe.fds[0]);
    // Nothing there yet: not a line and not the end.
    EXPECT_FALSE(reader.lineWaiting());
    EXPECT_FALSE(reader.atEnd());
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pipe.write("isready\n");
    });
    std::string line;
    bool read = reader.readLine(line);  // blocks until the writer has written
    writer.join();
    ASSERT_TRUE(read);
    EXPECT_EQ(line, "isready");
    EXPECT_FALSE(reader.atEnd());
    pipe.closeWriter();
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}
