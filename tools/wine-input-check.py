#!/usr/bin/env python3
"""Sessions with the Windows engine under wine, started from Linux with
standard input of the kinds a Windows pipe peek cannot query.

    tools/wine-input-check.py QUILLON_EXE unix-pipe|file|console|all

unix-pipe: standard input is a Unix pipe (wine hands it over as a pipe that
           PeekNamedPipe cannot query): handshake, "go infinite" ended by
           "stop", "isready" during a search answered after "bestmove",
           "quit" with exit status 0, and the end of input during a search
           ending the program.
file:      standard input redirected from a file holding "go infinite" and
           "stop": the search ends, and the end of the file ends the program.
console:   standard input is a terminal, which wine turns into a Windows
           console: typed lines are seen during a search.

Exit status 0 when every check passes; each failure is printed."""

import os
import pty
import select
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run.sh")
# wine's first start in a fresh prefix takes a while.
START_TIMEOUT = 120
LINE_TIMEOUT = 30

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message, flush=True)
    return condition


class Engine:
    """The engine under wine, its output read line by line with timeouts."""

    def __init__(self, exe, stdin, workdir):
        self.process = subprocess.Popen([WINE_RUN, exe], stdin=stdin, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, cwd=workdir, start_new_session=True)
        self.buffer = b""
        self.transcript = []

    def line(self, timeout=LINE_TIMEOUT):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.process.stdout], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                return None
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\n", 1)
        text = text.decode(errors="replace").rstrip("\r")
        self.transcript.append(text)
        return text

    def wait_for(self, prefix, timeout=LINE_TIMEOUT):
        """The lines before the first line starting with the prefix, and that line."""
        before = []
        deadline = time.monotonic() + timeout
        while True:
            text = self.line(max(0.0, deadline - time.monotonic()))
            if text is None:
                return before, None
            if text.startswith(prefix):
                return before, text
            before.append(text)

    def exit_status(self, timeout=LINE_TIMEOUT):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        return self.process.returncode

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def search_then(engine, send, interrupt, name):
    """Starts "go infinite", waits until it is well under way, sends the
    interrupting line and returns the lines up to "bestmove"."""
    send("position startpos\ngo infinite\n")
    _, info = engine.wait_for("info depth 4")
    check(info is not None, name + ": the infinite search reports depth 4")
    send(interrupt)
    before, best = engine.wait_for("bestmove")
    check(best is not None, name + ": " + interrupt.strip() + " during go infinite gives bestmove")
    return before


def session(engine, send, name):
    send("uci\n")
    _, ok = engine.wait_for("uciok", START_TIMEOUT)
    if not check(ok is not None, name + ": uciok"):
        return
    send("isready\n")
    check(engine.wait_for("readyok")[1] is not None, name + ": readyok")
    search_then(engine, send, "stop\n", name)
    # "isready" ends the search too, and is answered after its bestmove.
    search_then(engine, send, "isready\n", name)
    check(engine.line() == "readyok", name + ": readyok right after the bestmove of the interrupted search")
    send("quit\n")
    check(engine.exit_status() == 0, name + ": quit ends the program with status 0")


def check_unix_pipe(exe, workdir):
    engine = Engine(exe, subprocess.PIPE, workdir)

    def send(text):
        engine.process.stdin.write(text.encode())
        engine.process.stdin.flush()

    try:
        session(engine, send, "unix pipe")
    finally:
        engine.kill()

    # The end of input during a search ends the program.
    engine = Engine(exe, subprocess.PIPE, workdir)
    try:
        send("uci\nposition startpos\ngo infinite\n")
        check(engine.wait_for("info depth 4", START_TIMEOUT)[1] is not None, "unix pipe: search under way")
        engine.process.stdin.close()
        check(engine.exit_status() == 0, "unix pipe: end of input during a search ends the program")
    finally:
        engine.kill()


def check_file(exe, workdir):
    path = os.path.join(workdir, "input.txt")
    with open(path, "w") as f:
        f.write("uci\nposition startpos\ngo infinite\nstop\nisready\n")
    with open(path) as f:
        engine = Engine(exe, f, workdir)
    try:
        _, best = engine.wait_for("bestmove", START_TIMEOUT)
        check(best is not None, "file: stop during go infinite gives bestmove")
        check(engine.line() == "readyok", "file: readyok after the search")
        check(engine.exit_status() == 0, "file: the end of the file ends the program with status 0")
    finally:
        engine.kill()


def check_console(exe, workdir):
    master, slave = pty.openpty()
    engine = Engine(exe, slave, workdir)
    os.close(slave)

    def send(text):
        # A person at the console presses Enter: a carriage return.
        os.write(master, text.replace("\n", "\r").encode())

    try:
        # The engine empties the console's input at start-up, so what is
        # typed before that is lost: type "uci" until it is answered.
        ok = None
        deadline = time.monotonic() + START_TIMEOUT
        while ok is None and time.monotonic() < deadline:
            send("uci\n")
            _, ok = engine.wait_for("uciok", 2)
        if check(ok is not None, "console: uciok"):
            send("isready\n")
            check(engine.wait_for("readyok")[1] is not None, "console: readyok")
            search_then(engine, send, "stop\n", "console")
            search_then(engine, send, "isready\n", "console")
            check(engine.line() == "readyok", "console: readyok right after the bestmove")
            send("quit\n")
            check(engine.exit_status() == 0, "console: quit ends the program with status 0")
    finally:
        engine.kill()
        os.close(master)


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("unix-pipe", "file", "console", "all"):
        print(__doc__)
        return 2
    exe, mode = os.path.abspath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory(prefix="quillon-wine-") as workdir:
        if mode in ("unix-pipe", "all"):
            check_unix_pipe(exe, workdir)
        if mode in ("file", "all"):
            check_file(exe, workdir)
        if mode in ("console", "all"):
            check_console(exe, workdir)
    print("%s: %s" % (mode, "all checks passed" if not failures else "%d checks failed" % len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
