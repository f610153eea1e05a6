#!/usr/bin/env python3
"""Plays Quillon against engines packaged by Debian under the xboard GUI,
headless, and prints a results table.

Each opponent plays a match of --games games at a fixed time control, with
colours alternating and the openings taken in turn from a file of FENs (each
opening is played twice, once with each colour). Quillon runs in XBoard mode
directly, or in UCI mode through polyglot (--protocol uci), or both.

  tools/gauntlet.py --games 20 --tc 0:30 --inc 0.3 --opponents fairymax,phalanx
  tools/gauntlet.py --protocol both --games 40
  tools/gauntlet.py --games 40 --moves 40 --tc 0:10 --opponents phalanx

Needs: xboard, polyglot, xvfb (xvfb-run) and the opponents (apt-get install
xboard polyglot xvfb fairymax phalanx gnuchess glaurung toga2 hoichess sjeng).
"""

import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# How xboard starts each opponent: command, and whether it speaks UCI.
OPPONENTS = {
    "fairymax": ("fairymax", False),
    "phalanx": ("phalanx", False),
    "gnuchess": ("gnuchess --xboard", False),
    "hoichess": ("hoichess --xboard", False),
    "sjeng": ("sjeng", False),
    "glaurung": ("glaurung", True),
    "toga2": ("toga2", True),
    "stockfish": ("stockfish", True),
}

RESULT_RE = re.compile(r'^\[Result "([^"]*)"\]')
TAG_RE = re.compile(r'^\[(\w+) "([^"]*)"\]')
# The last comment before the result token says how the game ended.
MOVE_RE = re.compile(r"\b\d+\.")
ENDING_RE = re.compile(r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", re.S)


def elo(score, games):
    """Elo difference and its 95% error margin from a score fraction."""
    if games == 0:
        return 0.0, 0.0
    p = min(max(score / games, 0.5 / games), 1 - 0.5 / games)
    diff = -400 * math.log10(1 / p - 1)
    # Standard error of the mean score, assuming a win/loss variance.
    stdev = math.sqrt(p * (1 - p) / games)
    low = min(max(p - 1.96 * stdev, 1e-6), 1 - 1e-6)
    high = min(max(p + 1.96 * stdev, 1e-6), 1 - 1e-6)
    margin = (-400 * math.log10(1 / high - 1) - -400 * math.log10(1 / low - 1)) / 2
    return diff, margin


def parse_games(path):
    """Splits a PGN file into (tags, movetext) pairs."""
    if not os.path.exists(path):
        return []
    games, tags, text = [], {}, []
    with open(path, errors="replace") as f:
        for line in f:
            m = TAG_RE.match(line)
            if m:
                if text and tags:
                    games.append((tags, "".join(text)))
                    tags, text = {}, []
                tags[m.group(1)] = m.group(2)
            else:
                text.append(line)
    if tags:
        games.append((tags, "".join(text)))
    return games


def classify(ending):
    e = ending.lower()
    if "time" in e and ("forfeit" in e or "wins on time" in e or "lost on time" in e or "out of time" in e):
        return "forfeit"
    # A false draw claim forfeits the game like an illegal move.
    if "illegal" in e or "false draw claim" in e:
        return "illegal"
    if "crash" in e or "exit" in e or "disconnect" in e or "terminated" in e or "died" in e:
        return "crash"
    return None


def play_match(quillon, opponent, protocol, args, workdir):
    command, opponent_uci = OPPONENTS[opponent]
    pgn = os.path.join(workdir, f"{opponent}-{protocol}.pgn")
    debug = os.path.join(workdir, f"{opponent}-{protocol}.debug")
    xboard = [
        "xboard", "-noGUI", "-xexit",
        "-fcp", quillon, "-fd", workdir,
        "-scp", command, "-sd", workdir,
        "-matchGames", str(args.games),
        # xboard waits 10 s between games by default; the engines need far less.
        "-matchPause", "2000",
        "-tc", args.tc,
        "-loadPositionFile", args.openings, "-loadPositionIndex", "-2",
        "-saveGameFile", pgn, "-nameOfDebugFile", debug, "-debugMode", "true" if args.debug else "false",
        "-xponder", "-autoCallFlag", "true",
        "-saveSettingsOnExit", "false", "-popupExitMessage", "false", "-popupMoveErrors", "false",
        "-testClaims", "true", "-checkMates", "true", "-materialDraws", "true",
        "-trivialDraws", "false", "-ruleMoves", "51", "-repeatsToDraw", "3",
    ]
    if args.moves > 0:
        # A conventional clock: --tc for every --moves moves, no increment.
        xboard += ["-mps", str(args.moves), "-inc", "-1"]
    else:
        xboard += ["-inc", str(args.inc)]
    if protocol == "uci":
        xboard += ["-fUCI"]
    if opponent_uci:
        xboard += ["-sUCI"]
    if args.threads > 1:
        xboard += ["-smpCores", str(args.threads)]
    xboard += ["-defaultHashSize", str(args.hash)]
    minutes, _, seconds = args.tc.partition(":")
    base = float(minutes) * 60 + float(seconds or 0)
    if args.moves > 0:
        per_game = 2 * base * math.ceil(200 / args.moves) + 30
    else:
        per_game = 2 * (base + 120 * args.inc) + 30
    env = dict(os.environ)
    env["PATH"] = env.get("PATH", "") + ":/usr/games"
    cmd = ["xvfb-run", "-a"] + xboard
    hung = False
    try:
        subprocess.run(cmd, cwd=workdir, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=per_game * args.games + 60)
    except subprocess.TimeoutExpired:
        hung = True
    return pgn, hung


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quillon", default=os.path.join(ROOT, "build", "release", "quillon"))
    parser.add_argument("--opponents", default="fairymax,phalanx,gnuchess,glaurung,toga2,hoichess,sjeng")
    parser.add_argument("--games", type=int, default=20, help="games per opponent and protocol (even)")
    parser.add_argument("--tc", default="0:30", help="base time per game, minutes:seconds")
    parser.add_argument("--inc", type=float, default=0.3, help="increment per move, seconds")
    parser.add_argument("--moves", type=int, default=0,
                        help="moves per time control (a conventional clock: --tc per --moves moves, no increment)")
    parser.add_argument("--protocol", choices=["xboard", "uci", "both"], default="xboard")
    parser.add_argument("--openings", default=os.path.join(HERE, "data", "openings.fen"))
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--hash", type=int, default=64)
    parser.add_argument("--keep", help="directory to keep games and logs in")
    parser.add_argument("--debug", action="store_true", help="write xboard debug logs")
    args = parser.parse_args()

    for tool in ("xboard", "xvfb-run"):
        if not shutil.which(tool) and not os.path.exists(f"/usr/games/{tool}"):
            sys.exit(f"gauntlet: {tool} is not installed")
    quillon = os.path.abspath(args.quillon)
    args.openings = os.path.abspath(args.openings)
    workdir = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="gauntlet-")
    os.makedirs(workdir, exist_ok=True)
    protocols = ["xboard", "uci"] if args.protocol == "both" else [args.protocol]

    rows = []
    totals = dict(games=0, wins=0, draws=0, losses=0, crash=0, illegal=0, forfeit=0, hang=0, void=0)
    for opponent in args.opponents.split(","):
        if opponent not in OPPONENTS:
            sys.exit(f"gauntlet: unknown opponent {opponent}")
        for protocol in protocols:
            pgn, hung = play_match(quillon, opponent, protocol, args, workdir)
            row = dict(opponent=opponent, protocol=protocol, games=0, wins=0, draws=0, losses=0,
                       crash=0, illegal=0, forfeit=0, hang=int(hung), void=0)
            for tags, text in parse_games(pgn):
                result = tags.get("Result", "*")
                quillon_white = "quillon" in tags.get("White", "").lower()
                m = ENDING_RE.search(text.strip())
                ending = m.group(1) if m else ""
                if result == "*":
                    # An unfinished game counts as a hang unless the log says more.
                    row["hang"] += 1
                    continue
                if not MOVE_RE.search(re.sub(r"\{[^{}]*\}", " ", text)):
                    # Ended before the first move (an engine that was slow to
                    # start under load): xboard replays the round, so it is
                    # left out of the score.
                    row["void"] += 1
                    continue
                row["games"] += 1
                if result == "1/2-1/2":
                    row["draws"] += 1
                    continue
                won = (result == "1-0") == quillon_white
                row["wins" if won else "losses"] += 1
                fault = classify(ending)
                if fault and not won:
                    row[fault] += 1
            rows.append(row)
            for k in totals:
                totals[k] += row[k]
            print_row(row)
    print()
    print_table(rows, totals)
    if totals["void"]:
        print(f"\nleft out: {totals['void']} game(s) that ended before the first move")
    print(f"\ngames and logs: {workdir}")
    faults = totals["crash"] + totals["illegal"] + totals["forfeit"] + totals["hang"]
    return 1 if faults else 0


def print_row(row):
    score = row["wins"] + 0.5 * row["draws"]
    diff, margin = elo(score, row["games"])
    print(f"{row['opponent']:<10} {row['protocol']:<7} {row['games']:>5} {row['wins']:>4} {row['draws']:>4} "
          f"{row['losses']:>4} {score:>6.1f} {diff:>+7.0f} ±{margin:<5.0f} {row['crash']:>5} {row['illegal']:>7} "
          f"{row['forfeit']:>7} {row['hang']:>4}", flush=True)


def print_table(rows, totals):
    print(f"{'opponent':<10} {'proto':<7} {'games':>5} {'won':>4} {'drew':>4} {'lost':>4} {'score':>6} "
          f"{'elo':>7} {'±':<6} {'crash':>5} {'illegal':>7} {'forfeit':>7} {'hang':>4}")
    for row in rows:
        print_row(row)
    totals = dict(totals, opponent="total", protocol="")
    print_row(totals)


if __name__ == "__main__":
    sys.exit(main())
