#!/usr/bin/env bash
# The WebAssembly module beside the native core on the realistic pack: the
# native calls from tarvo_bench, the module's from bench/wasm_bench.mjs, in
# rounds that run one after the other, each in a fresh process.
# Needs build/release (tarvo_bench) and build/web (bash scripts/web.sh build).
# Usage: wasm-bench.sh [ROUNDS [RUNS]]   (default 5 rounds of 3 runs each)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/inputs" "$work/figures"
build/release/bin/tarvo_bench --write-inputs "$work/inputs" >/dev/null
for round in $(seq "$rounds"); do
  echo "round $round of $rounds" >&2
  build/release/bin/tarvo_bench --benchmark_filter='BM_CompileImage|BM_DecompileImage|BM_DocumentMeasure$' \
    --benchmark_repetitions="$runs" --benchmark_format=json 2>/dev/null >"$work/figures/native-$round.json"
  node --expose-gc bench/wasm_bench.mjs build/web "$work/inputs" "$runs" --json >"$work/figures/wasm-$round.json"
done
node bench/wasm_bench_report.mjs "$work/figures"
