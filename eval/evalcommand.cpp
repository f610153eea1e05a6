// "quillon eval [FEN]": the static evaluation of one position with its terms.
#include "eval/evalcommand.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string_view>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/endgame.h"
#include "eval/evalbench.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"

namespace NEngine {
namespace {

constexpr int DefaultBenchPositions = 4000;
constexpr int MaxBenchPositions = 1000000;
constexpr int BenchWarmPasses = 50;

const char* stageName(GameStage s) {
    switch (s) {
    case GameStage::Opening: return "opening";
    case GameStage::Endgame: return "endgame";
    default: return "middlegame";
    }
}

void printRow(const char* name, const ScoreTriple& t, const EvalParameters& p, GameStage stage, int weight) {
    std::printf("  %-22s %7d %7d %7d %9d\n", name, t.common, t.mg, t.eg, blendScore(p, t, stage, weight));
}

int runBench(std::string_view arguments) {
    int count = DefaultBenchPositions;
    if (!arguments.empty()) {
        std::string text(arguments);
        char* end = nullptr;
        long n = std::strtol(text.c_str(), &end, 10);
        if (end == text.c_str() || *end != '\0' || n < 1 || n > MaxBenchPositions) {
            std::fprintf(stderr, "quillon eval --bench: position count must be 1 to %d\n", MaxBenchPositions);
            return 2;
        }
        count = int(n);
    }
    const EvalBenchResult r = runEvalBench(count, BenchWarmPasses);
    const double cold = r.coldSeconds > 0 ? r.positions / r.coldSeconds : 0;
    const double warm = r.warmSeconds > 0 ? r.warmEvaluations / r.warmSeconds : 0;
    std::printf("Positions: %d (seeded random playouts)\n", r.positions);
    std::printf("First pass (empty pawn hash): %.0f evaluations/s\n", cold);
    const double warmCpu = r.warmCpuSeconds > 0 ? r.warmEvaluations / r.warmCpuSeconds : 0;
    std::printf("Later passes (%lld evaluations): %.0f evaluations/s (%.0f per processor second)\n",
                static_cast<long long>(r.warmEvaluations), warm, warmCpu);
    std::printf("Checksum: %lld\n", static_cast<long long>(r.checksum));
    return 0;
}

void printTriple(const ScoreTriple& t) { std::printf(" %d/%d/%d", t.common, t.mg, t.eg); }

// One line of every term of the position, then the scores the search would
// get: the full window, a narrow window at the score (the cache hit, with
// the pawn entry now stored), and windows far above and below (the lazy exits).
void dumpPosition(Evaluator& evaluator, Board& board) {
    evaluator.setBoard(&board);
    EvalBreakdown b;
    const int traced = evaluator.evaluateTraced(b);
    std::printf("%s |", writeFen(board).c_str());
    std::printf(" %d %d %d %d %d %d %d %d |", traced, b.whiteScore, b.mated, b.drawn, b.endgameVerdict, b.verdictScore,
                b.nonPawnMaterial, b.weight);
    for (const ScoreTriple& t : {b.material, b.imbalance, b.pieceSquare, b.pawns, b.pieces, b.kingSafety, b.threats,
                                 b.passedPawns, b.passedBySide[White], b.passedBySide[Black]})
        printTriple(t);
    std::printf(" | %d %d %d %d |", b.kingSafetyBySide[White], b.kingSafetyBySide[Black], b.threatsBySide[White],
                b.threatsBySide[Black]);
    std::printf(" %d %d %d %d\n", evaluator.evaluate(-InfiniteScore, InfiniteScore),
                evaluator.evaluate(traced - 1, traced + 1), evaluator.evaluate(traced + 2000, traced + 2001),
                evaluator.evaluate(traced - 2001, traced - 2000));
}

// "--dump": every line of standard input is a FEN, optionally followed by
// "moves" and moves in coordinate notation; every position along the line is
// dumped. One evaluator serves the whole input, so that later positions meet
// filled pawn-hash and cache entries as they do in a search.
int runDump() {
    Evaluator evaluator;
    BoardWithStack position;
    Board& board = position.board;
    std::string line;
    int lineNumber = 0;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        const size_t movesAt = line.find(" moves ");
        const std::string fen = line.substr(0, movesAt);
        if (fen.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!parseFen(fen, board)) {
            std::fprintf(stderr, "quillon eval --dump: line %d: illegal or malformed position\n", lineNumber);
            return 2;
        }
        dumpPosition(evaluator, board);
        if (movesAt == std::string::npos)
            continue;
        std::istringstream moves(line.substr(movesAt + 7));
        std::string text;
        while (moves >> text) {
            const Move move = parseMoveText(board, text);
            if (!move || !isPseudoLegal(board, move) || !isLegal(board, move)) {
                std::fprintf(stderr, "quillon eval --dump: line %d: illegal move %s\n", lineNumber, text.c_str());
                return 2;
            }
            makeMove(board, move);
            // Through the FEN text, so that the status flags are those of a
            // position set up from it.
            const std::string next = writeFen(board);
            if (!parseFen(next, board)) {
                std::fprintf(stderr, "quillon eval --dump: line %d: position after %s rejected\n", lineNumber,
                             text.c_str());
                return 2;
            }
            dumpPosition(evaluator, board);
        }
    }
    return 0;
}

}  // namespace

int runEvalCommand(const std::string& fen) {
    initBoardTables();
    buildEndgameRegistry();

    constexpr std::string_view BenchFlag = "--bench";
    const std::string_view text(fen);
    if (text.substr(0, BenchFlag.size()) == BenchFlag &&
        (text.size() == BenchFlag.size() || text[BenchFlag.size()] == ' ')) {
        std::string_view rest = text.substr(BenchFlag.size());
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        return runBench(rest);
    }
    if (text == "--dump")
        return runDump();

    BoardWithStack position;
    Board& board = position.board;
    if (!parseFen(fen, board)) {
        std::fprintf(stderr, "quillon eval: illegal or malformed position: %s\n", fen.c_str());
        return 2;
    }

    Evaluator evaluator;
    evaluator.setBoard(&board);
    EvalBreakdown b;
    evaluator.evaluateTraced(b);
    const bool whiteToMove = board.side() == White;
    std::printf("Position: %s\n", writeFen(board).c_str());
    std::printf("Side to move: %s\n", whiteToMove ? "white" : "black");

    if (b.mated || b.drawn) {
        std::printf("%s: no evaluation needed\n", b.mated ? "Checkmate" : "Drawn position");
        const int side = b.mated ? -MateScore : DrawScore;
        std::printf("Evaluation (side to move): %d\n", side);
        std::printf("Evaluation: %d (white side)\n", whiteToMove ? side : -side);
        return 0;
    }
    if (b.endgameVerdict) {
        std::printf("Endgame evaluator applies: %d (white side); the general terms are not used\n", b.verdictScore);
        std::printf("Evaluation (side to move): %d\n", b.sideScore);
        std::printf("Evaluation: %d (white side)\n", b.whiteScore);
        return 0;
    }

    const EvalParameters& p = evaluator.parameters();
    std::printf("Stage: %s (non-pawn material %d, middlegame weight %d/%d)\n", stageName(b.stage), b.nonPawnMaterial,
                b.weight, p.phaseRange);
    std::printf("Terms, White minus Black:\n");
    std::printf("  %-22s %7s %7s %7s %9s\n", "term", "common", "middle", "end", "blended");
    ScoreTriple total;
    const struct {
        const char* name;
        const ScoreTriple& value;
    } rows[] = {
        {"material", b.material},
        {"imbalance", b.imbalance},
        {"piece-square", b.pieceSquare},
        {"pawns and shelter", b.pawns},
        {"pieces", b.pieces},
        {"king safety", b.kingSafety},
        {"threats", b.threats},
        {"passed pawns", b.passedPawns},
    };
    for (const auto& row : rows) {
        printRow(row.name, row.value, p, b.stage, b.weight);
        total += row.value;
    }
    printRow("total", total, p, b.stage, b.weight);
    std::printf("Evaluation (side to move): %d\n", b.sideScore);
    std::printf("Evaluation: %d (white side)\n", b.whiteScore);
    return 0;
}

}  // namespace NEngine
