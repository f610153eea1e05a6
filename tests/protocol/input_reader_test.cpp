// The input reader over a pipe: lines that arrive together are all seen, a
// partial line is not reported, and the end of input is.
#include "protocol/input_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "test_pipe.h"

using namespace NEngine;
using NEngineTest::TestPipe;

TEST(InputReader, LinesOfOneWriteAreAllWaiting) {
    TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
    EXPECT_FALSE(reader.lineWaiting());

    ASSERT_TRUE(pipe.write("go infinite\nstop\n"));
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
    TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
    ASSERT_TRUE(pipe.write("isr"));
    EXPECT_FALSE(reader.lineWaiting());
    EXPECT_FALSE(reader.lineWaiting());
    ASSERT_TRUE(pipe.write("eady\r\nquit"));
    ASSERT_TRUE(reader.lineWaiting());
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "isready\r");
    EXPECT_FALSE(reader.lineWaiting());
}

TEST(InputReader, EndOfInputIsReported) {
    TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
    ASSERT_TRUE(pipe.write("xboard\nquit"));
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

TEST(InputReader, UnusableInputMeansNoInput) {
    bool uci = false;
    InputReader reader(uci, NEngineTest::unusableInput());
    EXPECT_STREQ(reader.source().method(), "none");
    EXPECT_TRUE(reader.lineWaiting());
    std::string line;
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}

TEST(InputReader, NonBlockingPipeWaitsInsteadOfEnding) {
    TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    ASSERT_TRUE(pipe.makeReadEndNonBlocking());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
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

// Many lines in many writes, read partly by the poll and partly by the
// blocking read, come out whole and in order.
TEST(InputReader, LongStreamKeepsEveryLineInOrder) {
    TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
    constexpr int Lines = 3000;
    std::thread writer([&] {
        std::string batch;
        for (int i = 0; i < Lines; ++i) {
            batch += "ping " + std::to_string(i) + "\n";
            if (batch.size() > 1000 || i == Lines - 1) {
                // Cut mid-line, so that lines straddle the writes.
                const size_t cut = batch.size() / 2;
                pipe.write(batch.substr(0, cut));
                pipe.write(batch.substr(cut));
                batch.clear();
            }
        }
        pipe.closeWriter();
    });
    std::string line;
    int next = 0;
    for (int turn = 0; next < Lines; ++turn) {
        if (turn % 2 == 0 && !reader.lineWaiting())
            continue;
        ASSERT_TRUE(reader.readLine(line)) << "ended after " << next << " lines";
        ASSERT_EQ(line, "ping " + std::to_string(next));
        ++next;
    }
    writer.join();
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}
