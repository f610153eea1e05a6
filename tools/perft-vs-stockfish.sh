#!/usr/bin/env bash
# Times quillon's perft beside stockfish's "go perft" on the same positions:
# whole processes, the two run alternately RUNS times (default 5) per
# position; the medians and their ratio are printed.
#   [RUNS=N] tools/perft-vs-stockfish.sh [QUILLON] [STOCKFISH]
set -u
runs=${RUNS:-5}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
here="$(cd "$(dirname "$0")/.." && pwd)"
quillon="${1:-$here/build/release/quillon}"
stockfish="${2:-$(command -v stockfish || echo /usr/games/stockfish)}"
positions=(
  "6|rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
  "5|r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
  "6|8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
  "5|r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1"
  "5|rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"
  "5|r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"
)
printf '%-6s %-11s %-9s %-9s %-6s %s\n' depth nodes quillon stockfish ratio position
for entry in "${positions[@]}"; do
  depth=${entry%%|*} fen=${entry#*|}
  qt=() st=()
  for ((run = 0; run < runs; ++run)); do
    t0=$(date +%s.%N)
    q=$("$quillon" perft "$depth" $fen | awk '/^Nodes searched/ {print $3}')
    t1=$(date +%s.%N)
    s=$(printf 'position fen %s\ngo perft %d\nquit\n' "$fen" "$depth" | "$stockfish" | awk '/^Nodes searched/ {print $3}')
    t2=$(date +%s.%N)
    [ "$q" = "$s" ] || echo "MISMATCH: quillon $q, stockfish $s"
    qt+=("$(echo "$t1 - $t0" | bc -l)") st+=("$(echo "$t2 - $t1" | bc -l)")
  done
  qm=$(printf '%s\n' "${qt[@]}" | median) sm=$(printf '%s\n' "${st[@]}" | median)
  printf '%-6s %-11s %-9.2f %-9.2f %-6.2f %s\n' "$depth" "$q" "$qm" "$sm" "$(echo "$qm / $sm" | bc -l)" "$fen"
done
