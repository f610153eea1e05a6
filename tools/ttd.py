#!/usr/bin/env python3
"""Time to depth for several thread counts.

For every thread count and every position: a new game (a fresh table), the
position, a search, and the time at which the main thread reports the
finished iteration of the given depth. Each position is searched several
times; the median of its runs counts. The summed medians are compared with
the one-thread sum:

  tools/ttd.py --depth 11 --threads 1,2,4,8 --runs 3 [--count 12] [--stats]

Modes: "infinite" (default) searches with "go infinite" and sends "stop" once
the depth is reported, as in play, where the depth limit is far away;
"depth" searches with "go depth D", where the search ends at that depth.

With --stats the engine's thread diagnostics (QUILLON_THREAD_STATS) are
collected from its standard error and summed per thread: each thread's share
of the nodes, and the share of the main thread's table cut-offs that came
from entries another thread stored.
"""
import argparse
import os
import queue
import re
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))


class Engine:
    def __init__(self, path, threads, hash_mb, stats):
        env = dict(os.environ)
        if stats:
            env["QUILLON_THREAD_STATS"] = "1"
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE if stats else subprocess.DEVNULL,
                                     text=True, bufsize=1, env=env)
        self.stats_lines = []
        self.lines = queue.Queue()
        threading.Thread(target=self._read_stdout, daemon=True).start()
        if stats:
            threading.Thread(target=self._read_stderr, daemon=True).start()
        self.send("uci")
        self.wait(lambda l: l == "uciok")
        self.send(f"setoption name Threads value {threads} name Hash value {hash_mb}")

    def _read_stdout(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def _read_stderr(self):
        for line in self.proc.stderr:
            self.stats_lines.append(line.rstrip("\n"))

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def wait(self, accept, timeout=None):
        """Lines up to the first accepted one; None on timeout or end."""
        deadline = time.time() + timeout if timeout else None
        lines = []
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.time()) if deadline else None)
            except queue.Empty:
                return None
            if line is None:
                return None
            lines.append(line)
            if accept(line):
                return lines

    def sync(self):
        self.send("isready")
        self.wait(lambda l: l == "readyok")

    def quit(self):
        self.send("quit")
        self.proc.wait(timeout=30)


def time_to_depth(engine, fen, depth, mode, timeout):
    """Milliseconds the engine reports for the finished iteration `depth`."""
    engine.send("ucinewgame")
    engine.send("position fen " + fen)
    engine.sync()
    engine.send("go infinite" if mode == "infinite" else f"go depth {depth}")
    pattern = re.compile(r"^info depth (\d+) .* time (\d+) ")
    found = None

    def accept(line):
        nonlocal found
        m = pattern.match(line)
        if m and int(m.group(1)) >= depth and found is None:
            found = int(m.group(2))
            return mode == "infinite"
        return line.startswith("bestmove")

    engine.wait(accept, timeout)
    if mode == "infinite":
        engine.send("stop")
        engine.wait(lambda l: l.startswith("bestmove"), 60)
    engine.sync()
    return found


def summarise_stats(lines):
    """Per thread: summed nodes, and the main thread's cut-offs from others."""
    nodes, cutoffs, others = {}, {}, {}
    pattern = re.compile(r"^thread (\d+): nodes (\d+) .* cut-offs (\d+) \(([\d.]+)% on another")
    for line in lines:
        m = pattern.match(line)
        if m:
            t = int(m.group(1))
            nodes[t] = nodes.get(t, 0) + int(m.group(2))
            c = int(m.group(3))
            cutoffs[t] = cutoffs.get(t, 0) + c
            others[t] = others.get(t, 0) + c * float(m.group(4)) / 100
    total = sum(nodes.values()) or 1
    parts = []
    for t in sorted(nodes):
        share = 100.0 * others[t] / cutoffs[t] if cutoffs[t] else 0.0
        parts.append(f"thread {t} nodes {100.0 * nodes[t] / total:.1f}% cut-offs from others {share:.1f}%")
    return "; ".join(parts)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine", default=os.path.join(HERE, "..", "build", "release", "quillon"))
    ap.add_argument("--positions", default=os.path.join(HERE, "data", "bench.fen"))
    ap.add_argument("--count", type=int, default=0, help="only the first N positions")
    ap.add_argument("--depth", type=int, default=11)
    ap.add_argument("--threads", default="1,2,4,8")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--hash", type=int, default=64)
    ap.add_argument("--mode", choices=["infinite", "depth"], default="infinite")
    ap.add_argument("--timeout", type=float, default=600, help="seconds per search")
    ap.add_argument("--stats", action="store_true")
    args = ap.parse_args()

    fens = [l.strip() for l in open(args.positions) if l.strip() and not l.startswith("#")]
    if args.count:
        fens = fens[:args.count]
    counts = [int(x) for x in args.threads.split(",")]
    medians = {}
    print(f"depth {args.depth}, {len(fens)} positions, {args.runs} runs each, hash {args.hash} MB, mode {args.mode}")
    for threads in counts:
        engine = Engine(args.engine, threads, args.hash, args.stats)
        per_position = []
        for fen in fens:
            times = []
            for _ in range(args.runs):
                t = time_to_depth(engine, fen, args.depth, args.mode, args.timeout)
                if t is not None:
                    times.append(t)
            per_position.append(statistics.median(times) if len(times) == args.runs else None)
        engine.quit()
        medians[threads] = per_position
        usable = [i for i, t in enumerate(per_position) if t is not None]
        total = sum(per_position[i] for i in usable)
        line = f"threads {threads}: {total / 1000:.2f} s over {len(usable)} positions"
        if threads != counts[0] and counts[0] in medians:
            base = medians[counts[0]]
            both = [i for i in usable if base[i] is not None]
            if both:
                line += f", speed-up over {counts[0]} thread(s) {sum(base[i] for i in both) / sum(per_position[i] for i in both):.2f}"
        if args.stats:
            line += "\n  " + summarise_stats(engine.stats_lines)
        print(line, flush=True)
    skipped = [i + 1 for i in range(len(fens)) if any(medians[c][i] is None for c in counts)]
    if skipped:
        print("positions without the depth (left out of the ratios):", " ".join(map(str, skipped)))


if __name__ == "__main__":
    main()
