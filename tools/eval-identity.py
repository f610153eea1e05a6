#!/usr/bin/env python3
"""Checks that two builds evaluate alike: every term of every position of a
set of self-play games, through "quillon eval --dump" (which also asks for
the scores with narrow and distant windows, so the evaluation cache, the
pawn hash and the lazy exits are compared too).

  tools/eval-identity.py OLD_BINARY NEW_BINARY [--games N] [--depth D] [--lines FILE]

The games are played by OLD_BINARY against itself over UCI from the
openings of tools/data/openings.fen (and from the bench positions), each
opening twice with the two sides searching to different depths, so the
games differ; a game ends at mate, stalemate or 160 plies. With --lines the
games are read from (or, when missing, written to) FILE, one game a line:
"FEN moves m1 m2 ...". Exit status 0 when every line of the two dumps is
equal, 1 otherwise (the first differences are printed).
"""
import argparse
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAX_PLIES = 160


def play_games(engine, openings, depth, count):
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)

    def send(text):
        proc.stdin.write(text + "\n")
        proc.stdin.flush()

    def wait(token):
        while True:
            line = proc.stdout.readline()
            if not line:
                sys.exit(f"{engine} ended unexpectedly")
            if line.startswith(token):
                return line

    send("uci")
    wait("uciok")
    send("setoption name Hash value 16")
    lines = []
    for game in range(count):
        fen = openings[(game // 2) % len(openings)]
        depths = (depth, depth + 1) if game % 2 == 0 else (depth + 1, depth)
        moves = []
        send("ucinewgame")
        send("isready")
        wait("readyok")
        for ply in range(MAX_PLIES):
            send(f"position fen {fen}" + (" moves " + " ".join(moves) if moves else ""))
            send(f"go depth {depths[ply % 2]}")
            best = wait("bestmove").split()
            if len(best) < 2 or best[1] in ("(none)", "null", "0000"):
                break
            moves.append(best[1])
        lines.append(fen + (" moves " + " ".join(moves) if moves else ""))
        print(f"game {game + 1}/{count}: {len(moves)} plies", file=sys.stderr)
    send("quit")
    proc.wait()
    return lines


def dump(engine, text):
    r = subprocess.run([engine, "eval", "--dump"], input=text, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"{engine} eval --dump failed ({r.returncode}): {r.stderr.strip()}")
    return r.stdout.splitlines()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("--games", type=int, default=72)
    ap.add_argument("--depth", type=int, default=4)
    ap.add_argument("--lines", help="games file, read when present, written otherwise")
    args = ap.parse_args()

    if args.lines and os.path.exists(args.lines):
        games = [l.strip() for l in open(args.lines) if l.strip()]
    else:
        openings = []
        for name in ("openings.fen", "bench.fen"):
            openings += [l.strip() for l in open(os.path.join(ROOT, "tools", "data", name)) if l.strip()]
        games = play_games(args.old, openings, args.depth, args.games)
        if args.lines:
            with open(args.lines, "w") as f:
                f.write("\n".join(games) + "\n")
    text = "\n".join(games) + "\n"
    old, new = dump(args.old, text), dump(args.new, text)
    differences = [(i, a, b) for i, (a, b) in enumerate(zip(old, new)) if a != b]
    print(f"games: {len(games)}, positions: {len(old)} (old) {len(new)} (new), differing: {len(differences)}")
    for i, a, b in differences[:5]:
        print(f"position {i + 1}:\n  old {a}\n  new {b}")
    return 0 if not differences and len(old) == len(new) and old else 1


if __name__ == "__main__":
    sys.exit(main())
