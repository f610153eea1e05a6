#!/usr/bin/env bash
# Runs the perft suite at full depth through the quillon binary and reports
# failures and the overall speed.
#   tools/perft-suite.sh [QUILLON] [SUITE] [MAX_NODES]
# MAX_NODES skips counts above it (default: no limit).
set -u
here="$(cd "$(dirname "$0")/.." && pwd)"
quillon="${1:-$here/build/release/quillon}"
suite="${2:-$here/tests/board/data/perft-suite.tsv}"
limit="${3:-0}"
failures=0 positions=0 total=0
start=$(date +%s.%N)
playouts=0
while IFS=$'\t' read -r fen a b; do
  [ -z "$fen" ] && continue
  if [[ "$fen" == \#* ]]; then
    [[ "$fen" == *"depth<TAB>count"* ]] && playouts=1
    continue
  fi
  if [ "$playouts" = 1 ]; then
    depth=$a expected=$b
  else
    read -r -a counts <<<"$a"
    depth=${#counts[@]}
    expected=${counts[$((depth - 1))]}
    if [ "$limit" -gt 0 ]; then
      while [ "$depth" -gt 1 ] && [ "$expected" -gt "$limit" ]; do
        depth=$((depth - 1)); expected=${counts[$((depth - 1))]}
      done
    fi
  fi
  [ "$limit" -gt 0 ] && [ "$expected" -gt "$limit" ] && continue
  got=$("$quillon" perft "$depth" $fen | awk '/^Nodes searched/ {print $3}')
  positions=$((positions + 1))
  total=$((total + ${got:-0}))
  if [ "$got" != "$expected" ]; then
    failures=$((failures + 1))
    echo "FAIL depth $depth: $fen (got ${got:-nothing}, expected $expected)"
  fi
done <"$suite"
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc -l)
printf '%d positions, %d failures, %d nodes in %.1f s (%.0f nodes/s including start-up)\n' \
  "$positions" "$failures" "$total" "$seconds" "$(echo "$total / $seconds" | bc -l)"
[ "$failures" -eq 0 ]
