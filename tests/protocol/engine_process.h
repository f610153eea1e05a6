// Runs the real engine binary as a child process over two pipes, the way a
// GUI does, with a timeout on every wait so that a hang fails a test instead
// of blocking the run.
#pragma once

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace NEngineTest {

class EngineProcess {
public:
    // Starts the binary with `workDir` as its current directory (when given).
    // With `nonBlockingInput` the child's standard input carries O_NONBLOCK,
    // as a careless parent may leave it (the flag is shared through the pipe).
    explicit EngineProcess(const std::string& binary, const std::string& workDir = "",
                           bool nonBlockingInput = false) {
        std::signal(SIGPIPE, SIG_IGN);  // a dead child must fail the test, not kill it
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
            return;
        if (nonBlockingInput)
            fcntl(toChild[0], F_SETFL, fcntl(toChild[0], F_GETFL) | O_NONBLOCK);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            if (!workDir.empty() && chdir(workDir.c_str()) != 0)
                _exit(126);
            execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in_ = toChild[1];
        out_ = fromChild[0];
    }

    ~EngineProcess() {
        closeInput();
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    bool started() const { return pid_ > 0 && in_ >= 0 && out_ >= 0; }

    // Writes the text as it is, in one write where the pipe allows.
    bool send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = write(in_, text.data() + done, text.size() - done);
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }

    void closeInput() {
        if (in_ >= 0) {
            close(in_);
            in_ = -1;
        }
    }

    // The next output line; false on timeout or end of output.
    bool readLine(std::string& line, int timeoutMs = 10000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            size_t newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                transcript_.push_back(line);
                return true;
            }
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (left <= 0)
                return false;
            pollfd request{out_, POLLIN, 0};
            if (poll(&request, 1, left) <= 0)
                continue;
            char chunk[4096];
            ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            buffer_.append(chunk, size_t(n));
        }
    }

    // Reads lines until one satisfies the predicate; the lines read before it
    // (not including it) go to `before`. False on timeout.
    template <typename Predicate>
    bool readUntil(Predicate accept, std::string& found, std::vector<std::string>* before = nullptr,
                   int timeoutMs = 20000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string line;
        for (;;) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (left <= 0 || !readLine(line, left))
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
    std::vector<std::string> drain(int quietMs = 300) {
        std::vector<std::string> lines;
        std::string line;
        while (readLine(line, quietMs))
            lines.push_back(line);
        return lines;
    }

    // Waits for the process to end; its exit status, or -1 on timeout.
    int waitExit(int timeoutMs = 10000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            // Keep the output pipe drained so that the child never blocks on it.
            char chunk[4096];
            pollfd request{out_, POLLIN, 0};
            if (poll(&request, 1, 20) > 0) {
                ssize_t n = read(out_, chunk, sizeof chunk);
                if (n > 0)
                    buffer_.append(chunk, size_t(n));
            }
        }
        return -1;
    }

    // Every line read so far, in order.
    const std::vector<std::string>& transcript() const { return transcript_; }
    std::string transcriptText() const {
        std::string text;
        for (const auto& l : transcript_)
            text += l + "\n";
        return text;
    }

private:
    using Clock = std::chrono::steady_clock;
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string buffer_;
    std::vector<std::string> transcript_;
};

}  // namespace NEngineTest
