// Windows input source. Standard input is one of:
// - a console: it reports key events; a line is waiting once Enter has been
//   pressed, and the console's own line editing hands it over whole;
// - a pipe, which is what a GUI hands its engine: PeekNamedPipe tells how
//   many bytes wait without taking them. A pipe in message mode (which some
//   GUI adapters hand over) gives a message longer than one read in parts;
// - a disk file: reading it never waits for long, so its bytes always count
//   as waiting;
// - anything else: a handle that PeekNamedPipe cannot query (a Unix pipe
//   under wine, the NUL device, what some GUI adapters hand over). A thread
//   of its own blocks in ReadFile and passes what it reads through a locked
//   queue that the poll looks at, so that input is still seen during a
//   search.
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "protocol/input_reader.h"

namespace NEngine {

namespace {

constexpr DWORD ReadChunk = 4096;
// The reader thread stops reading ahead once this much waits unread.
constexpr size_t MaxQueued = size_t(1) << 20;
// How long a read of a pipe in non-waiting mode pauses before it looks again.
constexpr DWORD NoDataPauseMs = 1;

enum class Kind { None, Console, Pipe, File, Thread };

// What the reader thread has read; shared with it, since the thread may
// still be blocked in ReadFile when the source is destroyed.
struct ThreadQueue {
    std::mutex lock;
    std::condition_variable changed;
    std::string bytes;
    bool ended = false;
    bool abandoned = false;  // the source is gone: the thread stops
};

// One read of at most `want` bytes into `chunk`; false when it failed. A
// read shorter than the next message of a pipe in message mode takes part of
// it and answers ERROR_MORE_DATA: the bytes read are good and the rest of the
// message comes with the next reads, so that is no failure.
bool readSome(HANDLE handle, char* chunk, DWORD want, DWORD& got) {
    got = 0;
    return ReadFile(handle, chunk, want, &got, nullptr) || GetLastError() == ERROR_MORE_DATA;
}

void runReaderThread(HANDLE handle, std::shared_ptr<ThreadQueue> queue) {
    char chunk[ReadChunk];
    for (;;) {
        DWORD got = 0;
        const bool ok = readSome(handle, chunk, ReadChunk, got);
        if (!ok && GetLastError() == ERROR_NO_DATA) {
            Sleep(NoDataPauseMs);  // a pipe in non-waiting mode, empty for now
            continue;
        }
        std::unique_lock<std::mutex> hold(queue->lock);
        if (queue->abandoned)
            return;
        // A read of nothing is the end of a file, of the NUL device and of a
        // Unix pipe under wine; a failed read is the end of anything.
        if (!ok || got == 0) {
            queue->ended = true;
            queue->changed.notify_all();
            return;
        }
        queue->bytes.append(chunk, got);
        queue->changed.notify_all();
        queue->changed.wait(hold, [&] { return queue->bytes.size() < MaxQueued || queue->abandoned; });
        if (queue->abandoned)
            return;
    }
}

// Whether the console holds a complete typed line: a press of Enter among its
// pending events. Any other key event (one released after the last line was
// read, or a line still being typed) would make the read wait for a line and
// so hold the search up.
bool consoleLineTyped(HANDLE handle, std::vector<INPUT_RECORD>& records) {
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(handle, &count) || count == 0)
        return false;
    records.resize(count);
    DWORD peeked = 0;
    if (!PeekConsoleInputA(handle, records.data(), count, &peeked))
        return false;
    return std::any_of(records.begin(), records.begin() + peeked, [](const INPUT_RECORD& r) {
        return r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown &&
               (r.Event.KeyEvent.wVirtualKeyCode == VK_RETURN || r.Event.KeyEvent.uChar.AsciiChar == '\r');
    });
}

// One typed line. The console's line editing returns it when Enter is
// pressed; a line longer than the chunk comes in several reads, all at once.
InputRead readConsoleLine(HANDLE handle, std::string& buffer) {
    char chunk[ReadChunk];
    bool any = false;
    for (;;) {
        DWORD got = 0;
        // Nothing read (Ctrl+Z at the start of a line) or a failure: the end.
        if (!readSome(handle, chunk, ReadChunk, got) || got == 0)
            return any ? InputRead::Data : InputRead::End;
        buffer.append(chunk, got);
        any = true;
        if (got < ReadChunk || chunk[got - 1] == '\n')
            return InputRead::Data;
    }
}

InputRead readPipe(HANDLE handle, std::string& buffer, bool wait) {
    char chunk[ReadChunk];
    DWORD want = ReadChunk;
    if (!wait) {
        DWORD waiting = 0;
        // A pipe that can no longer be queried has lost its writer.
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &waiting, nullptr))
            return InputRead::End;
        if (waiting == 0)
            return InputRead::Nothing;
        want = std::min(waiting, ReadChunk);  // so that the read cannot block
    }
    for (;;) {
        DWORD got = 0;
        if (readSome(handle, chunk, want, got)) {
            if (got > 0) {
                buffer.append(chunk, got);
                return InputRead::Data;
            }
            // A writer's zero-length write arrives as an empty read; the end
            // of a pipe is a failed read.
            if (!wait)
                return InputRead::Nothing;
            continue;
        }
        // A parent may hand over a pipe in non-waiting mode (the mode belongs
        // to the pipe, not to us): "nothing yet" is not the end of input.
        if (GetLastError() != ERROR_NO_DATA)
            return InputRead::End;
        if (!wait)
            return InputRead::Nothing;
        Sleep(NoDataPauseMs);
    }
}

InputRead readFile(HANDLE handle, std::string& buffer) {
    char chunk[ReadChunk];
    DWORD got = 0;
    if (!readSome(handle, chunk, ReadChunk, got) || got == 0)
        return InputRead::End;
    buffer.append(chunk, got);
    return InputRead::Data;
}

InputRead takeQueued(ThreadQueue& queue, std::string& buffer, bool wait) {
    std::unique_lock<std::mutex> hold(queue.lock);
    if (wait)
        queue.changed.wait(hold, [&] { return !queue.bytes.empty() || queue.ended; });
    if (queue.bytes.empty())
        return queue.ended ? InputRead::End : InputRead::Nothing;
    buffer += queue.bytes;
    queue.bytes.clear();
    queue.changed.notify_all();  // the thread may read ahead again
    return InputRead::Data;
}

}  // namespace

struct InputSource::State {
    HANDLE handle = nullptr;
    Kind kind = Kind::None;
    std::vector<INPUT_RECORD> records;  // the console's pending events, peeked
    std::shared_ptr<ThreadQueue> queue;
};

NativeInput InputSource::standardInput() { return reinterpret_cast<NativeInput>(GetStdHandle(STD_INPUT_HANDLE)); }

InputSource::InputSource(NativeInput input) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.handle = reinterpret_cast<HANDLE>(input);
    // No handle: no input at all, which the reader takes as its end.
    if (s.handle == nullptr || s.handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    if (GetConsoleMode(s.handle, &mode)) {
        // Only keys are of interest: no window-size or mouse events, and
        // nothing typed before the engine started.
        SetConsoleMode(s.handle, mode & ~DWORD(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
        FlushConsoleInputBuffer(s.handle);
        s.kind = Kind::Console;
        return;
    }
    DWORD waiting = 0;
    if (PeekNamedPipe(s.handle, nullptr, 0, nullptr, &waiting, nullptr) || GetLastError() == ERROR_BROKEN_PIPE) {
        s.kind = Kind::Pipe;
    } else if (GetFileType(s.handle) == FILE_TYPE_DISK) {
        s.kind = Kind::File;
    } else {
        s.kind = Kind::Thread;
        s.queue = std::make_shared<ThreadQueue>();
        // Detached: it may be blocked in ReadFile for good (a GUI that never
        // closes our input); the process's end ends it.
        std::thread(runReaderThread, s.handle, s.queue).detach();
    }
}

InputSource::~InputSource() {
    if (state_->queue) {
        std::lock_guard<std::mutex> hold(state_->queue->lock);
        state_->queue->abandoned = true;
        state_->queue->changed.notify_all();
    }
}

const char* InputSource::method() const {
    switch (state_->kind) {
    case Kind::Console: return "console";
    case Kind::Pipe: return "pipe";
    case Kind::File: return "file";
    case Kind::Thread: return "thread";
    case Kind::None: break;
    }
    return "none";
}

InputRead InputSource::read(std::string& buffer, bool wait) {
    State& s = *state_;
    switch (s.kind) {
    case Kind::Console:
        if (!wait && !consoleLineTyped(s.handle, s.records))
            return InputRead::Nothing;
        return readConsoleLine(s.handle, buffer);
    case Kind::Pipe: return readPipe(s.handle, buffer, wait);
    case Kind::File: return readFile(s.handle, buffer);
    case Kind::Thread: return takeQueued(*s.queue, buffer, wait);
    case Kind::None: break;
    }
    return InputRead::End;
}

}  // namespace NEngine
