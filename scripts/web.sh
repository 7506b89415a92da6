#!/usr/bin/env bash
# The web front ends of Tarvo's core.
#   web.sh [--port N]  builds everything below and serves the page on
#                      http://127.0.0.1:8080 (or port N)
#   web.sh build       builds the core for WebAssembly with emscripten, its
#                      JavaScript API and tarvo-cli for Node.js into build/web/
#                      (node build/web/tarvo-cli.mjs; npm install -g ./build/web),
#                      and the page into build/web/site/ (a static site)
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
  build_site
}

# The page: its packages as locked, then the site over the module just built.
build_site() {
  (
    cd web
    npm ci --no-audit --no-fund --loglevel=error
    npm run build
  )
}

serve() {
  local port=8080
  while [ $# -gt 0 ]; do
    case "$1" in
      --port) port=$2; shift 2 ;;
      --port=*) port=${1#--port=}; shift ;;
      *) echo "Usage: web.sh [--port N] | web.sh build" >&2; exit 2 ;;
    esac
  done
  build
  echo "Tarvo's page: http://127.0.0.1:$port/ (Ctrl+C stops it)"
  cd web
  exec npx vite preview --host 127.0.0.1 --port "$port" --strictPort
}

case "${1:-}" in
  build) build ;;
  "" | --port | --port=*) serve "$@" ;;
  *)
    echo "Usage: web.sh [--port N] | web.sh build" >&2
    exit 2
    ;;
esac
