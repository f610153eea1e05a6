// POSIX child processes: pipe, fork and exec, poll and waitpid.
#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "engine_process.h"

namespace NEngineTest {

namespace {
// A pipe whose ends the child does not inherit beyond its standard input and
// output (pipe2 with O_CLOEXEC would do it in one call, but macOS lacks it).
bool pipeClosedOnExec(int ends[2]) {
    if (pipe(ends) != 0)
        return false;
    fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return true;
}
}  // namespace

struct EngineProcess::Child {
    pid_t pid = -1;
    int in = -1;   // our end of the child's standard input
    int out = -1;  // our end of the child's standard output
};

const bool EngineProcess::OutputEndsLinesWithCarriageReturn = false;

EngineProcess::EngineProcess() : child_(std::make_unique<Child>()) {}

void EngineProcess::start(const std::string& binary, const std::string& workDir, bool nonBlockingInput,
                          const std::vector<std::string>& arguments, const std::string& inputFile) {
    Child& c = *child_;
    std::signal(SIGPIPE, SIG_IGN);  // a dead child must fail the test, not kill it
    int toChild[2] = {-1, -1}, fromChild[2];
    if (!pipeClosedOnExec(fromChild))
        return;
    int input = -1;
    if (inputFile.empty()) {
        if (!pipeClosedOnExec(toChild))
            return;
        if (nonBlockingInput)
            fcntl(toChild[0], F_SETFL, fcntl(toChild[0], F_GETFL) | O_NONBLOCK);
        input = toChild[0];
    } else {
        input = open(inputFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (input < 0)
            return;
    }
    const char* otherEngine = std::getenv("QUILLON_TEST_ENGINE");
    std::vector<std::string> words{otherEngine && *otherEngine ? otherEngine : binary};
#ifdef QUILLON_ENGINE_LAUNCHER
    // A cross-built engine runs under the emulator that runs the tests.
    words.insert(words.begin(), QUILLON_ENGINE_LAUNCHER);
#endif
    if (const char* launcher = std::getenv("QUILLON_TEST_LAUNCHER"); launcher && *launcher)
        words.insert(words.begin(), launcher);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    c.pid = fork();
    if (c.pid == 0) {
        dup2(input, 0);
        dup2(fromChild[1], 1);
        if (!workDir.empty() && chdir(workDir.c_str()) != 0)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(input);
    close(fromChild[1]);
    c.in = toChild[1];
    c.out = fromChild[0];
}

EngineProcess::~EngineProcess() {
    closeInput();
    Child& c = *child_;
    if (c.pid > 0 && !exited_) {
        kill(c.pid, SIGKILL);
        waitpid(c.pid, nullptr, 0);
    }
    if (c.out >= 0)
        close(c.out);
}

bool EngineProcess::started() const { return child_->pid > 0 && child_->out >= 0; }

bool EngineProcess::send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(child_->in, text.data() + done, text.size() - done);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

void EngineProcess::closeInput() {
    if (child_->in >= 0) {
        close(child_->in);
        child_->in = -1;
    }
}

EngineProcess::Output EngineProcess::readOutput(int timeoutMs) {
    pollfd request{child_->out, POLLIN, 0};
    if (poll(&request, 1, timeoutMs) <= 0)
        return Output::Quiet;
    char chunk[4096];
    ssize_t n = read(child_->out, chunk, sizeof chunk);
    if (n <= 0)
        return Output::End;
    buffer_.append(chunk, size_t(n));
    return Output::Data;
}

bool EngineProcess::pollExit(int& status) {
    int raw = 0;
    if (child_->pid <= 0 || waitpid(child_->pid, &raw, WNOHANG) != child_->pid)
        return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

}  // namespace NEngineTest
