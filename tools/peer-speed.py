#!/usr/bin/env python3
"""Where Quillon stands against its classical peers: nodes per second of the
engine `make build` produces (build/release/quillon) beside toga2 and
glaurung (Debian packages, installed with apt-get when missing), on the same
positions (tools/data/bench.fen), to the same depth, with the same table
size and one thread, over UCI. The engines take turns within each round
(the order rotates from round to round), and the medians count.

  tools/peer-speed.py [--rounds 5] [--depth 8] [--hash 16] [--engine PATH] [--no-build]

Prints each run, then per engine the median nodes/s and range, and
Quillon's ratio to each peer: the ratio of the medians, and the median and
range of the ratios within a round. The machine should be idle: the load
average before and after is printed. Nodes per processor second (the
engine process's user and system time, set-up and new games included) are
printed beside: on a busy machine they move less than the clock.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PEERS = {"toga2": "/usr/games/toga2", "glaurung": "/usr/games/glaurung"}


def install_peers():
    missing = [name for name, path in PEERS.items() if not os.access(path, os.X_OK)]
    if not missing:
        return
    print(f"installing {' '.join(missing)} with apt-get", flush=True)
    prefix = [] if os.geteuid() == 0 else (["sudo"] if shutil.which("sudo") else [])
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    if subprocess.run(prefix + ["apt-get", "install", "-y", "--no-install-recommends"] + missing, env=env).returncode:
        sys.exit("apt-get could not install " + " ".join(missing))
    for name in missing:
        if not os.access(PEERS[name], os.X_OK):
            sys.exit(f"{name} is not at {PEERS[name]} after installation")


def run_engine(path, fens, depth, hash_mb):
    """Searches every position after a new game; returns (nodes, seconds of
    search by the clock, processor seconds of the whole process)."""
    proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            text=True, bufsize=1)

    def send(text):
        proc.stdin.write(text + "\n")
        proc.stdin.flush()

    def wait(token):
        lines = []
        while True:
            line = proc.stdout.readline()
            if not line:
                sys.exit(f"{path} ended unexpectedly")
            lines.append(line)
            if line.startswith(token):
                return lines

    send("uci")
    wait("uciok")
    send(f"setoption name Hash value {hash_mb}")
    send("setoption name Threads value 1")
    send("isready")
    wait("readyok")
    total_nodes, total_time = 0, 0.0
    for fen in fens:
        send("ucinewgame")
        send("position fen " + fen)
        send("isready")
        wait("readyok")
        start = time.perf_counter()
        send(f"go depth {depth}")
        lines = wait("bestmove")
        total_time += time.perf_counter() - start
        nodes = 0
        for line in lines:
            match = re.search(r"\bnodes (\d+)", line)
            if match:
                nodes = int(match.group(1))
        total_nodes += nodes
    send("quit")
    proc.stdin.close()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    return total_nodes, total_time, usage.ru_utime + usage.ru_stime


def summary(values):
    return f"median {statistics.median(values):,.0f} (range {min(values):,.0f}-{max(values):,.0f})"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--depth", type=int, default=8)
    ap.add_argument("--hash", type=int, default=16, help="table size in MB")
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "release", "quillon"))
    ap.add_argument("--no-build", action="store_true", help="measure the engine as it is, without make build")
    ap.add_argument("--positions", default=os.path.join(ROOT, "tools", "data", "bench.fen"))
    args = ap.parse_args()
    if args.rounds < 1 or args.depth < 1:
        sys.exit("--rounds and --depth must be at least 1")

    if not args.no_build and subprocess.run(["make", "-C", ROOT, "build"]).returncode:
        sys.exit("make build failed")
    if not os.access(args.engine, os.X_OK):
        sys.exit(f"no engine at {args.engine}")
    install_peers()
    fens = [line.strip() for line in open(args.positions) if line.strip()]
    engines = {"quillon": args.engine, **PEERS}
    names = list(engines)
    print(f"{len(fens)} positions, depth {args.depth}, Hash {args.hash} MB, 1 thread, {args.rounds} rounds; "
          f"load average {os.getloadavg()[0]:.2f}", flush=True)

    speed = {name: [] for name in names}
    cpu_speed = {name: [] for name in names}
    for r in range(args.rounds):
        order = names[r % len(names):] + names[:r % len(names)]
        for name in order:
            nodes, seconds, cpu = run_engine(engines[name], fens, args.depth, args.hash)
            nps = nodes / max(seconds, 1e-9)
            speed[name].append(nps)
            cpu_speed[name].append(nodes / max(cpu, 1e-9))
            print(f"round {r + 1} {name:9s} nodes {nodes:>10,} time {seconds:7.2f} s  nps {nps:>12,.0f}  "
                  f"per processor second {cpu_speed[name][-1]:>12,.0f}", flush=True)

    print(f"\nload average after: {os.getloadavg()[0]:.2f}")
    for label, table in (("nodes/s", speed), ("nodes per processor second", cpu_speed)):
        print(f"\n{label}:")
        for name in names:
            print(f"  {name:9s} {summary(table[name])}")
        for peer in PEERS:
            ratios = [q / p for q, p in zip(table["quillon"], table[peer])]
            overall = statistics.median(table["quillon"]) / statistics.median(table[peer])
            print(f"  quillon / {peer}: {overall:.3f} (ratio of medians); per round median "
                  f"{statistics.median(ratios):.3f}, range {min(ratios):.3f}-{max(ratios):.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
