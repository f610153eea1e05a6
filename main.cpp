// Quillon's entry: with no arguments it speaks the engine protocols on
// standard input and output; a few command-line tools sit beside that.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/board.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/perft.h"  // int runPerftCommand(int argc, char** argv); argv after "perft"
#include "board/tables.h"
#include "eval/evalcommand.h"        // int runEvalCommand(const std::string& fen);
#include "protocol/options.h"        // std::string optionsUsageText();
#include "protocol/pgn_positions.h"  // int runPositionsCommand(const std::string& path);
#include "protocol/shell.h"          // int runProtocol();
#include "search/benchmark.h"        // int runBenchmark(int argc, char** argv); argv after "bench"

namespace {

const char* const Version = "0.1.0";

void printUsage() {
    std::printf(
        "Quillon %s, a chess engine for UCI and XBoard interfaces.\n"
        "\n"
        "Usage:\n"
        "  quillon                      speak UCI and XBoard on standard input/output\n"
        "  quillon perft DEPTH [FEN]    count legal move paths (start position by default)\n"
        "  quillon bench [DEPTH]        search a fixed set of positions; prints nodes and speed\n"
        "  quillon eval [FEN]           print the static evaluation and its terms\n"
        "  quillon positions [PGN]      print every position of the games of a PGN file\n"
        "                               (standard input without one): FEN, move, SAN\n"
        "  quillon --help               this text\n"
        "  quillon --version            the version\n"
        "\n"
        "%s\n",
        Version, NEngine::optionsUsageText().c_str());
}

std::string joinArguments(int argc, char** argv, int first) {
    std::string text;
    for (int i = first; i < argc; ++i) {
        if (!text.empty())
            text += ' ';
        text += argv[i];
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace NEngine;
    selectPopCount();
    initSliderTables();

    if (argc >= 2) {
        std::string command = argv[1];
        if (command == "--help" || command == "-h" || command == "help") {
            printUsage();
            return 0;
        }
        if (command == "--version" || command == "-v") {
            std::printf("Quillon %s\n", Version);
            return 0;
        }
        if (command == "perft")
            return runPerftCommand(argc - 2, argv + 2);
        if (command == "bench")
            return runBenchmark(argc - 2, argv + 2);
        if (command == "eval")
            return runEvalCommand(joinArguments(argc, argv, 2));
        if (command == "positions")
            return runPositionsCommand(argc >= 3 ? argv[2] : "");
        std::fprintf(stderr, "quillon: unknown command '%s' (try --help)\n", command.c_str());
        return 2;
    }

    return runProtocol();
}
