#!/usr/bin/env python3
"""Runs any UCI engine over a file of FENs at a fixed depth (16 MB hash, a
new game before each position) and prints the summed nodes, time and nodes
per second, so that Quillon can be measured beside other engines in one run:

  tools/uci-bench.py build/release/quillon 8 tools/data/bench.fen
  tools/uci-bench.py /usr/games/toga2 8 tools/data/bench.fen
"""
import re
import subprocess
import sys
import time


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    engine, depth, fen_file = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    fens = [line.strip() for line in open(fen_file) if line.strip()]
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(text):
        proc.stdin.write(text + "\n")
        proc.stdin.flush()

    def wait(token):
        lines = []
        while True:
            line = proc.stdout.readline()
            if not line:
                sys.exit(f"{engine} ended unexpectedly")
            lines.append(line)
            if line.startswith(token):
                return lines

    send("uci")
    wait("uciok")
    send("setoption name Hash value 16")
    send("isready")
    wait("readyok")
    total_nodes, total_time = 0, 0.0
    for fen in fens:
        send("ucinewgame")
        send("position fen " + fen)
        send("isready")
        wait("readyok")
        start = time.time()
        send(f"go depth {depth}")
        lines = wait("bestmove")
        total_time += time.time() - start
        nodes = 0
        for line in lines:
            match = re.search(r"\bnodes (\d+)", line)
            if match:
                nodes = int(match.group(1))
        total_nodes += nodes
    send("quit")
    print(f"{engine} depth {depth}: positions {len(fens)} nodes {total_nodes} time {total_time:.2f} s "
          f"nps {int(total_nodes / max(total_time, 1e-9))}")


if __name__ == "__main__":
    main()
