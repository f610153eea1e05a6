// POSIX search threads: pthreads with an explicit stack size.
#include <pthread.h>

#include <utility>

#include "search/search.h"
#include "search/searchthread.h"

namespace NEngine {

struct SearchThread::Native {
    std::function<void()> body;
    pthread_t id{};
    bool running = false;
};

namespace {

void* runBody(void* native) {
    static_cast<SearchThread::Native*>(native)->body();
    return nullptr;
}

// A thread with at least SearchThreadStackBytes of stack (the system's
// default when that is larger); false when the system refuses one. There is
// no second try on the default stack: that is the stack too small for the
// search on some systems.
bool startWithStack(SearchThread::Native& native) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    size_t size = 0;
    bool ok = pthread_attr_getstacksize(&attributes, &size) == 0 &&
              (size >= SearchThreadStackBytes || pthread_attr_setstacksize(&attributes, SearchThreadStackBytes) == 0) &&
              pthread_create(&native.id, &attributes, runBody, &native) == 0;
    pthread_attr_destroy(&attributes);
    return ok;
}

}  // namespace

SearchThread::SearchThread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    native_->body = std::move(body);
    native_->running = startWithStack(*native_);
}

SearchThread::SearchThread() noexcept = default;

SearchThread::SearchThread(SearchThread&& other) noexcept = default;

int searchThreadLimit() { return MaxSearchThreads; }

SearchThread::~SearchThread() { join(); }

bool SearchThread::started() const { return native_ && native_->running; }

void SearchThread::join() {
    if (!started())
        return;
    pthread_join(native_->id, nullptr);
    native_->running = false;
}

}  // namespace NEngine
