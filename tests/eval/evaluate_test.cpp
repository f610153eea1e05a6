// The evaluation entry: terminal positions, the lazy window, stages, and the
// stability of scores across the pawn hash, move orders and colour mirrors.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/evalbench.h"
#include "eval/evalterms.h"
#include "eval/evaluator.h"
#include "evalhelpers.h"

namespace NEngine::NTest {
namespace {

class EvaluateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initEvalTables(); }
};

int evalFen(const std::string& fen) {
    Position p(fen);
    Evaluator e;
    e.setBoard(&p.board);
    return e.evaluate(-InfiniteScore, InfiniteScore);
}

// Positions that exercise every term, chosen clear of the few deliberately
// one-sided rules (the b1/g1 bishop traps, the halved storm on a Black king's
// file, and the rank limits of the blocked backward pawn).
const char* const SymmetricSuite[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 b - - 3 10",
    "2r3k1/1p3pp1/p3p2p/8/1P1R4/P3P1P1/5P1P/6K1 w - - 0 30",
    "8/5pk1/6p1/3P4/8/6P1/5PK1/8 w - - 0 45",
    "r4rk1/1b3ppp/pq2p3/1p1n4/3N4/1BP1Q3/PP3PPP/R4RK1 w - - 0 18",
    "4r1k1/pp3ppp/8/3pP3/3P2n1/2N5/PP3qPP/R2Q1R1K w - - 0 20",
    "6k1/5ppp/8/8/2b5/8/5PPP/3R2K1 w - - 0 1",
    "r3k2r/ppp2ppp/2n5/3qp3/8/2N5/PPP2PPP/R2QK2R b KQkq - 0 9",
};

TEST_F(EvaluateTest, TerminalStatusComesFirst) {
    // Fool's mate: White is mated.
    EXPECT_EQ(evalFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"), -MateScore);
    // Black is stalemated although White has a queen more.
    EXPECT_EQ(evalFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), DrawScore);
    // Fifty-move draw with a rook more.
    EXPECT_EQ(evalFen("4k3/8/8/8/8/8/3R4/4K3 w - - 100 90"), DrawScore);
    // Bare kings.
    EXPECT_EQ(evalFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"), DrawScore);
}

TEST_F(EvaluateTest, EndgameVerdictIsTheWholeEvaluation) {
    // KR v K: the registry scores it; the answer follows the side to move.
    Position white("8/8/8/4k3/8/8/8/R3K3 w - - 0 1");
    Position black("8/8/8/4k3/8/8/8/R3K3 b - - 0 1");
    const EndgameVerdict v = endgameRegistry().probe(white.board);
    ASSERT_TRUE(v.applies);
    Evaluator e;
    e.setBoard(&white.board);
    EXPECT_EQ(e.evaluate(-InfiniteScore, InfiniteScore), v.score);
    e.setBoard(&black.board);
    EXPECT_EQ(e.evaluate(-InfiniteScore, InfiniteScore), -endgameRegistry().probe(black.board).score);
    EvalBreakdown b;
    e.evaluateTraced(b);
    EXPECT_TRUE(b.endgameVerdict);
    EXPECT_EQ(b.whiteScore, endgameRegistry().probe(black.board).score);
}

TEST_F(EvaluateTest, WindowAndLazyExit) {
    Evaluator e;
    EXPECT_EQ(e.parameters().lazyMargin, 1000);
    EXPECT_EQ(e.parameters().phaseRange, e.parameters().openingThreshold - e.parameters().endgameThreshold);
    // White is a queen up: the quick score is far above a zero window.
    Position p("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    e.setBoard(&p.board);
    const int lazy = e.evaluate(0, 0);
    EXPECT_EQ(e.windowLow(), -1000);
    EXPECT_EQ(e.windowHigh(), 1000);
    EvalBreakdown b;
    const int full = e.evaluateTraced(b);
    const ScoreTriple quick = b.material + b.imbalance + b.pieceSquare;
    EXPECT_EQ(lazy, blendScore(e.parameters(), quick, b.stage, b.weight));
    EXPECT_GT(lazy, 1000);
    EXPECT_NE(lazy, full);  // the lazy exit skipped the other terms
    // Open bounds never cut the evaluation short.
    e.evaluate(-32000, 32000);
    EXPECT_EQ(e.windowLow(), -InfiniteScore);
    EXPECT_EQ(e.windowHigh(), InfiniteScore);
    EXPECT_EQ(e.evaluate(-32000, 32000), full);
    e.evaluate(-31999, 31999);
    EXPECT_EQ(e.windowLow(), -32999);
    EXPECT_EQ(e.windowHigh(), 32999);
}

TEST_F(EvaluateTest, FullWindowMatchesTheTracedEvaluation) {
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(600, stack);
    Evaluator e, traced;
    for (Board& b : positions) {
        e.setBoard(&b);
        traced.setBoard(&b);
        EvalBreakdown br;
        ASSERT_EQ(e.evaluate(-32767, 32767), traced.evaluateTraced(br));
    }
}

TEST_F(EvaluateTest, StageBoundaries) {
    const EvalParameters p;
    EXPECT_EQ(gameStage(p, 7200), GameStage::Opening);
    EXPECT_EQ(gameStage(p, 6490), GameStage::Opening);
    EXPECT_EQ(gameStage(p, 6489), GameStage::Middlegame);
    EXPECT_EQ(gameStage(p, 1801), GameStage::Middlegame);
    EXPECT_EQ(gameStage(p, 1800), GameStage::Endgame);
    EXPECT_EQ(gameStage(p, 0), GameStage::Endgame);
    EXPECT_EQ(blendWeight(p, 7200), 4690);
    EXPECT_EQ(blendWeight(p, 1800), 0);
    EXPECT_EQ(blendWeight(p, 4145), 2345);
    // Middlegame blend truncates toward zero: (-7 * 2345 + 0) / 4690 = -3.5 -> -3.
    EXPECT_EQ(blendScore(p, {0, -7, 0}, GameStage::Middlegame, 2345), -3);
    EXPECT_EQ(blendScore(p, {5, 100, -100}, GameStage::Opening, 4690), 105);
    EXPECT_EQ(blendScore(p, {5, 100, -100}, GameStage::Endgame, 0), -95);
    // Sums are cut to 16 bits.
    EXPECT_EQ(blendScore(p, {32767, 1, 0}, GameStage::Opening, 4690), -32768);

    // The start position: 7200 non-pawn material, opening.
    Position start("");
    Evaluator e;
    e.setBoard(&start.board);
    EvalBreakdown b;
    e.evaluateTraced(b);
    EXPECT_EQ(b.nonPawnMaterial, 7200);
    EXPECT_EQ(b.stage, GameStage::Opening);
    // One knight each off: 2 * (3600 - 355) = 6490, still the opening.
    Position atThreshold("r1bqkbnr/pppppppp/8/8/8/8/PPPPPPPP/R1BQKBNR w KQkq - 0 1");
    e.setBoard(&atThreshold.board);
    e.evaluateTraced(b);
    EXPECT_EQ(b.nonPawnMaterial, 6490);
    EXPECT_EQ(b.stage, GameStage::Opening);
    // Rook and bishop each: 2 * 900 = 1800, the endgame.
    Position endgame("2b1k2r/pppppppp/8/8/8/8/PPPPPPPP/2B1K2R w Kk - 0 1");
    e.setBoard(&endgame.board);
    e.evaluateTraced(b);
    EXPECT_EQ(b.nonPawnMaterial, 1800);
    EXPECT_EQ(b.stage, GameStage::Endgame);
}

TEST_F(EvaluateTest, PawnHashHitAndMissAgree) {
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(1500, stack);
    Evaluator warm, none(0);
    EXPECT_EQ(warm.pawnHashSize(), 262144u);
    EXPECT_EQ(warm.pawnHashMask(), 262143u);
    EXPECT_EQ(none.pawnHashSize(), 0u);
    int hits = 0;
    for (Board& b : positions) {
        Evaluator fresh(1024);
        fresh.setBoard(&b);
        warm.setBoard(&b);
        none.setBoard(&b);
        EvalBreakdown first, second;
        const int miss = fresh.evaluateTraced(first);
        const int hit = fresh.evaluateTraced(second);
        ASSERT_EQ(miss, hit);
        if (!first.mated && !first.drawn && !first.endgameVerdict) {
            EXPECT_FALSE(first.pawnHashHit);
            hits += second.pawnHashHit;
            EXPECT_EQ(first.pawns, second.pawns);
            EXPECT_EQ(first.passedPawns, second.passedPawns);
        }
        ASSERT_EQ(warm.evaluate(-32767, 32767), miss);
        ASSERT_EQ(none.evaluate(-32767, 32767), miss);
    }
    EXPECT_GT(hits, 1000);
}

TEST_F(EvaluateTest, RememberedEvaluationsMatchComputedOnes) {
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(1500, stack);
    Evaluator shared, traced, uncached(PawnHashDefaultEntries, false);
    for (int round = 0; round < 2; ++round) {
        for (Board& b : positions) {
            shared.setBoard(&b);
            traced.setBoard(&b);
            uncached.setBoard(&b);
            EvalBreakdown br;
            const int full = traced.evaluateTraced(br);
            // A lazy exit far outside the window is never remembered as the
            // position's score.
            if (!br.mated && !br.drawn && !br.endgameVerdict) {
                const int lazy = shared.evaluate(29000, 29001);
                EXPECT_LT(lazy, 29000 - 1000) << writeFen(b);
            }
            // The first round computes, the second finds the remembered score.
            ASSERT_EQ(shared.evaluate(-32767, 32767), full) << writeFen(b);
            ASSERT_EQ(uncached.evaluate(-32767, 32767), full) << writeFen(b);
        }
    }
    // A new game forgets: the scores stay the same afterwards.
    shared.clearPawnHash();
    shared.setBoard(&positions.front());
    traced.setBoard(&positions.front());
    EvalBreakdown br;
    EXPECT_EQ(shared.evaluate(-32767, 32767), traced.evaluateTraced(br));
}

// The imbalance is remembered by the piece counts: one evaluator going
// through thousands of material balances (promotions and captures of random
// playouts, some mirrored so that the two sides' counts trade places) must
// report for each the value worked out from the counts afresh.
TEST_F(EvaluateTest, RememberedImbalanceMatchesTheCounts) {
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(3000, stack);
    Evaluator evaluator;
    int checked = 0, unbalanced = 0;
    for (int round = 0; round < 2; ++round)
        for (Board& b : positions) {
            evaluator.setBoard(&b);
            EvalBreakdown br;
            evaluator.evaluateTraced(br);
            if (br.mated || br.drawn || br.endgameVerdict)
                continue;
            const ScoreTriple fresh = materialImbalance(b);
            ASSERT_EQ(br.imbalance.mg, fresh.mg) << writeFen(b);
            ASSERT_EQ(br.imbalance.eg, fresh.eg) << writeFen(b);
            ASSERT_EQ(br.imbalance.common, 0) << writeFen(b);
            ++checked;
            unbalanced += fresh.mg != 0;
        }
    // The playouts reach many balances, not only level ones.
    EXPECT_GT(checked, 2000);
    EXPECT_GT(unbalanced, 200);
    // Colours exchanged: the same counts on the other side, the sign turned.
    for (const char* fen : {"r1b1k2r/pppp1ppp/8/8/8/8/PPPPPPPP/RN2K1NR w KQkq - 0 1",
                            "rn2k1nr/pppppppp/8/8/8/8/PPPP1PPP/R1B1K2R w KQkq - 0 1"}) {
        Position p(fen), q(mirrorFen(fen));
        EvalBreakdown a, m;
        evaluator.setBoard(&p.board);
        evaluator.evaluateTraced(a);
        evaluator.setBoard(&q.board);
        evaluator.evaluateTraced(m);
        EXPECT_NE(a.imbalance.mg, 0) << fen;
        EXPECT_EQ(a.imbalance.mg, -m.imbalance.mg) << fen;
        EXPECT_EQ(a.imbalance.eg, -m.imbalance.eg) << fen;
    }
}

TEST_F(EvaluateTest, CastlingRightsKeepTheirOwnPawnEntries) {
    // Same pawns and kings; only the rights differ, and with them the shelter.
    Position rights("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1");
    Position noRights("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w kq - 0 1");
    EXPECT_EQ(kingShelter(rights.board, White), 36);
    EXPECT_EQ(kingShelter(noRights.board, White), 23);
    Evaluator e;
    e.setBoard(&rights.board);
    EvalBreakdown withRights, without, again;
    e.evaluateTraced(withRights);
    e.setBoard(&noRights.board);
    e.evaluateTraced(without);
    EXPECT_FALSE(without.pawnHashHit);
    EXPECT_EQ(withRights.pawns.mg - without.pawns.mg, 13);
    e.evaluateTraced(again);
    EXPECT_TRUE(again.pawnHashHit);
    EXPECT_EQ(again.pawns, without.pawns);
}

TEST_F(EvaluateTest, MoveOrderDoesNotMatter) {
    const char* orders[][4] = {
        {"e2e4", "e7e5", "g1f3", "b8c6"},
        {"g1f3", "b8c6", "e2e4", "e7e5"},
        {"g1f3", "e7e5", "e2e4", "b8c6"},
    };
    std::vector<int> scores;
    for (auto& order : orders) {
        Position p("");
        for (const char* text : order) {
            Move m = parseMoveText(p.board, text);
            ASSERT_TRUE(m && isLegal(p.board, m)) << text;
            makeMove(p.board, m);
        }
        Evaluator e;
        e.setBoard(&p.board);
        scores.push_back(e.evaluate(-32767, 32767));
        // The same position set up from scratch scores the same.
        scores.push_back(evalFen(writeFen(p.board)));
    }
    for (int s : scores)
        EXPECT_EQ(s, scores[0]);
    EXPECT_EQ(scores[0], evalFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
}

TEST_F(EvaluateTest, IncrementalPositionsMatchFreshOnes) {
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(800, stack);
    Evaluator e;
    for (Board& b : positions) {
        if (b.status & GameOverMask)
            continue;
        e.setBoard(&b);
        const int incremental = e.evaluate(-32767, 32767);
        ASSERT_EQ(incremental, evalFen(writeFen(b))) << writeFen(b);
    }
}

TEST_F(EvaluateTest, MirroredPositionsScoreTheSameForTheSideToMove) {
    for (const char* fen : SymmetricSuite) {
        const std::string mirrored = mirrorFen(fen);
        Position a(fen), b(mirrored);
        Evaluator ea, eb;
        ea.setBoard(&a.board);
        eb.setBoard(&b.board);
        EvalBreakdown ta, tb;
        EXPECT_EQ(ea.evaluateTraced(ta), eb.evaluateTraced(tb)) << fen;
        EXPECT_EQ(ta.whiteScore, -tb.whiteScore) << fen;
        EXPECT_EQ(ta.pieces.common, -tb.pieces.common) << fen;
        EXPECT_EQ(ta.kingSafety.mg, -tb.kingSafety.mg) << fen;
        EXPECT_EQ(ta.pawns, ScoreTriple{} - tb.pawns) << fen;
    }
}

TEST_F(EvaluateTest, UnmirroredBishopTrapBreaksSymmetry) {
    // A White bishop on b8 with Black pawns c7 and b6 is trapped; the mirror
    // image (Black bishop b1, White pawns c2 and b3) is not, because the
    // Black pattern asks for d3 or a2 instead of b3 or a2.
    const std::string fen = "1B6/P1p5/1p6/8/8/8/8/K6k w - - 0 1";
    Position a(fen), b(mirrorFen(fen));
    Evaluator ea, eb;
    ea.setBoard(&a.board);
    eb.setBoard(&b.board);
    ea.evaluate(-32767, 32767);
    eb.evaluate(-32767, 32767);
    EXPECT_EQ(ea.record(White).running, -15 - 80);  // mobility 1, trapped
    EXPECT_EQ(eb.record(Black).running, -15);       // mobility 1, free
    // With a White pawn on d3 the Black bishop on b1 is trapped too.
    Position c("7k/8/8/8/8/1P1P4/p1P5/1b5K w - - 0 1");
    Evaluator ec;
    ec.setBoard(&c.board);
    ec.evaluate(-32767, 32767);
    EXPECT_EQ(ec.record(Black).running, -15 - 80);
}

TEST_F(EvaluateTest, ThreadsWithTheirOwnEvaluatorsAgree) {
    // Each search thread owns an evaluator; the shared tables are read-only.
    BoardWithStack stack;
    std::vector<Board> positions = benchPositions(400, stack);
    std::vector<int> expected;
    Evaluator single;
    for (Board& b : positions) {
        single.setBoard(&b);
        expected.push_back(single.evaluate(-32767, 32767));
    }
    std::vector<int> results[2];
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            Evaluator own;
            for (const Board& b : positions) {
                Board copy = b;
                own.setBoard(&copy);
                results[t].push_back(own.evaluate(-32767, 32767));
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(results[0], expected);
    EXPECT_EQ(results[1], expected);
}

TEST_F(EvaluateTest, DeterministicBench) {
    const EvalBenchResult first = runEvalBench(300, 2);
    const EvalBenchResult second = runEvalBench(300, 2);
    EXPECT_EQ(first.positions, 300);
    EXPECT_EQ(first.checksum, second.checksum);
}

}  // namespace
}  // namespace NEngine::NTest
