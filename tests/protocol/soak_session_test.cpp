// A long stream of random, malformed and hostile input through the engine
// binary: the engine must keep answering and leave cleanly.
#include <gtest/gtest.h>

#include <random>

#include "session.h"

using namespace NEngineTest;

namespace {

class Soak : public Session {};

std::string randomSquare(std::mt19937& random) {
    std::string s;
    s += char('a' + random() % 8);
    s += char('1' + random() % 8);
    return s;
}

std::string randomNumber(std::mt19937& random) {
    static const char* const special[] = {"0", "-1", "1", "2", "99999999999", "-99999999999", "true", "x", "3abc", ""};
    if (random() % 3 == 0)
        return special[random() % 10];
    return std::to_string(int(random() % 200) - 20);
}

std::string randomWord(std::mt19937& random) {
    // clang-format off
    static const char* const words[] = {
        "option", "ping", "xboard", "memory", "new", "protover", "go", "st", "sd", "undo", "remove", "force",
        "edit", "post", "nopost", "analyze", "stop", "exit", "time", "otim", "level", ".", "?", "c", "#",
        "saveboard", "loadboard", "setboard", "setb", "uci", "setoption", "isready", "ucinewgame", "position",
        "infinite", "startpos", "fen", "moves", "name", "value", "Hash", "Threads", "wtime", "btime", "movestogo",
        "movetime", "depth", "e2e4", "e7e5", "Nf3", "O-O", "O-O-O", "0000", "e8=Q", "bk", "Ke1", "xa9", "\t",
        "8/8/8/8/8/8/8/8", "w", "b", "KQkq", "-", "GO", "\x01\xff", "{", "}", "[", "]", "%"};
    // clang-format on
    const int count = sizeof words / sizeof words[0];
    switch (random() % 6) {
    case 0: return randomSquare(random) + randomSquare(random) + (random() % 8 == 0 ? "q" : "");
    case 1: return randomNumber(random);
    default: return words[random() % count];
    }
}

std::string randomLine(std::mt19937& random) {
    static const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
        "7k/8/6K1/8/8/8/8/5Q2 w - - 0 40",
        "8/8/8/8/8/8/8/8 w - - 0 1",
        "k7/8/8/8/8/8/8/7K w - - 100 0",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq z9 0 99999999",
        "K7/8/8/8/8/8/8/7k b - - 0 1 extra words",
        "QQQQQQQQ/QQQQQQQQ/8/8/8/8/k7/K7 w - - 0 1",
    };
    switch (random() % 10) {
    case 0: return std::string("setboard ") + fens[random() % 8];
    case 1:
        return std::string("position fen ") + fens[random() % 8] + " moves " + randomWord(random) + " " +
               randomWord(random);
    case 2: {
        std::string line = "position startpos moves";
        for (int i = int(random() % 12); i > 0; --i)
            line += " " + randomSquare(random) + randomSquare(random);
        return line;
    }
    case 3: return std::string(size_t(random() % 3000), char('a' + random() % 26));
    default: {
        std::string line;
        for (int i = int(random() % 6); i >= 0; --i)
            line += randomWord(random) + (random() % 5 == 0 ? "\r " : " ");
        return line;
    }
    }
}

}  // namespace

TEST_F(Soak, RandomInputNeverStopsTheEngine) {
    std::mt19937 random(4201);
    send("xboard\nsd 3\n");
    constexpr int Rounds = 40;
    constexpr int LinesPerRound = 60;
    for (int round = 0; round < Rounds; ++round) {
        std::string batch;
        for (int i = 0; i < LinesPerRound; ++i) {
            std::string line = randomLine(random);
            // Keep the engine alive, its searches short and its tables small.
            if (line.find("quit") != std::string::npos)
                continue;
            batch += line + "\n";
        }
        // Searches end as soon as the next line arrives; a fixed depth ends
        // any left at the end of the batch.
        batch += "setoption name Hash value 1\nmemory 1\nsd 3\n";
        send(batch);
        sync(100000 + round);
        if (HasFailure())
            return;
    }
    // The stream did reach the engine's game and search commands.
    int searches = 0, refusals = 0;
    for (const std::string& l : engine->transcript()) {
        searches += startsWith(l, "move ") || startsWith(l, "bestmove ");
        refusals += startsWith(l, "Illegal move") || startsWith(l, "tellusererror");
    }
    EXPECT_GT(searches, 20);
    EXPECT_GT(refusals, 20);
    send("quit\n");
    EXPECT_EQ(engine->waitExit(), 0);
}
