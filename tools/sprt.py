#!/usr/bin/env python3
"""Tests one Quillon build against another with a sequential probability
ratio test (SPRT) through fastchess, as a change is accepted or rejected on
OpenBench: H1 (accepted) says the first build (--dev) is at least elo1
stronger, H0 (rejected) that it is at most elo0 stronger. Games go on until
the log-likelihood ratio (LLR) crosses a bound, --games are played, or
--minutes pass; then it prints the results table, fastchess's count of how
the games ended, and the state: H1 accepted, H0 accepted, or inconclusive.

  FASTCHESS=~/fastchess/fastchess tools/sprt.py --dev ./quillon-new --base ./quillon-old
  tools/sprt.py --fastchess ~/fastchess/fastchess --dev build/release/quillon \\
      --base build/release/quillon --tc 0:05 --inc 0.05 --minutes 45

A build against itself must not be accepted: the test should end in H0 or
stay inconclusive. Exit status: 0 once H0 or H1 is accepted, 2 while
inconclusive, 1 on a fault (time loss, illegal move, disconnect or stall by
either build).
"""

import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gauntlet  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dev", required=True, help="the build under test")
    parser.add_argument("--base", required=True, help="the build it is measured against")
    gauntlet.add_common_arguments(parser)
    parser.set_defaults(games=20000, tc="0:10", inc=0.1)
    parser.add_argument("--elo0", type=float, default=0.0)
    parser.add_argument("--elo1", type=float, default=5.0)
    parser.add_argument("--alpha", type=float, default=0.05)
    parser.add_argument("--beta", type=float, default=0.05)
    parser.add_argument("--model", choices=["normalized", "logistic", "bayesian"], default="normalized",
                        help="fastchess's Elo model for the bounds (normalized: nElo, as OpenBench)")
    parser.add_argument("--minutes", type=float, default=0, help="stop after this long (0: no limit)")
    args = parser.parse_args()
    if not args.fastchess:
        sys.exit("sprt: give the fastchess binary with --fastchess or FASTCHESS")
    gauntlet.check_fastchess(args)
    builds = {}
    for label in ("dev", "base"):
        path = os.path.abspath(getattr(args, label))
        if not os.access(path, os.X_OK):
            sys.exit(f"sprt: no binary at {path}")
        builds[label] = path
    workdir = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="sprt-")
    os.makedirs(workdir, exist_ok=True)

    options = {"Hash": str(args.hash), "Threads": str(args.threads)}
    engines = [gauntlet.engine_args("Quillon-dev", builds["dev"], options),
               gauntlet.engine_args("Quillon-base", builds["base"], options)]
    sprt = ["-sprt", f"elo0={args.elo0:g}", f"elo1={args.elo1:g}", f"alpha={args.alpha:g}", f"beta={args.beta:g}",
            f"model={args.model}"]
    deadline = time.monotonic() + 60 * args.minutes if args.minutes > 0 else None
    print(f"SPRT elo0={args.elo0:g} elo1={args.elo1:g} alpha={args.alpha:g} beta={args.beta:g} "
          f"model={args.model}, "
          f"fastchess {gauntlet.fastchess_tc(args)}, up to {args.games} games"
          + (f" or {args.minutes:g} minutes" if deadline else "") + f", concurrency {args.concurrency}",
          flush=True)
    started = time.monotonic()
    games, lines, stopped = gauntlet.run_fastchess(args, engines, workdir, "sprt", extra=sprt, deadline=deadline)
    minutes = (time.monotonic() - started) / 60

    row, terms, faults, _ = gauntlet.tally(games, "Quillon-dev", "base", len(games))
    # A stall or time loss by the base build is a fault here too.
    base_faults = sum(f[1] for f in faults.values())
    print()
    gauntlet.print_table([dict(row, opponent="dev-base")])
    print()
    gauntlet.print_terminations([("dev-base", terms, faults)])
    print()
    gauntlet.print_warnings(gauntlet.warnings_of(lines, ["Quillon-dev", "Quillon-base"]))

    llr = next((m for m in map(gauntlet.LLR_RE.match, reversed(lines)) if m), None)
    elo = next((m.group(1) for m in map(gauntlet.ELO_RE.match, reversed(lines)) if m), None)
    done = next((m.group(1) for m in map(gauntlet.SPRT_DONE_RE.search, reversed(lines)) if m), None)
    print()
    if elo:
        print(f"fastchess Elo (dev - base): {elo}")
    if llr:
        print(f"LLR {llr.group(1)} ({llr.group(2)}% of the way to a bound), bounds ({llr.group(3)}, {llr.group(4)}), "
              f"elo0={llr.group(5)} elo1={llr.group(6)}")
    if done:
        state = f"{done} accepted" + (" (the change is rejected)" if done == "H0" else " (the change is accepted)")
    else:
        reason = "time limit" if stopped else "game limit"
        state = f"inconclusive: stopped by the {reason}, neither bound reached"
    print(f"state: {state} after {len(games)} games in {minutes:.0f} minutes")
    print(f"\ngames and logs: {workdir}")
    faults_total = row["crash"] + row["illegal"] + row["forfeit"] + row["hang"] + base_faults
    if faults_total:
        return 1
    return 0 if done else 2


if __name__ == "__main__":
    sys.exit(main())
