// The helper search threads. The node search recurses several kilobytes a
// ply, deeper than some systems' default thread stack allows (512 KiB on
// macOS), so every helper is started with a stack of SearchThreadStackBytes,
// as the main thread has on Linux, and never on a smaller one. Each system has
// its own file (searchthread_posix.cpp, searchthread_windows.cpp,
// searchthread_web.cpp).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace NEngine {

constexpr size_t SearchThreadStackBytes = size_t(8) << 20;

// How many search threads this build can run at once, the first one
// included: the search never sets up more (a WebAssembly build without
// threads runs one).
int searchThreadLimit();

class SearchThread {
public:
    // Starts `body` on a new thread with that stack. When the system refuses
    // one, the body never runs and started() is false: the search goes on
    // with fewer helpers rather than failing, or risking a helper on a stack
    // too small for it.
    explicit SearchThread(std::function<void()> body);
    // A thread that never started, as a refused one.
    SearchThread() noexcept;
    SearchThread(SearchThread&& other) noexcept;
    SearchThread& operator=(SearchThread&&) = delete;
    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;
    // Joins the thread if nobody did.
    ~SearchThread();

    bool started() const;
    // Waits for the body to return; does nothing the second time.
    void join();

    struct Native;

private:
    std::unique_ptr<Native> native_;
};

// How a search starts its helpers: a SearchThread of the system unless a
// caller puts in its own (a test, one that refuses some).
using SearchThreadStarter = std::function<SearchThread(std::function<void()> body)>;

}  // namespace NEngine
