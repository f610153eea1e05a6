// The line handling of the child-process harness, the same on every system.
#include "engine_process.h"

#include <cstdlib>
#include <thread>

namespace NEngineTest {

int testTimeScale() {
    static const int scale = [] {
        const char* text = std::getenv("QUILLON_TEST_TIME_SCALE");
        const int value = text ? std::atoi(text) : 0;
        return value > 0 ? value : QUILLON_TEST_TIME_SCALE;
    }();
    return scale;
}

EngineProcess::EngineProcess(const std::string& binary, const std::string& workDir, bool nonBlockingInput,
                             const std::vector<std::string>& arguments)
    : EngineProcess() {
    start(binary, workDir, nonBlockingInput, arguments, "");
}

std::unique_ptr<EngineProcess> EngineProcess::withInputFile(const std::string& binary, const std::string& workDir,
                                                            const std::string& inputFile) {
    std::unique_ptr<EngineProcess> process(new EngineProcess());
    process->start(binary, workDir, false, {}, inputFile);
    return process;
}

bool EngineProcess::readLine(std::string& line, int timeoutMs) {
    return readLineBy(line, Clock::now() + std::chrono::milliseconds(timeoutMs) * testTimeScale());
}

bool EngineProcess::readLineBy(std::string& line, Clock::time_point deadline) {
    for (;;) {
        size_t newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            // A Windows console program writes its lines in text mode: each
            // ends in a carriage return and a line feed.
            if (OutputEndsLinesWithCarriageReturn && !line.empty() && line.back() == '\r')
                line.pop_back();
            transcript_.push_back(line);
            return true;
        }
        int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (left <= 0)
            return false;
        if (readOutput(left) == Output::End)
            return false;
    }
}

std::vector<std::string> EngineProcess::drain(int quietMs) {
    std::vector<std::string> lines;
    std::string line;
    while (readLine(line, quietMs))
        lines.push_back(line);
    return lines;
}

int EngineProcess::waitExit(int timeoutMs) {
    if (exited_)
        return status_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs) * testTimeScale();
    while (Clock::now() < deadline) {
        if (pollExit(status_)) {
            exited_ = true;
            return status_;
        }
        // Keep the output pipe drained so that the child never blocks on it.
        if (readOutput(20) == Output::End)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

std::string EngineProcess::transcriptText() const {
    std::string text;
    for (const auto& l : transcript_)
        text += l + "\n";
    return text;
}

ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& arguments, int timeoutMs) {
    ProgramRun run;
    EngineProcess process(binary, "", false, arguments);
    if (!process.started())
        return run;
    process.closeInput();
    std::string line;
    while (process.readLine(line, timeoutMs))
        run.output += line + "\n";
    run.status = process.waitExit(timeoutMs);
    return run;
}

}  // namespace NEngineTest
