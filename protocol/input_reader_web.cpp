// WebAssembly input source. A browser Worker has no standard input, and Node's
// arrives as events: either way the engine's JavaScript glue (wasm/pre.js)
// receives the lines, as messages posted to the Worker or as data read from
// standard input, and hands their bytes to the queue here through
// quillon_input_push(); quillon_input_end() marks the end of input.
//
// The threaded build runs the engine on a thread of its own, so a read that
// waits simply blocks on a condition until the glue pushes something. The
// single-threaded build runs on the thread that receives the messages: a read
// that waits suspends the engine (Asyncify) until a line comes, and the poll
// made during a search hands the event loop a turn once every few
// milliseconds, so that lines posted meanwhile get in.
#include <emscripten.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "board/clock.h"
#include "protocol/input_reader.h"

#if defined(__EMSCRIPTEN_PTHREADS__)
#include <condition_variable>
#include <mutex>
#endif

namespace NEngine {

namespace {

// Bytes pushed by the glue and not yet read, and whether the input has ended.
struct InputQueue {
    std::string bytes;
    bool ended = false;
#if defined(__EMSCRIPTEN_PTHREADS__)
    std::mutex mutex;
    std::condition_variable arrived;
#endif
};

InputQueue& queue() {
    static InputQueue instance;
    return instance;
}

#if !defined(__EMSCRIPTEN_PTHREADS__)
// How long a search may keep the event loop waiting: messages posted during a
// search are seen within this time (plus the nodes to the next poll).
constexpr uint64_t YieldIntervalNanoseconds = 20'000'000;
uint64_t lastYield = 0;

// Suspends the engine until the glue has pushed bytes or the end.
EM_ASYNC_JS(void, quillon_wait_for_input, (), { await Module.quillonInputArrival(); });

// Gives the event loop one turn, so that posted messages are delivered.
EM_ASYNC_JS(void, quillon_yield, (), { await Module.quillonYield(); });
#endif

// Tells the glue that the engine now reads its input, on the thread that
// receives it: from here on it pushes every line (and those it kept).
void openInput() {
    MAIN_THREAD_EM_ASM({ Module.quillonOpenInput(); });
}

}  // namespace

struct InputSource::State {
    bool usable = false;
};

NativeInput InputSource::standardInput() { return 0; }

InputSource::InputSource(NativeInput input) : state_(std::make_unique<State>()) {
    // Only the engine's own input exists here.
    state_->usable = input == standardInput();
    if (state_->usable)
        openInput();
}

InputSource::~InputSource() = default;

const char* InputSource::method() const { return state_->usable ? "messages" : "none"; }

InputRead InputSource::read(std::string& buffer, bool wait) {
    if (!state_->usable)
        return InputRead::End;
    InputQueue& q = queue();
#if defined(__EMSCRIPTEN_PTHREADS__)
    std::unique_lock lock(q.mutex);
    if (wait)
        q.arrived.wait(lock, [&q] { return !q.bytes.empty() || q.ended; });
#else
    if (wait) {
        while (q.bytes.empty() && !q.ended)
            quillon_wait_for_input();
        lastYield = clockNanoseconds();
    } else if (q.bytes.empty() && !q.ended) {
        const uint64_t now = clockNanoseconds();
        if (now - lastYield >= YieldIntervalNanoseconds) {
            quillon_yield();
            lastYield = clockNanoseconds();
        }
    }
#endif
    if (!q.bytes.empty()) {
        buffer += q.bytes;
        q.bytes.clear();
        return InputRead::Data;
    }
    return q.ended ? InputRead::End : InputRead::Nothing;
}

}  // namespace NEngine

// Called by the glue (wasm/pre.js) on the thread that receives the input.
extern "C" {

EMSCRIPTEN_KEEPALIVE void quillon_input_push(const char* bytes, int length) {
    NEngine::InputQueue& q = NEngine::queue();
#if defined(__EMSCRIPTEN_PTHREADS__)
    std::lock_guard lock(q.mutex);
#endif
    if (!q.ended && bytes && length > 0)
        q.bytes.append(bytes, size_t(length));
#if defined(__EMSCRIPTEN_PTHREADS__)
    q.arrived.notify_all();
#endif
}

EMSCRIPTEN_KEEPALIVE void quillon_input_end() {
    NEngine::InputQueue& q = NEngine::queue();
#if defined(__EMSCRIPTEN_PTHREADS__)
    std::lock_guard lock(q.mutex);
#endif
    q.ended = true;
#if defined(__EMSCRIPTEN_PTHREADS__)
    q.arrived.notify_all();
#endif
}
}
