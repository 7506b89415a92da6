#!/usr/bin/env bash
# The web front ends of Tarvo's core.
#   web.sh build   builds the core for WebAssembly with emscripten, its
#                  JavaScript API and tarvo-cli for Node.js into build/web/
#                  (node build/web/tarvo-cli.mjs; npm install -g ./build/web)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build() {
  bash scripts/install-dependencies.sh
  # Debian's emscripten finds Debian's Node.js modules (acorn) only so, and
  # uses its own cache of prebuilt system libraries, which it may not change.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  emcmake cmake -S . -B build/web-cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVO_WASM=ON \
    -DTARVO_WEB_OUTPUT="$root/build/web" >/dev/null
  cmake --build build/web-cmake -j "$(nproc)"
}

case "${1:-build}" in
  build) build ;;
  *)
    echo "Usage: web.sh build" >&2
    exit 2
    ;;
esac
