// Windows child processes, started the way a Windows GUI starts its engine:
// two anonymous pipes from CreatePipe, the child's ends handed over as its
// standard handles through CreateProcess, no console window. On request the
// child's input is a named pipe in message mode instead.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine_process.h"

namespace NEngineTest {

namespace {

// One argument as the C runtime's command-line parser reads it back:
// quoted, with backslashes doubled where a quote follows them.
std::string quoteArgument(const std::string& word) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

void closeHandle(HANDLE& handle) {
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

// Sessions write batches of many lines without reading meanwhile, and the
// engine may answer each: pipes as large as Linux's keep both sides from
// waiting on each other.
constexpr DWORD PipeBytes = 1 << 16;

// A pipe whose every write is one message, read in message mode: a read
// shorter than the next message takes part of it and answers ERROR_MORE_DATA.
// Our end writes; the child's end, which it inherits, reads. On failure the
// handles made so far are left to the caller.
bool createMessagePipe(HANDLE& childEnd, HANDLE& ourEnd, SECURITY_ATTRIBUTES& inheritable) {
    static LONG count = 0;
    const std::string name = "\\\\.\\pipe\\quillon-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(InterlockedIncrement(&count));
    const DWORD access = PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE;
    const DWORD type = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT;
    HANDLE server = CreateNamedPipeA(name.c_str(), access, type, 1, PipeBytes, PipeBytes, 0, nullptr);
    if (server == INVALID_HANDLE_VALUE)
        return false;
    ourEnd = server;
    // Setting the read mode needs the right to write the pipe's attributes.
    HANDLE client =
        CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, &inheritable, OPEN_EXISTING, 0, nullptr);
    if (client == INVALID_HANDLE_VALUE)
        return false;
    childEnd = client;
    DWORD mode = PIPE_READMODE_MESSAGE | PIPE_WAIT;
    return SetNamedPipeHandleState(childEnd, &mode, nullptr, nullptr);
}

}  // namespace

struct EngineProcess::Child {
    HANDLE process = nullptr;
    HANDLE in = nullptr;        // our end of the child's standard input
    HANDLE out = nullptr;       // our end of the child's standard output
    bool messageInput = false;  // the input is a named pipe in message mode
};

std::unique_ptr<EngineProcess> EngineProcess::withMessageInput(const std::string& binary, const std::string& workDir) {
    std::unique_ptr<EngineProcess> process(new EngineProcess());
    process->child_->messageInput = true;
    process->start(binary, workDir, false, {}, "");
    return process;
}

const bool EngineProcess::OutputEndsLinesWithCarriageReturn = true;

EngineProcess::EngineProcess() : child_(std::make_unique<Child>()) {}

void EngineProcess::start(const std::string& binary, const std::string& workDir, bool nonBlockingInput,
                          const std::vector<std::string>& arguments, const std::string& inputFile) {
    Child& c = *child_;
    // The child's ends are inheritable, ours are not.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr, childErr = nullptr;
    if (!CreatePipe(&c.out, &childOut, &inheritable, PipeBytes))
        return;
    SetHandleInformation(c.out, HANDLE_FLAG_INHERIT, 0);
    if (c.messageInput) {
        if (!createMessagePipe(childIn, c.in, inheritable)) {
            closeHandle(childIn);
            closeHandle(childOut);
            return;
        }
    } else if (inputFile.empty()) {
        if (!CreatePipe(&childIn, &c.in, &inheritable, PipeBytes)) {
            closeHandle(childOut);
            return;
        }
        SetHandleInformation(c.in, HANDLE_FLAG_INHERIT, 0);
        if (nonBlockingInput) {
            DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
            SetNamedPipeHandleState(childIn, &mode, nullptr, nullptr);
        }
    } else {
        childIn = CreateFileA(inputFile.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (childIn == INVALID_HANDLE_VALUE) {
            closeHandle(childOut);
            return;
        }
    }
    // The engine's messages on standard error go where ours go.
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &childErr, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);

    std::string commandLine = quoteArgument(binary);
    for (const std::string& word : arguments)
        commandLine += " " + quoteArgument(word);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childErr;
    PROCESS_INFORMATION info{};
    // Under wine on a busy machine a start now and then fails for no reason
    // of ours; a few more tries keep that from failing a session test. A
    // start that keeps failing says why.
    constexpr int StartTries = 4;
    for (int attempt = 1; attempt <= StartTries; ++attempt) {
        if (CreateProcessA(binary.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
            c.process = info.hProcess;
            CloseHandle(info.hThread);
            break;
        }
        const DWORD error = GetLastError();
        if (attempt == StartTries) {
            std::fprintf(stderr, "CreateProcess of %s failed %d times, the last with error %lu\n", binary.c_str(),
                         StartTries, static_cast<unsigned long>(error));
        } else {
            Sleep(100 * attempt);
        }
    }
    // The child holds its own copies now; ours would keep its input open.
    closeHandle(childIn);
    closeHandle(childOut);
    closeHandle(childErr);
}

EngineProcess::~EngineProcess() {
    closeInput();
    Child& c = *child_;
    if (c.process && !exited_) {
        TerminateProcess(c.process, 1);
        WaitForSingleObject(c.process, 10000);
    }
    closeHandle(c.process);
    closeHandle(c.out);
}

bool EngineProcess::started() const { return child_->process && child_->out; }

bool EngineProcess::send(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        if (!child_->in || !WriteFile(child_->in, text.data() + done, DWORD(text.size() - done), &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    return true;
}

void EngineProcess::closeInput() { closeHandle(child_->in); }

EngineProcess::Output EngineProcess::readOutput(int timeoutMs) {
    // The pipe is asked how much waits, so that the read itself never blocks
    // past the timeout.
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(child_->out, nullptr, 0, nullptr, &waiting, nullptr))
            return Output::End;  // the child has closed its output
        if (waiting > 0) {
            char chunk[4096];
            DWORD n = 0;
            if (!ReadFile(child_->out, chunk, std::min<DWORD>(waiting, sizeof chunk), &n, nullptr))
                return Output::End;
            buffer_.append(chunk, n);
            return Output::Data;
        }
        if (GetTickCount() - start >= DWORD(timeoutMs))
            return Output::Quiet;
        Sleep(1);
    }
}

bool EngineProcess::pollExit(int& status) {
    if (!child_->process || WaitForSingleObject(child_->process, 0) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(child_->process, &code);
    status = int(code);
    return true;
}

}  // namespace NEngineTest
