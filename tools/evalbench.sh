#!/usr/bin/env bash
# Evaluation micro-benchmark: evaluates a fixed set of random-playout positions
# (fixed seed) and prints evaluations per second.
#   tools/evalbench.sh [QUILLON] [POSITIONS]
here="$(cd "$(dirname "$0")/.." && pwd)"
exec "${1:-$here/build/release/quillon}" eval --bench ${2:-4000}
