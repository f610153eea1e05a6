#!/usr/bin/env python3
"""Plays Quillon against other engines and prints a results table.

Two match runners:

- fastchess (the runner OpenBench workers use), when its path is given with
  --fastchess or the FASTCHESS environment variable: UCI games against the
  UCI engines packaged by Debian (glaurung, toga2, ethereal, stockfish at a
  limited strength). Besides the table it prints fastchess's own count of how
  the games ended (mates, draws by rule, time losses, illegal moves,
  disconnects, stalls) and the warnings it raised about each engine.
- xboard, headless (the default without fastchess): Quillon in XBoard mode
  directly, or in UCI mode through polyglot (--protocol uci), or both.

Each opponent plays a match of --games games at a fixed time control, with
colours alternating and the openings taken in turn from a file of FENs (each
opening is played twice, once with each colour).

  FASTCHESS=~/fastchess/fastchess tools/gauntlet.py --games 72 --tc 0:10 --inc 0.1
  tools/gauntlet.py --fastchess ~/fastchess/fastchess --opponents stockfish --stockfish-elo 2000
  tools/gauntlet.py --games 20 --tc 0:30 --inc 0.3 --opponents fairymax,phalanx
  tools/gauntlet.py --protocol both --games 40
  tools/gauntlet.py --games 40 --moves 40 --tc 0:10 --opponents phalanx

tools/sprt.py runs an SPRT of one Quillon build against another through
fastchess.

Needs, with fastchess: the opponents (apt-get install glaurung toga2
ethereal-chess stockfish). With xboard: xboard, polyglot, xvfb (xvfb-run)
and the opponents (apt-get install xboard polyglot xvfb fairymax phalanx
gnuchess glaurung toga2 hoichess sjeng).
"""

import argparse
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

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
    "ethereal": ("ethereal-chess", True),
    "stockfish": ("stockfish", True),
}

# UCI opponents under fastchess: command and options (one thread, no own
# book, so that every game starts from the opening file). The hash size is
# added from --hash; the thread option's name differs between engines.
FASTCHESS_OPPONENTS = {
    "glaurung": ("glaurung", {"Threads": "1", "OwnBook": "false", "Ponder": "false"}),
    "toga2": ("toga2", {"Number of Threads": "1", "OwnBook": "false", "Ponder": "false"}),
    "ethereal": ("ethereal-chess", {"Threads": "1", "Ponder": "false"}),
    "stockfish": ("stockfish", {"Threads": "1", "Ponder": "false", "UCI_LimitStrength": "true"}),
}
DEFAULT_FASTCHESS_OPPONENTS = "glaurung,toga2,ethereal"
DEFAULT_XBOARD_OPPONENTS = "fairymax,phalanx,gnuchess,glaurung,toga2,hoichess,sjeng"

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


def count_result(row, result, quillon_white):
    """Counts a finished game in the row; "win", "draw" or "loss" for Quillon."""
    row["games"] += 1
    if result == "1/2-1/2":
        row["draws"] += 1
        return "draw"
    outcome = "win" if (result == "1-0") == quillon_white else "loss"
    row["wins" if outcome == "win" else "losses"] += 1
    return outcome


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


# ---------------------------------------------------------------------------
# fastchess

FINISHED_RE = re.compile(r"^Finished game (\d+) \((.+) vs (.+)\): (1-0|0-1|1/2-1/2|\*) \{(.*)\}\s*$")
LLR_RE = re.compile(r"^LLR: (-?[\d.]+|-?nan|-?inf) \((-?[\d.]+|-?nan|-?inf)%\) \((-?[\d.]+), (-?[\d.]+)\) \[(-?[\d.]+), (-?[\d.]+)\]")
ELO_RE = re.compile(r"^Elo: (.*)$")
SPRT_DONE_RE = re.compile(r"SPRT \(.*\) completed - (H[01]) was accepted")
WARNING_RE = re.compile(r"^Warning; (.*)$")

# How fastchess says a game ended, in its own terms (the reason of each
# "Finished game" line), in the order of the termination table.
TERMINATIONS = [
    ("mate", re.compile(r"^(White|Black) mates$")),
    ("stalemate", re.compile(r"^Draw by stalemate$")),
    ("repetition", re.compile(r"^Draw by 3-fold repetition$")),
    ("fifty", re.compile(r"^Draw by fifty moves rule$")),
    ("material", re.compile(r"^Draw by insufficient mating material$")),
    ("adjudication", re.compile(r"adjudication")),
    ("time", re.compile(r"^(White|Black) loses on time")),
    ("illegal", re.compile(r"^(White|Black) makes an illegal move")),
    ("disconnect", re.compile(r"^(White|Black) disconnects")),
    ("stall", re.compile(r"^(White|Black)'s connection stalls")),
    ("interrupted", re.compile(r"^Game interrupted")),
]
# A termination that is one engine's fault, and the column of the results
# table it counts in when that engine is Quillon.
FAULTS = {"time": "forfeit", "illegal": "illegal", "disconnect": "crash", "stall": "hang"}


def termination_of(reason):
    for name, pattern in TERMINATIONS:
        if pattern.search(reason):
            return name
    return "other"


def fastchess_tc(args):
    """The time control in fastchess's format (moves/seconds+increment)."""
    minutes, _, seconds = args.tc.partition(":")
    base = float(minutes) * 60 + float(seconds or 0)
    text = f"{base:g}"
    if args.moves > 0:
        return f"{args.moves}/{text}"
    return f"{text}+{args.inc:g}" if args.inc > 0 else text


def fastchess_game_seconds(args):
    """A generous bound on one game's length, for the runner's own deadline."""
    minutes, _, seconds = args.tc.partition(":")
    base = float(minutes) * 60 + float(seconds or 0)
    if args.moves > 0:
        return 2 * base * math.ceil(200 / args.moves) + 30
    return 2 * (base + 200 * args.inc) + 30


def engine_args(name, command, options, tc=None):
    argv = ["-engine", f"cmd={command}", f"name={name}"]
    if tc:
        argv.append(f"tc={tc}")
    argv += [f"option.{k}={v}" for k, v in options.items()]
    return argv


def run_fastchess(args, engines, workdir, tag, extra=(), deadline=None, echo=True):
    """Runs one fastchess match of args.games games between two engines (each
    a list of -engine arguments). Returns the finished games as (white,
    black, result, reason) tuples, the output lines, and whether the runner
    had to be stopped (deadline, or its own hang)."""
    pgn = os.path.join(workdir, f"{tag}.pgn")
    log = os.path.join(workdir, f"{tag}.log")
    openings_format = "pgn" if args.openings.lower().endswith(".pgn") else "epd"
    rounds = max(1, args.games // 2)
    cmd = [args.fastchess]
    for engine in engines:
        cmd += engine
    cmd += ["-each", "proto=uci", f"tc={fastchess_tc(args)}",
            "-openings", f"file={args.openings}", f"format={openings_format}", "order=sequential",
            "-rounds", str(rounds), "-games", "2", "-repeat",
            "-concurrency", str(args.concurrency),
            "-recover", "-pgnout", f"file={pgn}", "notation=san", "append=false",
            "-ratinginterval", "1"]
    cmd += list(extra)
    # The runner's own deadline: every game at its longest, plus a margin.
    limit = fastchess_game_seconds(args) * math.ceil(rounds * 2 / args.concurrency) + 120
    stop_at = time.monotonic() + limit
    if deadline is not None:
        stop_at = min(stop_at, deadline)
    with open(os.path.join(workdir, f"{tag}.command"), "w") as f:
        f.write(" ".join(f"'{a}'" if " " in a else a for a in cmd) + "\n")

    # fastchess writes straight into the log, which is read back as it grows:
    # an engine process it leaves behind cannot hold a pipe of ours open. It
    # runs in a session of its own so that such leftovers can be ended.
    games, lines = [], []
    with open(log, "w") as out, open(log, errors="replace") as back:
        proc = subprocess.Popen(cmd, cwd=workdir, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, start_new_session=True)
        stopped = False
        interrupted_at = None
        pending = ""
        while True:
            running = proc.poll() is None
            chunk = back.read()
            if chunk:
                pending += chunk
                *complete, pending = pending.split("\n")
                for line in complete:
                    lines.append(line)
                    m = FINISHED_RE.match(line)
                    if m:
                        games.append((m.group(2), m.group(3), m.group(4), m.group(5)))
                        if echo:
                            print(f"  {line}", flush=True)
                    elif echo and (LLR_RE.match(line) or SPRT_DONE_RE.search(line)):
                        print(f"  {line}", flush=True)
                continue
            if not running:
                break
            now = time.monotonic()
            if interrupted_at is None and now >= stop_at:
                # Past the deadline: fastchess ends the games in play on SIGINT.
                stopped = True
                interrupted_at = now
                proc.send_signal(signal.SIGINT)
            elif interrupted_at is not None and now - interrupted_at > 60:
                proc.kill()
            time.sleep(0.2)
        if pending:
            lines.append(pending)
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    return games, lines, stopped


def tally(games, quillon_name, opponent, expected):
    """The results-table row (Quillon's view) and fastchess's termination
    counts for one match. expected is the number of games asked for: the
    games a stopped runner never finished count as hangs."""
    row = dict(opponent=opponent, protocol="uci", games=0, wins=0, draws=0, losses=0,
               crash=0, illegal=0, forfeit=0, hang=0, void=0)
    terms = {name: 0 for name, _ in TERMINATIONS}
    terms["other"] = 0
    faults = {name: [0, 0] for name in FAULTS}  # [by Quillon, by the opponent]
    for white, black, result, reason in games:
        kind = termination_of(reason)
        terms[kind] += 1
        if kind in FAULTS:
            culprit = white if reason.startswith("White") else black
            faults[kind][0 if culprit == quillon_name else 1] += 1
            if culprit == quillon_name:
                row[FAULTS[kind]] += 1
        if result == "*" or kind == "interrupted":
            row["void"] += 1
            continue
        count_result(row, result, white == quillon_name)
    missing = expected - len(games)
    return row, terms, faults, max(0, missing)


def warnings_of(lines, names):
    """fastchess's warnings, counted by engine and kind."""
    counts = {}
    for line in lines:
        m = WARNING_RE.match(line)
        if not m:
            continue
        text = m.group(1)
        who = next((n for n in sorted(names, key=len, reverse=True) if n in text), "fastchess")
        kind = re.split(r" - | from | played by |: ", text)[0]
        kind = re.sub(r"\b([Mm]ove) ([a-h][1-8][a-h][1-8][qrbn]?|0000|<none>)", r"\1", kind).strip()
        counts[(who, kind)] = counts.get((who, kind), 0) + 1
    return counts


def print_terminations(term_rows):
    """fastchess's own count of how the games ended. A fault column shows
    Quillon's count, then the opponent's."""
    names = [name for name, _ in TERMINATIONS] + ["other"]
    print("how the games ended (fastchess; time/illegal/disconnect/stall as Quillon/opponent):")
    print(f"{'opponent':<10} " + " ".join(f"{n:>{max(len(n), 5)}}" for n in names))
    for opponent, terms, faults in term_rows:
        cells = []
        for n in names:
            cell = f"{faults[n][0]}/{faults[n][1]}" if n in faults else str(terms[n])
            cells.append(f"{cell:>{max(len(n), 5)}}")
        print(f"{opponent:<10} " + " ".join(cells))


def print_warnings(counts):
    if not counts:
        print("fastchess warnings: none")
        return
    print("fastchess warnings:")
    for (who, kind), n in sorted(counts.items()):
        print(f"  {who}: {n} x {kind}")


def fastchess_gauntlet(args, quillon, workdir):
    quillon_name = "Quillon"
    quillon_engine = engine_args(quillon_name, quillon, {"Hash": str(args.hash), "Threads": str(args.threads)})
    rows, term_rows, all_warnings = [], [], {}
    totals = dict(games=0, wins=0, draws=0, losses=0, crash=0, illegal=0, forfeit=0, hang=0, void=0)
    print(f"fastchess {fastchess_tc(args)}, {args.games} games per opponent, "
          f"openings {os.path.basename(args.openings)}, concurrency {args.concurrency}", flush=True)
    for opponent in args.opponents.split(","):
        if opponent not in FASTCHESS_OPPONENTS:
            sys.exit(f"gauntlet: unknown UCI opponent {opponent} (fastchess: {', '.join(FASTCHESS_OPPONENTS)})")
        command, options = FASTCHESS_OPPONENTS[opponent]
        path = shutil.which(command) or (f"/usr/games/{command}" if os.path.exists(f"/usr/games/{command}") else None)
        if not path:
            sys.exit(f"gauntlet: {command} is not installed")
        options = dict(options, Hash=str(args.hash))
        if opponent == "stockfish":
            options["UCI_Elo"] = str(args.stockfish_elo)
        games, lines, stopped = run_fastchess(
            args, [quillon_engine, engine_args(opponent, path, options)], workdir, f"{opponent}-fastchess")
        row, terms, faults, missing = tally(games, quillon_name, opponent, 2 * max(1, args.games // 2))
        if stopped:
            row["hang"] += missing
        rows.append(row)
        term_rows.append((opponent, terms, faults))
        for key, n in warnings_of(lines, [quillon_name, opponent]).items():
            all_warnings[key] = all_warnings.get(key, 0) + n
        for k in totals:
            totals[k] += row[k]
        print_row(row)
    print()
    print_table(rows, totals)
    print()
    print_terminations(term_rows)
    print()
    print_warnings(all_warnings)
    return totals


def xboard_gauntlet(args, quillon, workdir):
    for tool in ("xboard", "xvfb-run"):
        if not shutil.which(tool) and not os.path.exists(f"/usr/games/{tool}"):
            sys.exit(f"gauntlet: {tool} is not installed")
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
                outcome = count_result(row, result, quillon_white)
                if outcome == "draw":
                    continue
                fault = classify(ending)
                if fault and outcome == "loss":
                    row[fault] += 1
            rows.append(row)
            for k in totals:
                totals[k] += row[k]
            print_row(row)
    print()
    print_table(rows, totals)
    return totals


def add_common_arguments(parser):
    """Arguments shared with tools/sprt.py."""
    parser.add_argument("--fastchess", default=os.environ.get("FASTCHESS"),
                        help="path of the fastchess binary (default: $FASTCHESS)")
    parser.add_argument("--games", type=int, default=20, help="games per opponent and protocol (even)")
    parser.add_argument("--tc", default="0:30", help="base time per game, minutes:seconds")
    parser.add_argument("--inc", type=float, default=0.3, help="increment per move, seconds")
    parser.add_argument("--moves", type=int, default=0,
                        help="moves per time control (a conventional clock: --tc per --moves moves, no increment)")
    parser.add_argument("--openings", default=os.path.join(HERE, "data", "openings.fen"),
                        help="opening positions: FEN/EPD lines, or a PGN file (fastchess only)")
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--hash", type=int, default=64)
    parser.add_argument("--concurrency", type=int, default=1, help="games at once (fastchess only)")
    parser.add_argument("--keep", help="directory to keep games and logs in")


def check_fastchess(args):
    args.fastchess = os.path.abspath(os.path.expanduser(args.fastchess))
    if not os.access(args.fastchess, os.X_OK):
        sys.exit(f"{os.path.basename(sys.argv[0])}: no fastchess binary at {args.fastchess}")
    if args.games < 2 or args.games % 2:
        sys.exit(f"{os.path.basename(sys.argv[0])}: --games must be even (each opening with both colours)")
    args.openings = os.path.abspath(args.openings)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quillon", default=os.path.join(ROOT, "build", "release", "quillon"))
    parser.add_argument("--opponents", help=f"comma-separated (default with fastchess: {DEFAULT_FASTCHESS_OPPONENTS}; "
                        f"with xboard: {DEFAULT_XBOARD_OPPONENTS})")
    add_common_arguments(parser)
    parser.add_argument("--protocol", choices=["xboard", "uci", "both"],
                        help="Quillon's protocol (default: uci with fastchess, xboard without)")
    parser.add_argument("--stockfish-elo", type=int, default=2000,
                        help="stockfish's strength limit (UCI_Elo, 1350-2850) under fastchess")
    parser.add_argument("--debug", action="store_true", help="write xboard debug logs")
    args = parser.parse_args()

    quillon = os.path.abspath(args.quillon)
    if not os.access(quillon, os.X_OK):
        sys.exit(f"gauntlet: no Quillon binary at {quillon} (make build, or --quillon PATH)")
    args.openings = os.path.abspath(args.openings)
    workdir = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="gauntlet-")
    os.makedirs(workdir, exist_ok=True)

    if args.fastchess:
        if args.protocol not in (None, "uci"):
            sys.exit("gauntlet: fastchess plays UCI only (leave out --protocol, or --protocol uci)")
        check_fastchess(args)
        args.opponents = args.opponents or DEFAULT_FASTCHESS_OPPONENTS
        totals = fastchess_gauntlet(args, quillon, workdir)
    else:
        args.protocol = args.protocol or "xboard"
        args.opponents = args.opponents or DEFAULT_XBOARD_OPPONENTS
        totals = xboard_gauntlet(args, quillon, workdir)

    if totals["void"]:
        print(f"\nleft out: {totals['void']} game(s) that ended before the first move or were interrupted")
    print(f"\ngames and logs: {workdir}")
    faults = totals["crash"] + totals["illegal"] + totals["forfeit"] + totals["hang"]
    return 1 if faults else 0


def print_row(row):
    score = row["wins"] + 0.5 * row["draws"]
    diff, margin = elo(score, row["games"])
    print(f"{row['opponent']:<10} {row['protocol']:<7} {row['games']:>5} {row['wins']:>4} {row['draws']:>4} "
          f"{row['losses']:>4} {score:>6.1f} {diff:>+7.0f} ±{margin:<5.0f} {row['crash']:>5} {row['illegal']:>7} "
          f"{row['forfeit']:>7} {row['hang']:>4}", flush=True)


def print_table(rows, totals=None):
    print(f"{'opponent':<10} {'proto':<7} {'games':>5} {'won':>4} {'drew':>4} {'lost':>4} {'score':>6} "
          f"{'elo':>7} {'±':<6} {'crash':>5} {'illegal':>7} {'forfeit':>7} {'hang':>4}")
    for row in rows:
        print_row(row)
    if totals is not None:
        print_row(dict(totals, opponent="total", protocol=""))


if __name__ == "__main__":
    sys.exit(main())
