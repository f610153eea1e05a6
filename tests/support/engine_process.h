// Runs the real engine binary as a child process over two pipes, the way a
// GUI does, with a timeout on every wait so that a hang fails a test instead
// of blocking the run. Starting the child, the pipes and waiting for its end
// are the platform's (engine_process_posix.cpp: fork and exec;
// engine_process_windows.cpp: CreatePipe and CreateProcess, as a Windows GUI
// starts its engines); the line handling is shared.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace NEngineTest {

// Sanitizer builds run the engine several times slower (clearing a table of
// a gigabyte takes ThreadSanitizer many seconds): the build sets this factor,
// by which every wait below is stretched.
#ifndef QUILLON_TEST_TIME_SCALE
#define QUILLON_TEST_TIME_SCALE 1
#endif
// The factor in force: the build's, or QUILLON_TEST_TIME_SCALE from the
// environment (for another build of the engine, below).
int testTimeScale();

// The tests can drive another build of the engine, started through a launcher
// (on POSIX): QUILLON_TEST_ENGINE names the engine file that every start uses
// instead of the one asked for, QUILLON_TEST_LAUNCHER the program that runs it
// (the WebAssembly engine under Node: QUILLON_TEST_LAUNCHER=node
// QUILLON_TEST_ENGINE=build/wasm/quillon.js).

class EngineProcess {
public:
    // Starts the binary with the arguments, with `workDir` as its current
    // directory (when given). With `nonBlockingInput` the child's standard
    // input is in non-blocking mode, as a careless parent may leave it
    // (O_NONBLOCK shared through the pipe; PIPE_NOWAIT on Windows).
    explicit EngineProcess(const std::string& binary, const std::string& workDir = "", bool nonBlockingInput = false,
                           const std::vector<std::string>& arguments = {});
    // Starts the binary with its standard input read from the file.
    static std::unique_ptr<EngineProcess> withInputFile(const std::string& binary, const std::string& workDir,
                                                        const std::string& inputFile);
    // Windows only: starts the binary with its standard input a named pipe in
    // message mode, as some GUI adapters hand over. Each send is one message,
    // which the engine may have to take in several reads.
    static std::unique_ptr<EngineProcess> withMessageInput(const std::string& binary, const std::string& workDir);
    ~EngineProcess();

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    bool started() const;

    // Writes the text as it is, in one write where the pipe allows.
    bool send(const std::string& text);

    void closeInput();

    // The next output line; false on timeout or end of output.
    bool readLine(std::string& line, int timeoutMs = 10000);

    // Reads lines until one satisfies the predicate; the lines read before it
    // (not including it) go to `before`. False on timeout.
    template <typename Predicate>
    bool readUntil(Predicate accept, std::string& found, std::vector<std::string>* before = nullptr,
                   int timeoutMs = 20000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs) * testTimeScale();
        std::string line;
        for (;;) {
            if (!readLineBy(line, deadline))
                return false;
            if (accept(line)) {
                found = line;
                return true;
            }
            if (before)
                before->push_back(line);
        }
    }

    bool readUntilPrefix(const std::string& prefix, std::string& found, std::vector<std::string>* before = nullptr,
                         int timeoutMs = 20000) {
        return readUntil([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, found, before, timeoutMs);
    }

    // Collects every line that arrives within the quiet period.
    std::vector<std::string> drain(int quietMs = 300);

    // Waits for the process to end; its exit status, or -1 on timeout.
    int waitExit(int timeoutMs = 10000);

    // Every line read so far, in order.
    const std::vector<std::string>& transcript() const { return transcript_; }
    std::string transcriptText() const;

private:
    using Clock = std::chrono::steady_clock;

    // The next output line, if it comes before the deadline.
    bool readLineBy(std::string& line, Clock::time_point deadline);
    struct Child;  // the platform's part
    enum class Output { Data, Quiet, End };

    EngineProcess();
    void start(const std::string& binary, const std::string& workDir, bool nonBlockingInput,
               const std::vector<std::string>& arguments, const std::string& inputFile);
    // Whether the child's lines end in "\r\n" (text-mode output on Windows).
    static const bool OutputEndsLinesWithCarriageReturn;
    // Appends what the child has written to the buffer, waiting at most
    // `timeoutMs` for something to come.
    Output readOutput(int timeoutMs);
    // The exit status once the child has ended, without waiting.
    bool pollExit(int& status);

    std::unique_ptr<Child> child_;
    bool exited_ = false;
    int status_ = -1;
    std::string buffer_;
    std::vector<std::string> transcript_;
};

// A command-line run of a program: its whole standard output and its exit
// status (-1 when it did not end in time).
struct ProgramRun {
    std::string output;
    int status = -1;
};
ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& arguments, int timeoutMs = 60000);

}  // namespace NEngineTest
