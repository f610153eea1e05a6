#!/usr/bin/env bash
# make wasm-test: the WebAssembly engines of DIR (build/wasm) checked under
# Node and in Chromium: the bench signature, the protocol session tests of the
# native suite driving each engine through Node, input during a search and the
# options (tools/wasm-check.py), the npm package installed and started, and
# both engines as Web Workers in headless Chromium (tools/wasm-browser-check.py).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/wasm}
engines=(quillon.js quillon-threads.js)

echo "== wasm: the bench signature under Node"
for engine in "${engines[@]}"; do
  cmake -DENGINE="$dir/$engine" -DLAUNCHER=node -DSIGNATURE_FILE=tools/data/bench-signature.txt \
    -P tests/bench_signature.cmake
done

echo "== wasm: the protocol sessions against the Node engines"
cmake --preset test >/dev/null
cmake --build --preset test --target test_protocol >/dev/null
sessions='UciSession*:UciNonBlockingInput*:XBoardSession*:RedirectedInput*:Soak*'
for engine in "${engines[@]}"; do
  echo "-- $engine"
  QUILLON_TEST_LAUNCHER=node QUILLON_TEST_ENGINE="$PWD/$dir/$engine" QUILLON_TEST_TIME_SCALE=4 \
    build/test/test_protocol --gtest_filter="$sessions" --gtest_brief=1
done

echo "== wasm: input during a search, the options, the npm package"
python3 tools/wasm-check.py "$dir"

echo "== wasm: the engines as Web Workers in Chromium"
python3 tools/wasm-browser-check.py "$dir"
