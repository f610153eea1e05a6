// The staged move picker: completeness against the list generator, stage
// order, marks and promotions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/history.h"
#include "search/movepicker.h"
#include "search/see.h"

namespace NEngine {
namespace {

class PickerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initBoardTables(); }
    void SetUp() override { history_->clear(); }

    Board& setup(const char* fen) {
        holder_ = std::make_unique<BoardWithStack>();
        EXPECT_TRUE(parseFen(fen, holder_->board)) << fen;
        return holder_->board;
    }

    // The legal moves that put the opponent in check without capturing or
    // promoting, found by making each move and looking.
    static std::set<Move> quietChecksByMaking(Board& b) {
        std::set<Move> checks;
        MoveList list;
        generateAll(b, list);
        list.forEach([&](Move m) {
            if (!isLegal(b, m) || movePromotion(m) || b.typeOn(moveTo(m)) != 0 ||
                (b.typeOn(moveFrom(m)) == Pawn && b.enPassant > 0 && moveTo(m) == b.enPassant))
                return;
            makeMove(b, m);
            if (b.inCheck())
                checks.insert(m);
            unmakeMove(b, m);
        });
        return checks;
    }

    std::vector<Move> pickAll(Board& b, Move hash, Move killer) {
        auto picker = std::make_unique<MovePicker>();
        picker->init(b, *history_, hash, killer);
        std::vector<Move> out;
        while (ScoredMove* item = picker->next()) {
            out.push_back(item->move);
            if (out.size() > 300)
                break;
        }
        return out;
    }

    // Legal moves the picker must produce: all but rook and bishop
    // promotions, and knight promotions only when the knight checks.
    std::set<Move> expectedMoves(Board& b) {
        MoveList list;
        generateAll(b, list);
        std::set<Move> expected;
        Square enemyKing = b.kingSquare[~b.side()];
        list.forEach([&](Move m) {
            if (!isLegal(b, m))
                return;
            int promo = movePromotion(m);
            if (promo == Rook || promo == Bishop)
                return;
            if (promo == Knight && !(tables().knightAttacks[moveTo(m)] & squareBit(enemyKing)))
                return;
            expected.insert(m);
        });
        return expected;
    }

    // Plays random games from the perft positions, 60 plies at most each,
    // and hands every position that has a legal move to `visit` with its
    // legal moves.
    template <typename Visit>
    void walkRandomGames(unsigned seed, Visit&& visit) {
        std::ifstream in(QUILLON_SOURCE_DIR "/tests/board/data/perft-suite.tsv");
        ASSERT_TRUE(in.good());
        std::mt19937 random(seed);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            Board& b = setup(line.substr(0, line.find('\t')).c_str());
            for (int ply = 0; ply < 60; ++ply) {
                std::vector<Move> legal;
                MoveList list;
                generateAll(b, list);
                list.forEach([&](Move m) {
                    if (isLegal(b, m))
                        legal.push_back(m);
                });
                if (legal.empty() || !b.hasRoomForMove())
                    break;
                visit(b, legal);
                if (::testing::Test::HasFatalFailure())
                    return;
                makeMove(b, legal[random() % legal.size()]);
            }
        }
    }

    std::unique_ptr<BoardWithStack> holder_;
    std::unique_ptr<HistoryTable> history_ = std::make_unique<HistoryTable>();
};

const char* const CompletenessPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    // In check (single, double, by a pawn that can be taken en passant).
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPPP/R2qK2R w KQkq - 0 1",
    "4k3/8/8/8/1b6/8/3N4/r3K3 w - - 0 1",
    "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1",
    "4k3/8/5N2/8/8/8/8/4R1K1 b - - 0 1",
    // Promotions, with and without a checking knight promotion.
    "2r1r3/1P6/8/8/8/8/6k1/K7 w - - 0 1",
    "8/3P2k1/8/8/8/8/8/K7 w - - 0 1",
    "8/1P1k4/8/8/8/8/8/K7 w - - 0 1",
};

TEST_F(PickerTest, ProducesEveryLegalMoveOnce) {
    for (const char* fen : CompletenessPositions) {
        Board& b = setup(fen);
        std::set<Move> expected = expectedMoves(b);
        // Try with no hints, and with a legal hash move and killer.
        std::vector<Move> legal(expected.begin(), expected.end());
        Move hash = legal.empty() ? NullMove : legal.front();
        Move killer = legal.empty() ? NullMove : legal.back();
        for (int variant = 0; variant < 3; ++variant) {
            Move h = variant >= 1 ? hash : NullMove;
            Move k = variant == 2 ? killer : NullMove;
            std::vector<Move> got = pickAll(b, h, k);
            std::multiset<Move> plain;
            for (Move m : got)
                plain.insert(Move(m & MoveBits));
            EXPECT_EQ(plain.size(), expected.size()) << fen << " variant " << variant;
            for (Move m : expected)
                EXPECT_EQ(plain.count(m), 1u) << fen << " missing or repeated " << moveToText(m, false);
            for (Move m : plain)
                EXPECT_TRUE(expected.count(m)) << fen << " unexpected " << moveToText(m, false);
        }
    }
}

TEST_F(PickerTest, ForeignMovesThatAreIllegalAreDropped) {
    Board& b = setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    // e2e5 is no move here, e7e5 is Black's; neither may come out.
    std::vector<Move> got = pickAll(b, parseCoordinate("e2e5"), parseCoordinate("e7e5"));
    EXPECT_EQ(got.size(), 20u);
}

TEST_F(PickerTest, HashMoveEqualToKillerComesOnce) {
    Board& b = setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Move e4 = parseCoordinate("e2e4");
    std::vector<Move> got = pickAll(b, e4, e4);
    ASSERT_EQ(got.size(), 20u);
    EXPECT_TRUE(sameMove(got[0], e4));
    EXPECT_TRUE(got[0] & MoveMark);
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [&](Move m) { return sameMove(m, e4); }), 1);
}

TEST_F(PickerTest, KillerComesAfterGoodCapturesBeforeQuiets) {
    // White can take the free d5 pawn; the killer Ng1f3 comes right after it.
    Board& b = setup("4k3/8/8/3p4/4P3/8/8/4K1N1 w - - 0 1");
    Move killer = parseCoordinate("g1f3");
    std::vector<Move> got = pickAll(b, NullMove, killer);
    ASSERT_GE(got.size(), 3u);
    EXPECT_TRUE(sameMove(got[0], parseCoordinate("e4d5")));
    EXPECT_TRUE(sameMove(got[1], killer));
    EXPECT_TRUE(got[1] & MoveMark);
}

TEST_F(PickerTest, LosingCaptureComesAfterAllSafeQuietMoves) {
    // Qxd5 loses the queen to c6xd5.
    Board& b = setup("4k3/8/2p5/3p4/8/8/3Q4/4K3 w - - 0 1");
    std::vector<Move> got = pickAll(b, NullMove, NullMove);
    Move losing = parseCoordinate("d2d5");
    auto at = std::find_if(got.begin(), got.end(), [&](Move m) { return sameMove(m, losing); });
    ASSERT_NE(at, got.end());
    EXPECT_FALSE(*at & MoveMark);
    for (auto it = got.begin(); it != at; ++it)
        EXPECT_TRUE(*it & MoveMark) << moveToText(Move(*it & MoveBits), false);
    // Every safe quiet move precedes it.
    for (auto it = at + 1; it != got.end(); ++it) {
        Move m = Move(*it & MoveBits);
        EXPECT_FALSE(seeAtLeast(b, m, 0)) << moveToText(m, false);
    }
}

TEST_F(PickerTest, EqualHistoryScoresComeInReverseGenerationOrder) {
    Board& b = setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    std::vector<Move> got = pickAll(b, NullMove, NullMove);
    ASSERT_EQ(got.size(), 20u);
    const char* order[] = {"g1h3", "g1f3", "b1c3", "b1a3", "h2h4", "h2h3"};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(sameMove(got[i], parseCoordinate(order[i]))) << i << " " << moveToText(got[i] & MoveBits, false);
    EXPECT_TRUE(sameMove(got.back(), parseCoordinate("a2a3")));
}

TEST_F(PickerTest, HistoryOrdersQuietMoves) {
    Board& b = setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    HistoryEntry& e = history_->entry(White, moveFrom(parseCoordinate("d2d4")), moveTo(parseCoordinate("d2d4")));
    history_->addScore(e, 50);
    history_->addGood(e);
    EXPECT_EQ(history_->quietScore(White, 11, 27), 50 * 1 / (1 + 0 + 1));
    std::vector<Move> got = pickAll(b, NullMove, NullMove);
    EXPECT_TRUE(sameMove(got[0], parseCoordinate("d2d4")));
}

TEST_F(PickerTest, PromotionsInTheQuiescencePicker) {
    // b7-b8: queen always; the knight only where it checks (king on d7 is hit from b8? no: c6/a6/d7 are).
    Board& b = setup("8/1P1k4/8/8/8/8/8/K7 w - - 0 1");
    auto q = std::make_unique<QuiescencePicker>();
    q->init(b, *history_, NullMove, 0);
    std::set<Move> got;
    while (ScoredMove* item = q->next(0))
        got.insert(Move(item->move & MoveBits));
    EXPECT_TRUE(got.count(composeMove(49, 57, Queen)));
    EXPECT_TRUE(got.count(composeMove(49, 57, Knight)));  // Nb8 checks d7
    EXPECT_FALSE(got.count(composeMove(49, 57, Rook)));
    EXPECT_FALSE(got.count(composeMove(49, 57, Bishop)));

    Board& c = setup("8/1P4k1/8/8/8/8/8/K7 w - - 0 1");
    q->init(c, *history_, NullMove, -20);
    got.clear();
    while (ScoredMove* item = q->next(0))
        got.insert(Move(item->move & MoveBits));
    EXPECT_TRUE(got.count(composeMove(49, 57, Queen)));
    EXPECT_FALSE(got.count(composeMove(49, 57, Knight)));
}

TEST_F(PickerTest, QuiescenceInCheckGivesEveryEvasion) {
    Board& b = setup("4k3/8/8/8/1b6/8/3N4/r3K3 w - - 0 1");
    auto q = std::make_unique<QuiescencePicker>();
    q->init(b, *history_, NullMove, -40);
    std::set<Move> got;
    while (ScoredMove* item = q->next(0))
        got.insert(Move(item->move & MoveBits));
    EXPECT_EQ(got, expectedMoves(b));
}

TEST_F(PickerTest, QuietChecksAtTheFirstQuiescencePly) {
    // Rooks and the queen can check in several ways; no captures exist.
    Board& b = setup("4k3/8/8/8/8/8/8/R3K2Q w - - 0 1");
    auto q = std::make_unique<QuiescencePicker>();
    q->init(b, *history_, NullMove, 0);
    std::set<Move> got;
    while (ScoredMove* item = q->next(0))
        got.insert(Move(item->move & MoveBits));
    std::set<Move> checks = quietChecksByMaking(b);
    EXPECT_FALSE(checks.empty());
    EXPECT_EQ(got, checks);
    // Deeper down at most one check comes out.
    q->init(b, *history_, NullMove, -20);
    int count = 0;
    while (q->next(0))
        ++count;
    EXPECT_LE(count, 1);
}

TEST_F(PickerTest, QuietCheckGeneratorFindsEveryQuietCheckOfRandomGames) {
    // Random games from the perft positions reach direct, discovered,
    // castling and pawn checks; the generator must list exactly the legal
    // quiet checking moves that are not promotions.
    int positions = 0, checks = 0;
    walkRandomGames(2026, [&](Board& b, const std::vector<Move>&) {
        if (b.inCheck())
            return;
        const std::set<Move> expected = quietChecksByMaking(b);
        auto generated = std::make_unique<ScoredMoveList<QuiescenceCheckCapacity>>();
        generated->clear();
        generateQuietChecks(b, *history_, *generated);
        generated->rewind();
        std::set<Move> got;
        while (ScoredMove* item = generated->next())
            if (isLegal(b, item->move))
                got.insert(item->move);
        ASSERT_EQ(got, expected) << writeFen(b);
        ++positions;
        checks += int(expected.size());
    });
    EXPECT_GT(positions, 2000);
    EXPECT_GT(checks, 1000);
}

TEST_F(PickerTest, PickersGiveEveryLegalMoveOnceAlongRandomGames) {
    // In check and out of it, with hash moves and killers that are legal,
    // illegal or from another position: the main picker hands out each
    // legal move exactly once and nothing else; in check the quiescence
    // picker hands out every evasion exactly once.
    std::mt19937 random(7);
    std::vector<Move> earlier;  // moves of the positions before, as killers
    int positions = 0, inCheck = 0;
    walkRandomGames(19, [&](Board& b, const std::vector<Move>& legal) {
        const std::set<Move> expected = expectedMoves(b);
        MoveList pseudo;
        generateAll(b, pseudo);
        std::vector<Move> candidates(legal);
        pseudo.forEach([&](Move m) { candidates.push_back(m); });
        candidates.insert(candidates.end(), earlier.begin(), earlier.end());
        for (int variant = 0; variant < 3; ++variant) {
            Move hash = variant == 0 ? NullMove : candidates[random() % candidates.size()];
            Move killer = variant == 0 ? NullMove : candidates[random() % candidates.size()];
            // A legal hash move comes out even when it is a promotion that
            // the generators leave out.
            std::multiset<Move> want(expected.begin(), expected.end());
            if (hash && !want.count(hash) && std::count(legal.begin(), legal.end(), hash))
                want.insert(hash);
            std::multiset<Move> got;
            for (Move m : pickAll(b, hash, killer))
                got.insert(Move(m & MoveBits));
            ASSERT_EQ(got, want) << writeFen(b) << " hash " << moveToText(hash, false) << " killer "
                                 << moveToText(killer, false);
        }
        if (b.inCheck()) {
            auto q = std::make_unique<QuiescencePicker>();
            q->init(b, *history_, legal[random() % legal.size()], -40);
            std::multiset<Move> got;
            while (ScoredMove* item = q->next(0))
                got.insert(Move(item->move & MoveBits));
            ASSERT_EQ(got, std::multiset<Move>(expected.begin(), expected.end())) << writeFen(b);
            ++inCheck;
        }
        earlier.assign(legal.begin(), legal.begin() + std::min<size_t>(legal.size(), 4));
        ++positions;
    });
    EXPECT_GT(positions, 2000);
    EXPECT_GT(inCheck, 100);
}

TEST_F(PickerTest, CaptureListOrderAndScoresAlongRandomGames) {
    // The capture generator's list, walked in order, must be the one its
    // rules give: moves generated as promotion pushes, promotion captures,
    // then the other captures by the mover's kind (pawns, knights, bishops,
    // rooks, queens, king), each from its lowest square and onto its lowest
    // target first, then en passant; each list insertion puts a move before
    // the first one of lower or equal score. The moves themselves come from
    // the full move generator, out of check.
    constexpr int Value[7] = {0, 90, 355, 355, 545, 1090, 0};
    int positions = 0, captures = 0, promotions = 0, lastTargetBonus = 0;
    walkRandomGames(4242, [&](Board& b, const std::vector<Move>&) {
        // In check the full generator gives evasions only (and the pickers
        // use the evasion generators).
        if (b.inCheck())
            return;
        const Color us = b.side();
        const Square enemyKing = b.kingSquare[~us];
        const int lastTarget = lastMoveTarget(b);
        struct Expected {
            int phase, from, to, promotionRank;
            Move move;
            int score;
        };
        std::vector<Expected> expected;
        MoveList pseudo;
        generateAll(b, pseudo);
        pseudo.forEach([&](Move m) {
            const Square from = moveFrom(m), to = moveTo(m);
            const int mover = b.typeOn(from), taken = b.typeOn(to), promo = movePromotion(m);
            const bool enPassant = mover == Pawn && !taken && b.enPassant > 0 && to == b.enPassant;
            if (promo) {
                const int dx = std::abs(fileOf(to) - fileOf(enemyKing)), dy = std::abs(rankOf(to) - rankOf(enemyKing));
                const bool knightChecks = (dx == 1 && dy == 2) || (dx == 2 && dy == 1);
                if (promo != Queen && !(promo == Knight && knightChecks))
                    return;
                int score = Value[taken] - 90 + 2 * Value[promo];
                expected.push_back({taken ? 1 : 0, from, to, promo == Queen ? 0 : 1, m, score});
            } else if (taken) {
                expected.push_back(
                    {1 + mover, from, to, 0, m, Value[taken] - Value[mover] + (to == lastTarget ? 10 : 0)});
            } else if (enPassant) {
                expected.push_back({8, from, to, 0, m, 10});
            }
        });
        std::sort(expected.begin(), expected.end(), [](const Expected& x, const Expected& y) {
            return std::tie(x.phase, x.from, x.to, x.promotionRank) < std::tie(y.phase, y.from, y.to, y.promotionRank);
        });
        // Insertion one by one: equal scores put the later move first.
        std::vector<Expected> order;
        for (const Expected& e : expected) {
            auto place =
                std::find_if(order.begin(), order.end(), [&](const Expected& o) { return o.score <= e.score; });
            order.insert(place, e);
        }
        auto list = std::make_unique<CaptureList>();
        list->clear();
        generateCaptures(b, *list, lastTarget);
        list->rewind();
        std::vector<std::pair<Move, int>> got, want;
        while (ScoredMove* item = list->next())
            got.emplace_back(item->move, item->score);
        for (const Expected& e : order)
            want.emplace_back(e.move, e.score);
        ASSERT_EQ(got, want) << writeFen(b);
        ++positions;
        captures += int(want.size());
        for (const Expected& e : order) {
            promotions += movePromotion(e.move) != 0;
            lastTargetBonus += e.to == lastTarget && e.phase >= 2;
        }
    });
    EXPECT_GT(positions, 2000);
    EXPECT_GT(captures, 10000);
    EXPECT_GT(promotions, 100);
    EXPECT_GT(lastTargetBonus, 1000);
}

// Whether a piece of the type and colour on s attacks target through occ,
// walking the board square by square.
bool walkAttacks(int type, Color c, Square s, Square target, Bitboard occ) {
    const int df = fileOf(target) - fileOf(s), dr = rankOf(target) - rankOf(s);
    const int adf = std::abs(df), adr = std::abs(dr);
    auto clear = [&] {
        const int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
        for (Square x = s + step; x != target; x += step)
            if (occ & squareBit(x))
                return false;
        return true;
    };
    const bool straight = (adf == 0) != (adr == 0), diagonal = adf == adr && adf != 0;
    switch (type) {
    case Pawn: return adf == 1 && dr == (c == White ? 1 : -1);
    case Knight: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case Bishop: return diagonal && clear();
    case Rook: return straight && clear();
    case Queen: return (diagonal || straight) && clear();
    case King: return std::max(adf, adr) == 1;
    default: return false;
    }
}

// The deeper plies' quiet check written out plainly: direct checks by
// queens, rooks, bishops, knights (each from its lowest square, onto its
// lowest square first), then pawn pushes; the first legal one that leaves
// the enemy king at most one flight square and holds its own in the
// exchange.
Move plainSafeQuietCheck(const Board& b) {
    const Color us = b.side(), them = ~us;
    const Square enemyKing = b.kingSquare[them];
    auto flights = [&](Square from, Square to, int type) {
        const Bitboard occ = ((b.occupied() & ~squareBit(from)) | squareBit(to)) & ~squareBit(enemyKing);
        int count = 0;
        for (Square s = 0; s < 64; ++s) {
            if (!walkAttacks(King, them, enemyKing, s, occ) || (b.sides[them].occupied & squareBit(s)) || s == to ||
                walkAttacks(type, us, to, s, occ))
                continue;
            bool guarded = false;
            for (Square g = 0; g < 64 && !guarded; ++g)
                guarded = g != from && (b.sides[us].occupied & squareBit(g)) && walkAttacks(b.typeOn(g), us, g, s, occ);
            count += !guarded;
        }
        return count;
    };
    auto safe = [&](Move m, int type) {
        return flights(moveFrom(m), moveTo(m), type) <= 1 && isLegal(b, m) && seeAtLeast(b, m, 0);
    };
    for (int type = Queen; type >= Knight; --type)
        for (Square from = 0; from < 64; ++from) {
            if (!(b.pieces(us, type) & squareBit(from)))
                continue;
            for (Square to = 0; to < 64; ++to) {
                const Bitboard before = b.occupied();
                if ((before & squareBit(to)) || !walkAttacks(type, us, from, to, before) ||
                    !walkAttacks(type, us, to, enemyKing, before))
                    continue;
                if (safe(composeMove(from, to), type))
                    return composeMove(from, to);
            }
        }
    for (Square from = 0; from < 64; ++from) {
        const Square to = from + (us == White ? 8 : -8);
        if (!(b.pieces(us, Pawn) & squareBit(from)) || rankOf(to) == 0 || rankOf(to) == 7 ||
            (b.occupied() & squareBit(to)) || !walkAttacks(Pawn, us, to, enemyKing, b.occupied()))
            continue;
        if (safe(composeMove(from, to), Pawn))
            return composeMove(from, to);
    }
    return NullMove;
}

TEST_F(PickerTest, DeeperQuietCheckAgreesWithAPlainSearchAlongRandomGames) {
    int positions = 0, found = 0;
    walkRandomGames(77, [&](Board& b, const std::vector<Move>&) {
        if (b.inCheck())
            return;
        ASSERT_EQ(findSafeQuietCheck(b, 0), plainSafeQuietCheck(b)) << writeFen(b);
        // A quiet check wins nothing by itself: none while material is needed.
        ASSERT_EQ(findSafeQuietCheck(b, 1), NullMove) << writeFen(b);
        ++positions;
        found += findSafeQuietCheck(b, 0) != NullMove;
    });
    EXPECT_GT(positions, 2000);
    EXPECT_GT(found, 200);
}

}  // namespace
}  // namespace NEngine
