#!/usr/bin/env bash
# The WebAssembly module beside the native core on the realistic pack: each
# run of the module paired with a native run of the same call (bench/wasm_bench.mjs).
# Needs build/release (tarvo_bench) and build/web (bash scripts/web.sh build).
# Usage: wasm-bench.sh [RUNS]   (pairs of runs of each call, default 21)
set -euo pipefail
cd "$(dirname "$0")/.."
exec node --expose-gc bench/wasm_bench.mjs build/web build/release/bin/tarvo_bench "${1:-21}"
