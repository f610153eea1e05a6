// The engine with its standard input a named pipe in message mode, as some
// GUI adapters hand over: a message longer than one read comes in several
// reads, each but the last answered with ERROR_MORE_DATA, which is more of the
// same message and not the end of input; both while idle and during a search.
#include <gtest/gtest.h>

#include <string>

#include "session.h"

using namespace NEngineTest;

namespace {

// An ignored line (an unknown word) of the given length, newline included.
std::string ignoredLine(size_t length) { return std::string(length - 1, 'x') + "\n"; }

class MessageInput : public Session {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        engine = EngineProcess::withMessageInput(QUILLON_BINARY, dir.path());
        ASSERT_TRUE(engine->started());
        send("uci\n");
        waitFor("uciok");
    }

    // The engine still answers and leaves on "quit" with success.
    void readyAndQuit() {
        send("isready\n");
        EXPECT_EQ(line(), "readyok");
        send("quit\n");
        EXPECT_EQ(engine->waitExit(), 0);
    }
};

}  // namespace

TEST_F(MessageInput, LongLineAndACommandInOneMessage) {
    send(ignoredLine(6000) + "isready\n");
    EXPECT_EQ(line(), "readyok");
    readyAndQuit();
}

// The reader takes at most 4096 bytes at a time: the position crosses the
// first boundary, and the whole message takes four reads.
TEST_F(MessageInput, CommandCutAcrossReads) {
    send(ignoredLine(4080) + "position startpos moves e2e4 e7e5\n" + ignoredLine(9000));
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n*\n\n");
    readyAndQuit();
}

TEST_F(MessageInput, LongMessagesDuringASearch) {
    send("position startpos\ngo infinite\n");
    waitFor("info depth 3");
    // Ignored lines leave the search running.
    send(ignoredLine(6000));
    std::string found;
    ASSERT_FALSE(engine->readUntilPrefix("bestmove", found, nullptr, 500)) << "the search ended on ignored input";
    send(ignoredLine(6000) + "stop\n");
    EXPECT_NE(waitFor("bestmove"), "bestmove null");
    readyAndQuit();
}
