// WebAssembly search threads. The threaded build (WebAssembly threads over
// shared memory, one Web Worker or Node worker per thread) starts helpers
// with pthreads and the full search stack; the single-threaded build, which
// runs wherever WebAssembly does, has no threads to start, and the search
// runs on its first thread alone.
#if defined(__EMSCRIPTEN_PTHREADS__)
#include <pthread.h>
#endif

#include <utility>

#include "search/search.h"
#include "search/searchthread.h"

namespace NEngine {

struct SearchThread::Native {
    std::function<void()> body;
#if defined(__EMSCRIPTEN_PTHREADS__)
    pthread_t id{};
#endif
    bool running = false;
};

#if defined(__EMSCRIPTEN_PTHREADS__)

int searchThreadLimit() { return MaxSearchThreads; }

namespace {

void* runBody(void* native) {
    static_cast<SearchThread::Native*>(native)->body();
    return nullptr;
}

}  // namespace

SearchThread::SearchThread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    native_->body = std::move(body);
    // The stack is carved from the module's heap; without it there is no
    // thread, never one on a smaller stack.
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return;
    native_->running = pthread_attr_setstacksize(&attributes, SearchThreadStackBytes) == 0 &&
                       pthread_create(&native_->id, &attributes, runBody, native_.get()) == 0;
    pthread_attr_destroy(&attributes);
}

void SearchThread::join() {
    if (!started())
        return;
    pthread_join(native_->id, nullptr);
    native_->running = false;
}

#else

int searchThreadLimit() { return 1; }

SearchThread::SearchThread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    native_->body = std::move(body);
}

void SearchThread::join() {}

#endif

SearchThread::SearchThread() noexcept = default;

SearchThread::SearchThread(SearchThread&& other) noexcept = default;

SearchThread::~SearchThread() { join(); }

bool SearchThread::started() const { return native_ && native_->running; }

}  // namespace NEngine
