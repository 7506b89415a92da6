#!/usr/bin/env bash
# Sets up what is needed, builds Tarvo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$(nproc)"
ctest --test-dir build/release --output-on-failure -j "$(nproc)"
