#!/usr/bin/env python3
"""Checks the WebAssembly engines as console programs under Node: input read
during a search (stop, isready, XBoard's ?, . and quit, each answered within
100 ms, and lines sent during a search executed after it, in order), the
Threads and Hash options refused with a message, and the npm package
installed into an empty project and started through its own entry.

    python3 tools/wasm-check.py [build/wasm]
"""
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

DIR = sys.argv[1] if len(sys.argv) > 1 else "build/wasm"
LIMIT = 0.100  # seconds from a line to its answer
failures = []


def median(values):
    return sorted(values)[len(values) // 2]


def ms(values):
    return ", ".join(f"{1000 * v:.0f}" for v in values) + " ms"


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


class Engine:
    """The engine as a child process, its output lines timestamped."""

    def __init__(self, engine, args=()):
        self.process = subprocess.Popen(["node", os.path.join(DIR, engine), *args], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put((time.monotonic(), line.rstrip("\n")))
        self.lines.put((time.monotonic(), None))

    def send(self, line):
        sent = time.monotonic()
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return sent

    def expect(self, pattern, timeout=30.0, after=0.0):
        """The first line matching (read after `after`), with its time; None at
        timeout or end."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                at, line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                return None, None
            if line is None:
                return None, None
            if at >= after and re.search(pattern, line):
                return at, line

    def close(self):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


# Black's twenty moves after 1. e4.
BLACK_REPLIES = {f"{f}7{f}6" for f in "abcdefgh"} | {f"{f}7{f}5" for f in "abcdefgh"} | {
    "b8a6", "b8c6", "g8f6", "g8h6"}


def uci_checks(engine, label):
    e = Engine(engine)
    e.send("uci")
    check(e.expect(r"^uciok$")[1] is not None, f"{label}: uci answers uciok")
    e.send("isready")
    check(e.expect(r"^readyok$")[1] is not None, f"{label}: readyok")

    # stop, and isready, during go infinite: each answered within the limit
    # (the median of three tries, so that one hiccup of a busy machine does
    # not decide).
    stops, readies, ordered = [], [], True
    for _ in range(3):
        e.send("position startpos")
        e.send("go infinite")
        e.expect(r"^info depth 6 ")
        sent = e.send("stop")
        at, line = e.expect(r"^bestmove ")
        stops.append(at - sent if at else 99.0)
        e.send("go infinite")
        e.expect(r"^info depth 6 ")
        sent = e.send("isready")
        at, line = e.expect(r"^(bestmove |readyok)")
        at2, line2 = e.expect(r"^(bestmove |readyok)")
        ordered = ordered and line is not None and line.startswith("bestmove") and line2 == "readyok"
        readies.append(at2 - sent if at2 else 99.0)
    check(median(stops) < LIMIT, f"{label}: stop during go infinite gives bestmove in {ms(stops)}")
    check(ordered and median(readies) < LIMIT,
          f"{label}: isready during a search: bestmove, then readyok in {ms(readies)}")

    # Lines sent during a search run after it, in order, none lost.
    e.send("go infinite")
    e.expect(r"^info depth 5 ")
    e.send("position startpos moves e2e4")
    e.send("go depth 4")
    first = e.expect(r"^bestmove ")[1]
    second = e.expect(r"^bestmove ")[1]
    reply = second.split()[1] if second else ""
    check(first is not None and reply in BLACK_REPLIES,
          f"{label}: position and go sent during a search run after it (reply {reply or 'none'})")

    # The options the build cannot follow say so, and the engine goes on.
    if engine == "quillon.js":
        e.send("setoption name Threads value 4")
        note = e.expect(r"^info string ", timeout=10)[1]
        check(note is not None and "1 thread" in note, f"{label}: Threads 4 answered: {note}")
    else:
        e.send("setoption name Threads value 4")
        e.send("setoption name Hash value 1024")
        note = e.expect(r"^info string ", timeout=20)[1]
        check(note is not None and "Hash 1024" in note and "256 MB" in note,
              f"{label}: Hash 1024 refused, the old table kept: {note}")
    e.send("position startpos")
    e.send("go depth 7")
    check(e.expect(r"^bestmove [a-h][1-8][a-h][1-8]")[1] is not None, f"{label}: searches on after the option")
    e.send("quit")
    e.close()
    check(e.process.returncode == 0, f"{label}: quit exits with status 0")


def xboard_checks(engine, label):
    e = Engine(engine)
    e.send("xboard")
    e.send("protover 2")
    check(e.expect(r"done=1")[1] is not None, f"{label}: xboard features")
    moves = []
    for _ in range(3):
        e.send("new")
        e.send("level 0 5 0")
        e.send("go")
        e.expect(r"^ ?[0-9]+ ", timeout=10)  # thinking output has begun
        time.sleep(0.3)
        sent = e.send("?")
        at, line = e.expect(r"^move ")
        moves.append(at - sent if at else 99.0)
    check(median(moves) < LIMIT, f"{label}: ? during a search moves in {ms(moves)}")
    e.send("force")
    e.send("post")
    e.send("analyze")
    time.sleep(0.5)
    sent = e.send(".")
    at, line = e.expect(r"^stat01: ", after=sent)
    check(at is not None and at - sent < LIMIT,
          f"{label}: . during analysis answers stat01 in {1000 * (at - sent) if at else -1:.0f} ms")
    sent = e.send("quit")
    try:
        e.process.wait(timeout=10)
        ended = time.monotonic()
    except subprocess.TimeoutExpired:
        ended = None
    check(ended is not None and e.process.returncode == 0,
          f"{label}: quit during analysis ends the engine ({1000 * (ended - sent) if ended else -1:.0f} ms)")
    e.close()


def npm_check():
    tarballs = [f for f in os.listdir(DIR) if re.match(r"quillon-[0-9.]+\.tgz$", f)]
    check(len(tarballs) == 1, f"npm: one package file in {DIR}: {tarballs}")
    if len(tarballs) != 1:
        return
    project = tempfile.mkdtemp(prefix="quillon-npm-")
    try:
        run = lambda *args, **kw: subprocess.run(args, cwd=project, capture_output=True, text=True, timeout=300, **kw)
        run("npm", "init", "-y")
        installed = run("npm", "install", "--offline", "--no-audit", "--no-fund",
                        os.path.abspath(os.path.join(DIR, tarballs[0])))
        check(installed.returncode == 0, "npm: the package installs into an empty project without network"
              + ("" if installed.returncode == 0 else ": " + installed.stderr[-500:]))
        script = (
            "import { startQuillon } from 'quillon';\n"
            "for (const threads of [false, true]) {\n"
            "  const engine = startQuillon({ threads });\n"
            "  let out = '';\n"
            "  engine.stdout.on('data', (c) => { out += c; });\n"
            "  engine.stdin.write('uci\\nisready\\nposition startpos moves e2e4\\ngo depth 6\\n');\n"
            "  await new Promise((resolve) => { const t = setInterval(() => {\n"
            "    if (/bestmove/.test(out)) { clearInterval(t); resolve(); } }, 20); });\n"
            "  engine.stdin.end('quit\\n');\n"
            "  const code = await new Promise((resolve) => engine.on('exit', resolve));\n"
            "  console.log((threads ? 'threads ' : 'single ') + out.match(/bestmove \\S+/)[0] + ' exit ' + code);\n"
            "}\n")
        with open(os.path.join(project, "start.mjs"), "w") as f:
            f.write(script)
        started = run("node", "start.mjs")
        lines = started.stdout.split("\n")
        ok = started.returncode == 0 and all(
            any(re.match(rf"{kind} bestmove (\S+) exit 0$", l) and re.match(rf"{kind} bestmove (\S+)", l).group(1)
                in BLACK_REPLIES for l in lines) for kind in ("single", "threads"))
        check(ok, f"npm: both engines started through the package's entry answer 1. e4: {lines[:2]}")
        perft = run("npx", "--no-install", "quillon", "perft", "4")
        check("Nodes searched: 197281" in perft.stdout, "npm: the package's command counts perft 4 = 197281")
    finally:
        shutil.rmtree(project, ignore_errors=True)


for build, name in (("quillon.js", "single"), ("quillon-threads.js", "threads")):
    uci_checks(build, name)
    xboard_checks(build, name)
npm_check()
print(f"{len(failures) == 0 and 'wasm-check: all passed' or 'wasm-check: ' + str(len(failures)) + ' failed'}")
sys.exit(1 if failures else 0)
