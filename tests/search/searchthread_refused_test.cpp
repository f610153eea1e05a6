// Helper threads the system refuses: the search goes on with the threads it
// has, finds what a full search finds, and tells how many ran.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/search.h"
#include "search/searchthread.h"
#include "search/threadstate.h"

namespace NEngine {
namespace {

// A starter that refuses the helpers whose start numbers (0 = the first
// helper of a search) are marked, as a system out of threads or memory would,
// and starts the others as the system's threads.
struct RefusingStarter {
    std::vector<bool> refuse;
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> ran = std::make_shared<std::atomic<int>>(0);  // bodies run

    SearchThreadStarter starter() const {
        return [refuse = refuse, calls = calls, ran = ran](std::function<void()> body) {
            const int n = (*calls)++;
            if (n < int(refuse.size()) && refuse[size_t(n)])
                return SearchThread();
            return SearchThread([body = std::move(body), ran] {
                ++*ran;
                body();
            });
        };
    }
};

std::unique_ptr<Search> searchWithThreads(int threads) {
    initBoardTables();
    auto s = std::make_unique<Search>(16);
    EXPECT_TRUE(s->setThreads(threads));
    return s;
}

TEST(SearchThread, RefusedHelperLeavesACorrectSearchWithFewerThreads) {
    // A mate in two for White (the rook mates on the eighth rank): four
    // threads asked for, the second helper refused.
    const char* mate = "k7/8/2K5/8/8/8/8/7R w - - 0 1";
    auto s = searchWithThreads(4);
    RefusingStarter refusing{{false, true, false}};
    s->setThreadStarter(refusing.starter());
    ASSERT_TRUE(s->setPosition(mate));
    s->limits.setDepth(8);
    ASSERT_TRUE(s->searchMove());
    EXPECT_EQ(refusing.calls->load(), 3);
    EXPECT_EQ(s->result().threadsRunning, 3);
    EXPECT_EQ(refusing.ran->load(), 2);
    EXPECT_EQ(s->result().score, MateScore - 3);
    // The refused helper never searched.
    EXPECT_EQ(s->thread(2).searchNodes.load(), 0u);

    // The same search with every helper running agrees on the mate.
    auto full = searchWithThreads(4);
    ASSERT_TRUE(full->setPosition(mate));
    full->limits.setDepth(8);
    ASSERT_TRUE(full->searchMove());
    EXPECT_EQ(full->result().threadsRunning, 4);
    EXPECT_EQ(full->result().score, s->result().score);
}

TEST(SearchThread, EveryHelperRefusedLeavesTheMainThreadAlone) {
    // A middlegame position, every helper refused in two searches in a row:
    // each search completes its depth on the main thread with a legal move.
    auto s = searchWithThreads(3);
    RefusingStarter refusing{{true, true, true, true}};
    s->setThreadStarter(refusing.starter());
    ASSERT_TRUE(s->setPosition("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"));
    for (int search = 0; search < 2; ++search) {
        s->limits.setDepth(6);
        ASSERT_TRUE(s->searchMove());
        EXPECT_EQ(s->result().threadsRunning, 1);
        EXPECT_EQ(s->result().depth, 6);
        Board& root = s->position();
        const Move best = s->result().bestMove;
        EXPECT_TRUE(isPseudoLegal(root, best) && isLegal(root, best)) << moveToText(best, false);
    }
    EXPECT_EQ(refusing.calls->load(), 4);
    EXPECT_EQ(refusing.ran->load(), 0);
}

}  // namespace
}  // namespace NEngine
