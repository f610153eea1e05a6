#!/usr/bin/env python3
"""Compares the search speed of two engine builds.

Runs `BASE bench` and `NEW bench` alternately (BASE first in odd pairs, NEW
first in even ones, so that neither always runs on a warmer or a busier
machine), checks that both search the same number of nodes, and prints the
median of the pairwise nodes-per-second ratios NEW / BASE with their range.
A ratio within the range of a build compared with itself is noise.

    python3 tools/bench-compare.py BASE NEW [--pairs 8] [--depth N]
    python3 tools/bench-compare.py BASE NEW --launcher qemu-aarch64
"""
import argparse
import re
import shlex
import statistics
import subprocess
import sys


def bench(engine, depth, launcher):
    command = shlex.split(launcher) + [engine, "bench"] + ([str(depth)] if depth else [])
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    nodes = re.search(r"Nodes searched: (\d+)", out)
    speed = re.search(r"Nodes/second: (\d+)", out)
    if not nodes or not speed:
        sys.exit(f"{engine}: no bench figures in its output")
    return int(nodes.group(1)), int(speed.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("base")
    parser.add_argument("new")
    parser.add_argument("--pairs", type=int, default=8)
    parser.add_argument("--depth", type=int, default=0, help="bench depth (the engine's default when 0)")
    parser.add_argument("--launcher", default="", help="a command to run both engines under (an emulator)")
    args = parser.parse_args()

    ratios = []
    signature = None
    for pair in range(args.pairs):
        order = [("base", args.base), ("new", args.new)]
        if pair % 2:
            order.reverse()
        speeds = {}
        for name, engine in order:
            nodes, speed = bench(engine, args.depth, args.launcher)
            if signature is None:
                signature = nodes
            elif nodes != signature:
                sys.exit(f"{engine} searched {nodes} nodes, the other build {signature}: not the same search")
            speeds[name] = speed
        ratios.append(speeds["new"] / speeds["base"])
        print(f"pair {pair + 1}: base {speeds['base']} new {speeds['new']} nodes/s, ratio {ratios[-1]:.3f}", flush=True)
    print(f"Nodes searched: {signature} (both)")
    print(f"median ratio new/base: {statistics.median(ratios):.3f} over {len(ratios)} pairs "
          f"(range {min(ratios):.3f}-{max(ratios):.3f})")


if __name__ == "__main__":
    main()
