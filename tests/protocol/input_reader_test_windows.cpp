// The Windows input source chooses how to watch its input by what the
// handle is: a pipe is peeked, a disk file always has its bytes waiting, and
// a handle that cannot be peeked is read by a thread of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "protocol/input_reader.h"
#include "session.h"
#include "test_pipe.h"

using namespace NEngine;

namespace {

NativeInput native(HANDLE h) { return reinterpret_cast<NativeInput>(h); }

}  // namespace

TEST(WindowsInput, AnonymousPipeIsPeeked) {
    NEngineTest::TestPipe pipe;
    ASSERT_TRUE(pipe.valid());
    bool uci = false;
    InputReader reader(uci, pipe.readEnd());
    EXPECT_STREQ(reader.source().method(), "pipe");
    EXPECT_FALSE(reader.lineWaiting());
    ASSERT_TRUE(pipe.write("stop\n"));
    EXPECT_TRUE(reader.lineWaiting());
    // The writer gone is the end, seen by the poll as well.
    pipe.closeWriter();
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "stop");
    EXPECT_TRUE(reader.lineWaiting());
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}

TEST(WindowsInput, DiskFileIsAlwaysWaiting) {
    NEngineTest::TempDirectory dir;
    ASSERT_FALSE(dir.path().empty());
    // Line ends as written, not turned into "\r\n" by a text-mode stream.
    std::ofstream(dir.file("input.txt"), std::ios::binary) << "uci\nisready\nquit";
    HANDLE file = CreateFileA(dir.file("input.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        bool uci = false;
        InputReader reader(uci, native(file));
        EXPECT_STREQ(reader.source().method(), "file");
        std::string line;
        ASSERT_TRUE(reader.lineWaiting());
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(line, "uci");
        ASSERT_TRUE(reader.lineWaiting());
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(line, "isready");
        ASSERT_TRUE(reader.lineWaiting());
        ASSERT_TRUE(reader.readLine(line));
        EXPECT_EQ(line, "quit");
        EXPECT_FALSE(reader.readLine(line));
        EXPECT_TRUE(reader.atEnd());
    }
    CloseHandle(file);
}

TEST(WindowsInput, HandleThatCannotBePeekedIsReadByAThread) {
    // The NUL device is no pipe and no file: its reads give nothing, which
    // is its end.
    HANDLE device = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    {
        bool uci = false;
        InputReader reader(uci, native(device));
        EXPECT_STREQ(reader.source().method(), "thread");
        std::string line;
        EXPECT_FALSE(reader.readLine(line));
        EXPECT_TRUE(reader.atEnd());
        EXPECT_TRUE(reader.lineWaiting());
    }
    CloseHandle(device);
}
