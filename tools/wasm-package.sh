#!/usr/bin/env bash
# Lays out the npm package of the WebAssembly engines in DIR/package (the two
# engines, the loader, the Node entry and its commands, a README) and packs it
# as DIR/quillon-VERSION.tgz; puts the loader beside the engines in DIR too.
set -euo pipefail
dir=${1:-build/wasm}
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
test -n "$version"
cp wasm/quillon-loader.mjs "$dir/"
package="$dir/package"
rm -rf "$package"
mkdir -p "$package/bin"
cp "$dir"/quillon.js "$dir"/quillon.wasm "$dir"/quillon-threads.js "$dir"/quillon-threads.wasm \
  "$dir"/quillon-threads.worker.js wasm/quillon-loader.mjs wasm/package/node.mjs wasm/package/README.md "$package/"
cp wasm/package/bin/*.cjs "$package/bin/"
cat > "$package/package.json" <<JSON
{
  "name": "quillon",
  "version": "$version",
  "description": "Quillon, a UCI and XBoard chess engine, in WebAssembly for Web Workers and Node",
  "keywords": ["chess", "chess-engine", "uci", "xboard", "webassembly", "web-worker"],
  "author": "Vantrell",
  "license": "UNLICENSED",
  "type": "commonjs",
  "main": "./node.mjs",
  "browser": "./quillon-loader.mjs",
  "exports": {
    ".": { "node": "./node.mjs", "default": "./quillon-loader.mjs" },
    "./loader": "./quillon-loader.mjs",
    "./quillon.js": "./quillon.js",
    "./quillon.wasm": "./quillon.wasm",
    "./quillon-threads.js": "./quillon-threads.js",
    "./quillon-threads.wasm": "./quillon-threads.wasm",
    "./quillon-threads.worker.js": "./quillon-threads.worker.js",
    "./package.json": "./package.json"
  },
  "bin": { "quillon": "bin/quillon.cjs", "quillon-threads": "bin/quillon-threads.cjs" },
  "files": [
    "quillon.js", "quillon.wasm", "quillon-threads.js", "quillon-threads.wasm", "quillon-threads.worker.js",
    "quillon-loader.mjs", "node.mjs", "bin/", "README.md"
  ],
  "engines": { "node": ">=16" }
}
JSON
(cd "$package" && npm pack --silent --pack-destination .. >/dev/null)
echo "wasm: $dir/quillon-$version.tgz"
