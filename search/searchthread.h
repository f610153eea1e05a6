// The helper search threads. The node search recurses several kilobytes a
// ply, deeper than some systems' default thread stack allows (512 KiB on
// macOS), so every helper is started with a stack of SearchThreadStackBytes,
// as the main thread has on Linux. Each system has its own file
// (searchthread_posix.cpp, searchthread_windows.cpp).
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
    // Starts `body` on a new thread. When the system refuses a thread with
    // that stack, its default stack is tried; when it refuses that too, the
    // body never runs and started() is false (the search goes on with fewer
    // helpers rather than failing).
    explicit SearchThread(std::function<void()> body);
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

}  // namespace NEngine
