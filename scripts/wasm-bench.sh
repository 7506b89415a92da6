#!/usr/bin/env bash
# The WebAssembly module beside the native core on the realistic pack: the
# native calls from tarvo_bench, the module's from bench/wasm_bench.mjs.
# Needs build/release (tarvo_bench) and build/web (bash scripts/web.sh build).
# Usage: wasm-bench.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
inputs=$(mktemp -d)
trap 'rm -rf "$inputs"' EXIT
build/release/bin/tarvo_bench --write-inputs "$inputs" >/dev/null
echo "== native core (tarvo_bench, median of $runs)"
build/release/bin/tarvo_bench --benchmark_filter='BM_CompileImage|BM_DecompileImage|BM_DocumentMeasure$' \
  --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median|^-|Benchmark'
echo "== WebAssembly module under Node.js (median of $runs)"
node bench/wasm_bench.mjs build/web "$inputs" "$runs"
