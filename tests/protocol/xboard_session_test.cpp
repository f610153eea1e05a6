// Whole XBoard sessions through the engine binary over pipes.
#include <gtest/gtest.h>

#include <regex>

#include "session.h"

using namespace NEngineTest;

namespace {

class XBoardSession : public Session {
protected:
    void handshake() {
        send("xboard\nprotover 2\n");
        waitFor("feature done=1");
    }
    // Sets a position in force mode with a shallow fixed depth.
    void setUp(const std::string& fen) { send("new\nforce\nsd 3\nsetboard " + fen + "\n"); }
};

}  // namespace

TEST_F(XBoardSession, HandshakeFeatures) {
    send("xboard\nprotover 2\n");
    EXPECT_EQ(line(), "feature done=0");
    EXPECT_EQ(line(), "feature setboard=1");
    EXPECT_EQ(line(), "feature myname=\"quillon\" memory=1");
    EXPECT_EQ(line(), "feature done=1");
    // An old protocol version gets no features; "ping" without a number is ignored.
    send("protover 1\nping\n");
    EXPECT_TRUE(sync(5).empty());
    send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}

TEST_F(XBoardSession, EngineAnswersMovesAndPlaysAfterGo) {
    handshake();
    send("new\nsd 3\ne2e4\n");
    std::string reply = waitFor("move ");
    EXPECT_EQ(reply.size(), 9u) << reply;
    // Thinking lines: depth, score, centiseconds, nodes, then SAN moves.
    const std::regex shape(
        "[0-9]+ -?[0-9]+ [0-9]+ [0-9]+( [NBRQK]?[a-h]?[1-8]?x?[a-h][1-8](=[NBRQ])?[+#]?| O-O(-O)?[+#]?)+");
    int thinking = 0;
    for (const std::string& l : engine->transcript()) {
        if (l.empty() || l[0] < '1' || l[0] > '9')
            continue;
        EXPECT_TRUE(std::regex_match(l, shape)) << l;
        ++thinking;
    }
    EXPECT_GE(thinking, 3);

    // Force mode: moves are made silently; "go" makes the engine move for the
    // side to move and leaves force mode.
    send("new\nforce\ne2e4\ne7e5\n");
    EXPECT_TRUE(sync().empty());
    send("go\n");
    reply = waitFor("move ");
    send("g8f6\n");  // not force any more: the engine answers
    waitFor("move ");
    EXPECT_TRUE(startsWith(savedGame(), "[Result \"*\"]\n1. e4 e5\n2. "));
}

TEST_F(XBoardSession, IllegalMovesAndUndo) {
    handshake();
    send("new\nforce\ne2e5\n");
    EXPECT_EQ(line(), "Illegal move: e2e5");
    send("e2e4\ne7e5\ng1f3\nundo\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 e5\n*\n\n");
    send("remove\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n*\n\n");
    // Nothing to take back at the start, nor below a set-up position.
    send("undo\nremove\n");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n*\n\n");
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 30";
    send("setboard " + fen + "\ne2e4\nremove\nundo\n");
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"" + fen + "\"]\n[Result \"*\"]\n*\n\n");
}

TEST_F(XBoardSession, SetBoardFailureBlocksMovesUntilAGoodPosition) {
    handshake();
    send("new\nforce\nsetboard 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\n");
    EXPECT_EQ(line(), "tellusererror Illegal position");
    send("e2e4\ngo\nnew\ne2e4\n");
    EXPECT_EQ(line(), "Illegal move");
    EXPECT_EQ(line(), "Illegal move");
    EXPECT_EQ(line(), "Illegal move");
    // A single word is no "setboard" at all.
    send("setboard 8/8/8\n");
    EXPECT_TRUE(sync().empty());
    send("setb 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\ne2e4\n");
    EXPECT_TRUE(sync().empty());
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n[Result \"*\"]\n1. e4 *\n\n");
}

TEST_F(XBoardSession, EditMode) {
    handshake();
    send("new\nforce\nedit\n#\nKe1\nxa4\nPe2\nc\nke8\nRa8\n.\n");
    EXPECT_TRUE(sync().empty());
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"r3k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n[Result \"*\"]\n*\n\n");
    send("e2e4\nRa8a1\n");
    EXPECT_TRUE(sync().empty());

    // An edit that leaves no legal position is refused and the game is kept.
    send("new\nforce\ne2e4\nedit\n#\nKe1\n.\n");
    EXPECT_EQ(line(), "tellusererror Illegal position");
    send("e7e5\n");
    EXPECT_EQ(line(), "Illegal move");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 *\n\n");
    // A successful edit makes moves acceptable again.
    send("edit\n#\nKe1\nPa2\nc\nKe8\n.\ne8e7\n");
    EXPECT_TRUE(sync().empty());

    // An edit left open and broken is settled before a position command
    // that fails: the game from before the edit comes back.
    send("new\nforce\ne2e4\nedit\n#\nsetboard 8/8/8/8/8/8/8/8 w - - 0 1\n");
    EXPECT_EQ(line(), "tellusererror Illegal position");
    EXPECT_EQ(line(), "tellusererror Illegal position");
    send("uci\nposition fen 8/8/8/8/8/8/8/8 w - - 0 1\nxboard\n");
    EXPECT_EQ(waitFor("uciok"), "uciok");
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n1. e4 *\n\n");
    send("edit\n#\nuci\nposition fen 8/8/8/8/8/8/8/8 w - - 0 1\ngo depth 2\n");
    EXPECT_EQ(waitFor("tellusererror"), "tellusererror Illegal position");
    EXPECT_NE(waitFor("bestmove"), "bestmove null");
    send("xboard\n");

    // An edit that puts a piece on the en-passant square drops the square:
    // the d4 pawn cannot take the knight "en passant" and stays black.
    send("setboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\nforce\ne2e4\nedit\nc\nPd4\nNe3\n.\n");
    EXPECT_TRUE(sync().empty());
    EXPECT_EQ(savedGame(), "[SetUp \"1\"] \n[FEN \"4k3/8/8/8/3pP3/4n3/8/4K3 b - - 0 1\"]\n[Result \"*\"]\n*\n\n");
    send("d4e3\n");
    EXPECT_EQ(line(), "Illegal move: d4e3");
    send("go\n");
    const std::string reply = waitFor("move ");
    EXPECT_NE(reply, "move d4e3");
    EXPECT_TRUE(startsWith(savedGame(), "[SetUp \"1\"] \n[FEN \"4k3/8/8/8/3pP3/4n3/8/4K3 b - - 0 1\"]"));

    // Editor words outside edit mode leave the game alone.
    send("new\nforce\n#\nQd4\nc\n.\n");
    EXPECT_TRUE(sync().empty());
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n*\n\n");
}

TEST_F(XBoardSession, AnalyzeWithDotAndExit) {
    handshake();
    send("new\nforce\npost\nanalyze\n");
    std::string found;
    ASSERT_TRUE(engine->readUntil([](const std::string& l) { return startsWith(l, "4 "); }, found, nullptr, 20000));
    send(".\n");
    // The analysis goes on after ".": progress lines, and no best move yet.
    std::vector<std::string> after = engine->drain(500);
    bool progress = false;
    for (const std::string& l : after) {
        EXPECT_FALSE(startsWith(l, "bestmove")) << l;
        progress = progress || startsWith(l, "stat01: ");
    }
    EXPECT_TRUE(progress);
    // "exit" ends it with its best move.
    send("exit\n");
    EXPECT_TRUE(startsWith(waitFor("bestmove "), "bestmove "));
    EXPECT_TRUE(sync().empty());
    // The board is unchanged by the analysis.
    EXPECT_EQ(savedGame(), "[Result \"*\"]\n*\n\n");
}

TEST_F(XBoardSession, DotAndMoveNowDuringTheEnginesMove) {
    handshake();
    send("new\nst 1000\ne2e4\n");
    std::string found;
    ASSERT_TRUE(engine->readUntil([](const std::string& l) { return startsWith(l, "4 "); }, found, nullptr, 20000));
    // "." asks for exactly one status line; the search goes on.
    send(".\n");
    const std::string status = waitFor("stat01: ");
    std::istringstream fields(status.substr(8));
    long elapsed = -1, nodes = -1, depthDone = -1, left = -1, total = -1;
    fields >> elapsed >> nodes >> depthDone >> left >> total;
    EXPECT_GE(elapsed, 0);
    EXPECT_GT(nodes, 0);
    EXPECT_GE(depthDone, 3);
    EXPECT_EQ(total, 20);  // Black's replies to 1. e4
    EXPECT_GE(left, 0);
    EXPECT_LE(left, total);
    // "?" makes the engine move now.
    send("?\n");
    std::vector<std::string> before;
    EXPECT_TRUE(startsWith(waitFor("move ", &before, 10000), "move "));
    for (const std::string& l : before)
        EXPECT_FALSE(startsWith(l, "stat01: ")) << l;
}

TEST_F(XBoardSession, ResultLines) {
    handshake();
    // The engine mates: its move, then the result line.
    setUp("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    send("go\n");
    EXPECT_EQ(waitFor("move "), "move a1a8");
    EXPECT_EQ(line(), "1-0 {White}");
    // A move after the end of the game is not played; the result comes again.
    send("h7h6\n");
    EXPECT_EQ(line(), "1-0 {White}");

    setUp("r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1");
    send("go\n");
    EXPECT_EQ(waitFor("move "), "move a8a1");
    EXPECT_EQ(line(), "0-1 {Black}");

    // The opponent mates (not in force mode): only the result line, no search.
    send("new\nsetboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\na1a8\n");
    std::vector<std::string> lines = sync();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "1-0 {White}");

    // "go" on a game that is already over has no move to write, and so no
    // result line either (the side to move did not make the last move).
    setUp("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    send("go\n");
    EXPECT_TRUE(sync().empty());
    setUp("7k/5Q2/6K1/8/8/8/8/8 b - - 0 40");
    send("go\n");
    EXPECT_TRUE(sync().empty());

    setUp("7k/8/6K1/8/8/8/8/5Q2 w - - 0 40");
    send("f1f7\n");
    EXPECT_EQ(line(), "1/2-1/2 {Stalemate}");

    setUp("4k3/8/8/8/8/8/3r4/4K3 w - - 0 1");
    send("e1d2\n");
    EXPECT_EQ(line(), "1/2-1/2 {Draw by material insufficient}");

    // Knight against knight is no dead position: the game goes on, and here
    // the engine mates in the corner.
    setUp("kn6/8/1K6/3N4/8/8/8/8 w - - 0 1");
    send("go\n");
    EXPECT_EQ(waitFor("move "), "move d5c7");
    EXPECT_EQ(line(), "1-0 {White}");

    setUp("4k3/8/8/8/8/8/8/R3K3 w - - 99 80");
    send("a1a2\n");
    EXPECT_EQ(line(), "1/2-1/2 {Draw by fifty moves rule}");

    send("new\nforce\ng1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\n");
    EXPECT_TRUE(sync().empty());
    send("f6g8\n");
    EXPECT_EQ(line(), "1/2-1/2 {Draw by repetition}");
}

TEST_F(XBoardSession, TimeControlsAndMemory) {
    handshake();
    send("new\nlevel 40 5 0\ntime 2000\notim 2000\nmemory 32\nmemory 5000\noption Hash=1\npost\nnopost\ne2e4\n");
    EXPECT_TRUE(startsWith(waitFor("move "), "move "));
    send("time 0\ng1f3\n");  // a clock of nothing still gets an answer
    std::string reply = waitFor("move ", nullptr, 15000);
    EXPECT_TRUE(startsWith(reply, "move "));
    send("st -5\nnew\ne2e4\n");
    EXPECT_TRUE(startsWith(waitFor("move "), "move "));
}

TEST_F(XBoardSession, SaveAndLoadTheGame) {
    handshake();
    send("new\nforce\ne2e4\nc7c5\ng1f3\nd7d6\nsaveboard\n");
    sync();
    const std::string text = dir.read("game_001.pgn");
    EXPECT_EQ(text, "[Result \"*\"]\n1. e4 c5\n2. Nf3 d6\n*\n\n");
    send("new\nloadboard\n");
    EXPECT_EQ(savedGame("again.pgn"), text);
    // A game written by hand with tags, comments and a result.
    dir.write("hand.pgn", "[Event \"test\"]\n[White \"a\"]\n\n1. d4 {queen's pawn\n opening} d5 2. c4 e6 1/2-1/2\n");
    send("loadboard hand.pgn\n");
    EXPECT_EQ(savedGame("out.pgn"), "[Result \"*\"]\n1. d4 d5\n2. c4 e6\n*\n\n");
    // A missing file changes nothing and writes nothing.
    send("loadboard missing.pgn\nsaveboard /nonexistent/dir/x.pgn\n");
    EXPECT_TRUE(sync().empty());
    EXPECT_EQ(savedGame("out2.pgn"), "[Result \"*\"]\n1. d4 d5\n2. c4 e6\n*\n\n");
    // The loaded game goes on: the engine answers the next move.
    send("sd 2\ng1f3\n");
    // In force mode: silent.
    EXPECT_TRUE(sync().empty());
}
