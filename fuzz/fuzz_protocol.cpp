// Fuzzes the whole protocol front end: the input is fed, line by line, to one
// long-lived shell (UCI and XBoard keywords are accepted in either mode), then
// "quit" ends the round. Searches end at their next input poll, so every
// round finishes quickly; the engine must neither crash nor hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>

#include "protocol/search_input.h"
#include "protocol/shell.h"

using namespace NEngine;

namespace {

// Output goes nowhere.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct Harness {
    int fds[2];
    NullBuffer sink;
    std::ostream out{&sink};
    EngineShell* shell = nullptr;

    Harness() {
        initBoardTables();
        if (pipe(fds) != 0)
            std::abort();
        shell = new EngineShell(fds[0], out);
        installCallbacks(*shell);
        feed("setoption name Hash value 1\nmemory 1\n");
    }

    // Writes the text and a closing "quit", then runs commands until the
    // shell has executed that quit.
    void feed(const std::string& text) {
        std::string input = text + "\nquit\n";
        size_t written = 0;
        while (written < input.size()) {
            ssize_t n = write(fds[1], input.data() + written, input.size() - written);
            if (n <= 0)
                std::abort();
            written += size_t(n);
        }
        shell->quit = false;
        while (!shell->quit) {
            Command command = takeCommand(*shell);
            execute(*shell, command);
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness* harness = new Harness;
    // The pipe holds 64 KiB; keep well inside it.
    if (size > 8192)
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    // A quit inside the input would end the round early; that is fine, but the
    // rest of that input must not leak into the next round.
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    harness->feed(text);
    // Whatever was left unread after an early quit belongs to this round.
    while (harness->shell->reader.lineWaiting()) {
        harness->shell->quit = false;
        Command command = takeCommand(*harness->shell);
        if (command.kind == CommandKind::Quit)
            break;
        execute(*harness->shell, command);
    }
    return 0;
}
