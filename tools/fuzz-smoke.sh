#!/usr/bin/env bash
# Runs every fuzz target for a short while on a copy of its seed corpus.
#   tools/fuzz-smoke.sh [BUILD_DIR] [SECONDS_PER_TARGET]
# Long runs are made by hand: build/fuzz/fuzz_fen -max_total_time=1800 CORPUS_COPY
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build/fuzz}" && pwd)"
seconds="${2:-20}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  corpus="$here/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work/$name"
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work/$name"/
  echo "== $name: ${seconds}s"
  # The binary's own timeout catches hangs; a crash or leak fails the run.
  if ! (cd "$work" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "$work/$name" >"$work/$name.log" 2>&1); then
    echo "FAILED: $name"; tail -40 "$work/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$work/$name.log" | tail -1
  fi
done
exit $status
