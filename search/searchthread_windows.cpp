// Windows search threads: the C runtime's thread start with the stack size
// reserved explicitly (whatever the executable's header says).
#include <windows.h>

#include <process.h>

#include <utility>

#include "search/search.h"
#include "search/searchthread.h"

namespace NEngine {

struct SearchThread::Native {
    std::function<void()> body;
    HANDLE handle = nullptr;
};

namespace {

unsigned __stdcall runBody(void* native) {
    static_cast<SearchThread::Native*>(native)->body();
    return 0;
}

HANDLE start(SearchThread::Native& native, unsigned stackBytes, unsigned flags) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, stackBytes, runBody, &native, flags, nullptr));
}

}  // namespace

SearchThread::SearchThread(std::function<void()> body) : native_(std::make_unique<Native>()) {
    native_->body = std::move(body);
    // Refused, it stays refused: the executable's default stack (1 MiB) is
    // not tried instead.
    native_->handle = start(*native_, unsigned(SearchThreadStackBytes), STACK_SIZE_PARAM_IS_A_RESERVATION);
}

SearchThread::SearchThread() noexcept = default;

SearchThread::SearchThread(SearchThread&& other) noexcept = default;

int searchThreadLimit() { return MaxSearchThreads; }

SearchThread::~SearchThread() { join(); }

bool SearchThread::started() const { return native_ && native_->handle; }

void SearchThread::join() {
    if (!started())
        return;
    WaitForSingleObject(native_->handle, INFINITE);
    CloseHandle(native_->handle);
    native_->handle = nullptr;
}

}  // namespace NEngine
