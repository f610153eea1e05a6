#!/usr/bin/env bash
# Times quillon's perft beside stockfish's "go perft" on the same positions.
#   tools/perft-vs-stockfish.sh [QUILLON] [STOCKFISH]
set -u
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
printf '%-8s %-12s %-10s %-10s %s\n' depth nodes quillon stockfish position
for entry in "${positions[@]}"; do
  depth=${entry%%|*} fen=${entry#*|}
  t0=$(date +%s.%N)
  q=$("$quillon" perft "$depth" $fen | awk '/^Nodes searched/ {print $3}')
  t1=$(date +%s.%N)
  s=$(printf 'position fen %s\ngo perft %d\nquit\n' "$fen" "$depth" | "$stockfish" | awk '/^Nodes searched/ {print $3}')
  t2=$(date +%s.%N)
  [ "$q" = "$s" ] || echo "MISMATCH: quillon $q, stockfish $s"
  printf '%-8s %-12s %-10.2f %-10.2f %s\n' "$depth" "$q" "$(echo "$t1 - $t0" | bc -l)" "$(echo "$t2 - $t1" | bc -l)" "$fen"
done
