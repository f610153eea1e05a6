// Helper search threads: the body runs once and is waited for, and the thread
// has the stack the search needs whatever the system's default.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <vector>

#include "search/searchthread.h"

namespace NEngine {
namespace {

// The stack the calling thread was given, where the system tells.
size_t ownStackBytes() {
#if defined(__GLIBC__)
    pthread_attr_t attributes;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &size);
        pthread_attr_destroy(&attributes);
    }
    return size;
#else
    return SearchThreadStackBytes;
#endif
}

TEST(SearchThread, RunsItsBodyOnceWithTheSearchStack) {
    // A process-wide default far below what the search needs, as on macOS:
    // the threads must not inherit it.
    pthread_attr_t small;
    ASSERT_EQ(pthread_attr_init(&small), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&small, 512 * 1024), 0);
#if defined(__GLIBC__)
    pthread_attr_t saved;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    ASSERT_EQ(pthread_setattr_default_np(&small), 0);
#endif

    std::atomic<int> runs{0};
    std::atomic<size_t> smallest{~size_t(0)};
    {
        std::vector<SearchThread> threads;
        threads.reserve(3);
        for (int i = 0; i < 3; ++i)
            threads.emplace_back([&] {
                size_t stack = ownStackBytes();
                size_t seen = smallest.load();
                while (stack < seen && !smallest.compare_exchange_weak(seen, stack)) {
                }
                ++runs;
            });
        for (SearchThread& t : threads)
            EXPECT_TRUE(t.started());
        threads[0].join();
        threads[0].join();  // a second join does nothing
        // The others are joined by their destructors.
    }
    EXPECT_EQ(runs.load(), 3);
    EXPECT_GE(smallest.load(), SearchThreadStackBytes);

#if defined(__GLIBC__)
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&saved);
#endif
    pthread_attr_destroy(&small);
}

}  // namespace
}  // namespace NEngine
