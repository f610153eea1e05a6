// Whole UCI sessions through the engine binary over pipes.
#include <gtest/gtest.h>

#include <regex>

#include "session.h"

using namespace NEngineTest;

namespace {

class UciSession : public Session {
protected:
    void handshake() {
        send("uci\n");
        waitFor("uciok");
    }
    // The lines of one search up to its "bestmove", which is returned.
    std::string bestMove(std::vector<std::string>* info = nullptr, int timeoutMs = 30000) {
        return waitFor("bestmove", info, timeoutMs);
    }
};

}  // namespace

TEST_F(UciSession, HandshakeAndReady) {
    send("uci\n");
    const std::vector<std::string> expected = {
        "id name Quillon",
        "id author Vantrell",
        "option name Hash type spin min 1 max 1024 default 256",
        "option name Threads type spin min 1 max 8 default 1",
        "uciok",
    };
    for (const std::string& text : expected)
        EXPECT_EQ(line(), text);
    send("isready\n");
    EXPECT_EQ(line(), "readyok");
    // "stop" without a search and unknown or capitalised words write nothing.
    send("stop\nQuit\ndebug on\nregister later\n \r\nisready\n");
    EXPECT_EQ(line(), "readyok");
    send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

// A standard input left non-blocking by the parent: "nothing yet" must not be
// taken for the end of input, neither while idle nor during a search.
TEST(UciNonBlockingInput, SessionRunsUntilQuit) {
    TempDirectory dir;
    EngineProcess engine(QUILLON_BINARY, dir.path(), true);
    ASSERT_TRUE(engine.started());
    std::string found;
    ASSERT_TRUE(engine.send("uci\n"));
    ASSERT_TRUE(engine.readUntilPrefix("uciok", found));
    // Idle with nothing to read for a while, then more input.
    EXPECT_EQ(engine.waitExit(300), -1) << "the engine ended without being told";
    ASSERT_TRUE(engine.send("isready\n"));
    ASSERT_TRUE(engine.readUntilPrefix("readyok", found));
    ASSERT_TRUE(engine.send("position startpos\ngo infinite\n"));
    ASSERT_TRUE(engine.readUntilPrefix("info depth 3", found));
    ASSERT_TRUE(engine.send("stop\n"));
    ASSERT_TRUE(engine.readUntilPrefix("bestmove", found));
    ASSERT_TRUE(engine.send("isready\n"));
    ASSERT_TRUE(engine.readUntilPrefix("readyok", found));
    ASSERT_TRUE(engine.send("quit\n"));
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST_F(UciSession, PositionForms) {
    handshake();
    send("position startpos moves e2e4 e7e5\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n*\n\n");

    // Without "moves" the first move word is skipped unread; e7e5 is then
    // illegal for White and skipped too.
    send("position startpos e2e4 e7e5\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n*\n\n");

    // "fen" with nothing after it, and a word that cannot be a move, leave
    // the position alone.
    send("position startpos moves d2d4\nposition fen\nposition startpos moves e2e4 hello\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. d4 *\n\n");

    // A well-formed but illegal move is skipped and the rest are played.
    send("position startpos moves e2e5 e2e4 e7e5 g1f3\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n2. Nf3 *\n\n");

    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    send("position fen " + fen + " moves e2e4 e8d7\n");
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"" + fen + "\"]\n[Result \"*\"]\n1. e4 Kd7\n*\n\n");

    // A rejected FEN keeps the previous position.
    send("position fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\n");
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"" + fen + "\"]\n[Result \"*\"]\n1. e4 Kd7\n*\n\n");

    // Any other first word stands for the start position and is skipped
    // alone: the words after it are the moves.
    send("position moves e2e4 e7e5\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n*\n\n");
    // So "moves" after such a word is a move word, and not one: the whole
    // command is ignored.
    send("position current moves d2d4\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n*\n\n");
}

TEST_F(UciSession, GoWithDepth) {
    handshake();
    send("position startpos moves e2e4\ngo depth 3\n");
    std::vector<std::string> info;
    const std::string best = bestMove(&info);
    ASSERT_FALSE(info.empty());
    EXPECT_TRUE(startsWith(info.back(), "info depth 3 seldepth ")) << info.back();
    const std::regex shape(
        "info depth [0-9]+ seldepth [0-9]+ score cp -?[0-9]+ time [0-9]+ nodes [0-9]+ nps [0-9]+ "
        "currmove ([a-h][1-8]){2} currmovenumber [0-9]+ pv ([a-h][1-8]){2}( ([a-h][1-8]){2}[nbrq]?)*");
    for (const std::string& l : info) {
        EXPECT_TRUE(std::regex_match(l, shape)) << l;
        // The reported move opens the variation.
        const size_t move = l.find("currmove ") + 9, pv = l.find(" pv ") + 4;
        EXPECT_EQ(l.substr(move, 4), l.substr(pv, 4)) << l;
    }
    // The move is Black's and is played on the engine's board.
    ASSERT_EQ(best.size(), 13u) << best;
    send("saveboard game.pgn\n");
    sync();
    EXPECT_NE(dir.read("game.pgn").find("1. e4 "), std::string::npos);

    // A depth below 2 searches to depth 2.
    send("position startpos\ngo depth 1\n");
    info.clear();
    bestMove(&info);
    ASSERT_FALSE(info.empty());
    EXPECT_TRUE(startsWith(info.back(), "info depth 2 ")) << info.back();
}

TEST_F(UciSession, GoWithClocksAndMoveTime) {
    handshake();
    send("position startpos\ngo wtime 3000 btime 3000\n");
    EXPECT_TRUE(startsWith(bestMove(), "bestmove "));
    send("position startpos moves e2e4\ngo wtime 60000 btime 1000 movestogo 30\n");
    EXPECT_TRUE(startsWith(bestMove(), "bestmove "));
    send("position startpos\ngo movetime 50\n");
    std::string best = bestMove();
    EXPECT_NE(best, "bestmove null");
    // Limits persist: a bare "go" uses the last fixed move time.
    send("position startpos\ngo\n");
    EXPECT_NE(bestMove(), "bestmove null");
}

TEST_F(UciSession, InfiniteEndsOnStopInTheSameWrite) {
    handshake();
    send("position startpos\ngo infinite\nstop\n");
    std::string best = bestMove(nullptr, 10000);
    EXPECT_TRUE(startsWith(best, "bestmove ")) << best;
    EXPECT_NE(best, "bestmove null");
    // The "stop" was consumed by the search: nothing more follows it.
    EXPECT_TRUE(sync().empty());
}

TEST_F(UciSession, InfiniteIsStoppedLater) {
    handshake();
    send("position startpos\ngo wtime 1000 infinite 5\n");
    std::vector<std::string> info;
    std::string found;
    ASSERT_TRUE(engine->readUntilPrefix("info depth 4", found, &info, 20000));
    // Root-move progress lines come while analysing.
    bool progress = false;
    for (const std::string& l : info)
        progress = progress || startsWith(l, "info currmove ");
    EXPECT_TRUE(progress);
    send(".\n");
    send("stop\n");
    EXPECT_NE(bestMove(), "bestmove null");
}

TEST_F(UciSession, DotDuringASearchAsksForOneProgressLine) {
    handshake();
    send("position startpos\ngo movetime 600000\n");
    std::string found;
    ASSERT_TRUE(engine->readUntilPrefix("info depth 4", found, nullptr, 20000));
    send(".\n");
    const std::string progress = waitFor("info currmove ");
    EXPECT_NE(progress.find(" currmovenumber "), std::string::npos);
    EXPECT_NE(progress.find(" depth "), std::string::npos);
    send("stop\n");
    std::vector<std::string> before;
    EXPECT_NE(bestMove(&before), "bestmove null");
    for (const std::string& l : before)
        EXPECT_FALSE(startsWith(l, "info currmove ")) << l;
}

TEST_F(UciSession, CommandsDuringASearchRunAfterItInOrder) {
    handshake();
    send("position startpos\ngo infinite\nisready\nping 7\nposition startpos moves e2e4\n");
    std::vector<std::string> before;
    std::string best = bestMove(&before);
    EXPECT_NE(best, "bestmove null");
    EXPECT_EQ(line(), "readyok");
    EXPECT_EQ(line(), "pong 7");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 *\n\n");
}

TEST_F(UciSession, QuitDuringASearchAnswersThenLeaves) {
    handshake();
    send("position startpos\ngo infinite\nisready\nquit\n");
    EXPECT_TRUE(startsWith(bestMove(), "bestmove "));
    // The queued "isready" is dropped with the program.
    EXPECT_EQ(engine->waitExit(), 0);
    for (const std::string& l : engine->transcript())
        EXPECT_NE(l, "readyok");
}

TEST_F(UciSession, EndOfInputEndsTheProgram) {
    handshake();
    engine->closeInput();
    EXPECT_EQ(engine->waitExit(), 0);
}

// The input is watched during a long search on two threads, not only between
// commands: "isready" sent well after "go infinite" ends the search and is
// answered after its "bestmove".
TEST_F(UciSession, IsReadyDuringALongSearchOnTwoThreads) {
    handshake();
    send("setoption name Threads value 2\nposition startpos\ngo infinite\n");
    std::string found;
    ASSERT_TRUE(engine->readUntilPrefix("info depth 5", found, nullptr, 30000));
    send("isready\n");
    EXPECT_NE(bestMove(), "bestmove null");
    EXPECT_EQ(line(), "readyok");
    send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

// A fixed-depth search on two threads runs to its depth and answers with a
// legal move; the engine is ready after it and leaves on "quit".
TEST_F(UciSession, DepthSixOnTwoThreadsThenReadyAndQuit) {
    handshake();
    send("setoption name Threads value 2\nposition startpos\ngo depth 6\n");
    std::vector<std::string> info;
    const std::string best = bestMove(&info, 60000);
    ASSERT_FALSE(info.empty());
    EXPECT_TRUE(startsWith(info.back(), "info depth 6 ")) << info.back();
    ASSERT_TRUE(startsWith(best, "bestmove ")) << best;
    send("isready\n");
    EXPECT_EQ(line(), "readyok");
    // The move is legal: played after the start position, it is in the game.
    send("position startpos moves " + best.substr(9, 4) + "\n");
    EXPECT_NE(savedGame(), "[Result \"*\"]\n*\n\n") << best;
    send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

// A GUI that goes away during a search: the search ends with its answer and
// so does the program.
TEST_F(UciSession, EndOfInputDuringASearchEndsTheProgram) {
    handshake();
    send("position startpos\ngo infinite\n");
    std::string found;
    ASSERT_TRUE(engine->readUntilPrefix("info depth 4", found, nullptr, 30000));
    engine->closeInput();
    EXPECT_NE(bestMove(), "bestmove null");
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST_F(UciSession, PositionsWithoutMovesAndForcedMoves) {
    handshake();
    auto expectMateInOne = [&](const std::string& fen, const std::string& move) {
        send("position fen " + fen + "\ngo depth 4\n");
        std::vector<std::string> info;
        EXPECT_EQ(bestMove(&info), "bestmove " + move);
        ASSERT_FALSE(info.empty());
        EXPECT_NE(info.back().find(" score mate 1 "), std::string::npos) << info.back();
    };
    // Black is mated: no move.
    send("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo depth 3\n");
    EXPECT_EQ(bestMove(), "bestmove null");
    // Stalemate: no move.
    send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 3\n");
    EXPECT_EQ(bestMove(), "bestmove null");
    // Bishop against knight is no dead position: a move is played.
    send("position fen 8/8/4k3/8/2n5/8/3BK3/8 w - - 0 1\ngo depth 3\n");
    EXPECT_NE(bestMove(), "bestmove null");
    // Nor is knight against knight: a mate into the corner exists.
    expectMateInOne("kn6/8/1K6/3N4/8/8/8/8 w - - 0 1", "d5c7");
    // A bare king against king and bishop is: no move.
    send("position fen 8/8/4k3/8/8/8/3BK3/8 w - - 0 1\ngo depth 3\n");
    EXPECT_EQ(bestMove(), "bestmove null");
    // A single legal move is played.
    send("position fen k7/8/2K5/1Q6/8/8/8/8 b - - 0 1\ngo wtime 10000 btime 10000\n");
    EXPECT_EQ(bestMove(), "bestmove a8a7");
    // A mate in one is found and reported as such.
    expectMateInOne("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "a1a8");
}

TEST_F(UciSession, SetOptionGroups) {
    handshake();
    // Nothing comes before readyok but a note that this build runs fewer
    // threads (the single-threaded WebAssembly engine says so).
    auto onlyThreadNotes = [](const std::vector<std::string>& lines) {
        for (const std::string& l : lines)
            if (!startsWith(l, "info string Threads "))
                return false;
        return true;
    };
    std::vector<std::string> before;
    send("setoption name Hash value 16 name Threads value 2\nisready\n");
    EXPECT_EQ(waitFor("readyok", &before), "readyok");
    EXPECT_TRUE(onlyThreadNotes(before));
    send("position startpos\ngo depth 4\n");
    EXPECT_NE(bestMove(), "bestmove null");
    // Out-of-range values are held to the advertised limits.
    send("setoption name Threads value 20\nsetoption name Hash value 99999999\nisready\n");
    EXPECT_EQ(waitFor("readyok", &before), "readyok");
    EXPECT_TRUE(onlyThreadNotes(before));
    send("go depth 3\n");
    EXPECT_NE(bestMove(), "bestmove null");
    send("setoption name Hash value 0\nsetoption name Hash\nucinewgame\nisready\n");
    EXPECT_EQ(line(), "readyok");
}
