#!/usr/bin/env python3
"""Replays Quillon's lost games to tell faults from chess.

For every game of the PGN files that Quillon lost (all games with --all), a
referee engine scores each position once; a Quillon move after which the
referee's score for Quillon falls by at least --drop centipawns (from a
position not already lost) is a mistake. Each mistake is searched again by
Quillon, in a fresh process, to the depth it reported in the game (the PGN
comment, "+0.25/8") and to that depth plus --extra plies:

  deeper search avoids it   a search a few plies deeper plays another move:
                            the horizon of a search at that speed;
  persists                  Quillon still plays it deeper: the evaluation
                            misjudges the position, or the referee is wrong.

Persisting mistakes are the ones to look at by hand ("quillon eval FEN").

  tools/review-losses.py /tmp/gauntlet/phalanx-xboard.pgn
  tools/review-losses.py --referee-depth 16 --drop 200 games.pgn

Needs a UCI referee engine (default /usr/games/stockfish, apt-get install
stockfish); Quillon itself reads the games ("quillon positions").
"""

import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
MATE = 10000


class Uci:
    def __init__(self, command, hash_mb=64):
        self.p = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        self.send("uci")
        self.send("setoption name Hash value %d" % hash_mb)
        self.send("isready")
        while self.p.stdout.readline().strip() != "readyok":
            pass

    def send(self, line):
        self.p.stdin.write(line + "\n")
        self.p.stdin.flush()

    def search(self, fen, depth):
        """Best move and score (centipawns, mates as +-(10000 - plies))."""
        self.send("position fen " + fen)
        self.send("go depth %d" % depth)
        score = None
        while True:
            words = self.p.stdout.readline().split()
            if not words:
                continue
            if words[0] == "bestmove":
                return words[1], score
            if "score" in words and "pv" in words:
                i = words.index("score")
                value = int(words[i + 2])
                score = value if words[i + 1] == "cp" else (MATE - abs(value)) * (1 if value > 0 else -1)

    def close(self):
        self.send("quit")
        self.p.wait(timeout=10)


def split_games(text):
    """The games of a PGN text, split where a tag section starts (as
    "quillon positions" does): (tags, [(san, comment)])."""
    pieces, current, movetext = [], [], False
    for line in text.split("\n"):
        tag = line.lstrip().startswith("[")
        if tag and movetext:
            pieces.append(current)
            current, movetext = [], False
        if not tag and line.strip():
            movetext = True
        current.append(line)
    pieces.append(current)
    games = []
    for piece in pieces:
        body = "\n".join(piece)
        if not body.strip():
            continue
        tags = dict(re.findall(r'\[(\w+) "([^"]*)"\]', body))
        moves = []
        for token in re.findall(r"\{[^}]*\}|\[[^\]]*\]|[^\s{\[]+", body):
            if token.startswith("{"):
                if moves:
                    moves[-1][1] = token[1:-1].strip()
            elif token.startswith("[") or re.match(r"^\d+\.+$", token) or token in ("1-0", "0-1", "1/2-1/2", "*"):
                continue
            else:
                moves.append([re.sub(r"^\d+\.+", "", token), ""])
        games.append((tags, moves))
    return games


def positions(quillon, path):
    """Per game, the (fen, move) lines of "quillon positions"."""
    out = subprocess.run([quillon, "positions", path], capture_output=True, text=True, check=True).stdout
    games, current = [], []
    for line in out.split("\n")[:-1]:
        if line:
            fen, move, _ = line.split("\t")
            current.append((fen, move))
        else:
            games.append(current)
            current = []
    return games


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("pgn", nargs="+")
    ap.add_argument("--quillon", default=os.path.join(ROOT, "build", "release", "quillon"))
    ap.add_argument("--referee", default="/usr/games/stockfish")
    ap.add_argument("--referee-depth", type=int, default=13)
    ap.add_argument("--drop", type=int, default=150, help="centipawns lost by one move")
    ap.add_argument("--extra", type=int, default=3, help="plies added to the game's depth")
    ap.add_argument("--all", action="store_true", help="review every game, not only losses")
    args = ap.parse_args()

    referee = Uci([args.referee])
    quillon = Uci([args.quillon])
    mistakes = horizon = 0
    for path in args.pgn:
        games = split_games(open(path, errors="replace").read())
        lines = positions(args.quillon, path)
        if len(games) != len(lines):
            sys.exit("%s: %d games read, but quillon positions gave %d" % (path, len(games), len(lines)))
        for number, ((tags, moves), plies) in enumerate(zip(games, lines), 1):
            white = "quillon" in tags.get("White", "").lower()
            black = "quillon" in tags.get("Black", "").lower()
            if white == black:
                continue
            lost = tags.get("Result") == ("0-1" if white else "1-0")
            if not (lost or args.all):
                continue
            scores = [referee.search(fen, args.referee_depth)[1] for fen, _ in plies]
            for i, (fen, move) in enumerate(plies[:-1]):
                if (" w " in fen) != white or scores[i] is None or scores[i + 1] is None:
                    continue
                before, after = scores[i], -scores[i + 1]
                if before <= -300 or before - after < args.drop:
                    continue
                mistakes += 1
                found = re.match(r"[+-]?[\d.]+/(\d+)", moves[i][1]) if i < len(moves) else None
                depth = min(int(found.group(1)), 14) if found else 8
                again, _ = quillon.search(fen, depth)
                deeper, deeper_score = quillon.search(fen, depth + args.extra)
                verdict = "persists" if deeper == move else "deeper search avoids it"
                horizon += deeper != move
                print("%s game %d: %s played %s at depth %d (%+d -> %+d); depth %d plays %s, depth %d plays %s (%s): %s"
                      % (os.path.basename(path), number, fen, move, depth, before, after, depth, again,
                         depth + args.extra, deeper, deeper_score, verdict), flush=True)
    referee.close()
    quillon.close()
    if mistakes:
        print("\n%d mistakes of at least %d centipawns; %d (%.0f%%) avoided %d plies deeper, %d persist"
              % (mistakes, args.drop, horizon, 100.0 * horizon / mistakes, args.extra, mistakes - horizon))
    else:
        print("no mistakes of at least %d centipawns" % args.drop)


if __name__ == "__main__":
    main()
