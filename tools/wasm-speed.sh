#!/usr/bin/env bash
# The WebAssembly engines' speed under Node against the native engine, on this
# machine, in alternating runs (medians of ROUNDS, default 5):
#   1. bench nodes/s of the native engine (build/release/quillon, made with
#      make build when missing), the single-threaded and the threaded engine;
#   2. what Asyncify's instrumentation costs the single-threaded engine: its
#      bench against the same sources linked without Asyncify (bench reads no
#      input, so that build runs it);
#   3. what giving the event loop a turn during a search costs: a 10-second
#      search of the single-threaded engine through UCI, with the time spent
#      away from the search (from each yield to its return) added up by a
#      copy of the engine's glue that times it.
#     bash tools/wasm-speed.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
dir=build/wasm
[ -x build/release/quillon ] || make build >/dev/null
[ -f $dir/quillon.js ] || make wasm >/dev/null
measure=build/wasm-measure
# The single-threaded engine without Asyncify, everything else the same.
flags=$(make -s -p -n wasm 2>/dev/null | sed -n 's/^WASM_LDFLAGS := //p' | head -1)
NODE_PATH=/usr/share/nodejs make -s -j"$(nproc)" EXE=$measure/quillon.js CXX=em++ PLATFORM=web NATIVE= THREADS= \
  LINK_DEPS=wasm/pre.js LDFLAGS="$flags -sMAXIMUM_MEMORY=2GB" >/dev/null

nps() { "$@" bench 2>&1 | sed -n 's/^Nodes\/second: //p'; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
declare -A runs
for ((i = 0; i < rounds; i++)); do
  runs[native]+="$(nps build/release/quillon) "
  runs[single]+="$(nps node $dir/quillon.js) "
  runs[threads]+="$(nps node $dir/quillon-threads.js) "
  runs[plain]+="$(nps node $measure/quillon.js) "
done
med() { tr ' ' '\n' <<<"${runs[$1]}" | grep . | median; }
native=$(med native); single=$(med single); threads=$(med threads); plain=$(med plain)
echo "bench nodes/s, medians of $rounds alternating runs:"
echo "  native            $native   (${runs[native]})"
echo "  wasm single       $single   (${runs[single]})  ratio $(echo "scale=3; $single / $native" | bc)"
echo "  wasm threads      $threads   (${runs[threads]})  ratio $(echo "scale=3; $threads / $native" | bc)"
echo "  single, no Asyncify $plain   (${runs[plain]})"
echo "  Asyncify's instrumentation: single / no-Asyncify = $(echo "scale=3; $single / $plain" | bc)"

# The yield cost: a copy of the glue that adds up the time of every turn.
cp $dir/quillon.wasm $measure/quillon-timed.wasm
sed 's/Module\["quillonYield"\]=function(){/Module["quillonYield"]=function(){var s=performance.now();globalThis.quillonTurns=(globalThis.quillonTurns||0)+1;return quillonTimedYield().then(function(){globalThis.quillonAway=(globalThis.quillonAway||0)+performance.now()-s})};function quillonTimedYield(){/' \
  $dir/quillon.js > $measure/quillon-timed.js
grep -q quillonTimedYield $measure/quillon-timed.js || { echo "the glue's yield was not found" >&2; exit 1; }
sed -i 's/if(isNode){if(typeof __filename/process.on("exit",function(){console.error("turns "+globalThis.quillonTurns+" away_ms "+(globalThis.quillonAway||0).toFixed(1))});&/' $measure/quillon-timed.js
out=$( (printf 'uci\nposition startpos\ngo movetime 10000\n'; sleep 11; printf 'quit\n') | node $measure/quillon-timed.js 2>&1 >/dev/null | tail -1)
echo "yielding during a 10 s search: $out"
away=$(sed -n 's/.*away_ms \([0-9.]*\).*/\1/p' <<<"$out")
echo "  share of the search spent away: $(echo "scale=4; $away / 10000 * 100" | bc) %"
