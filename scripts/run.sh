#!/usr/bin/env bash
# Sets up what is needed, builds Tarvo and starts it: the window, in the
# examples folder, when there is a display; otherwise a walk through the
# command-line tool on the example flash image.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-dependencies.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$(nproc)" --target tarvo tarvo-cli

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cd examples
  exec "$root/build/release/bin/tarvo"
fi
echo "No display found: showing the command-line tool instead."
exec bash scripts/demo.sh build/release/bin
