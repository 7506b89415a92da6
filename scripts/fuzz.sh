#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (address and
# undefined-behaviour sanitizers on) and runs each for a bounded time,
# starting from the seed corpus. A crash fails the run; its input is kept in
# the build folder's findings/ to become a regression test.
# Usage: fuzz.sh [SECONDS_PER_TARGET]   (default 45)
# TARVO_FUZZ_DIR names the build folder (default build/fuzz); one configured
# already with TARVO_FUZZ, such as the test command's sanitizer build, is used
# as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}
dir=${TARVO_FUZZ_DIR:-build/fuzz}
targets=(configuration decompile lgp_reader compile_roundtrip text_roundtrip lgp_edit document memory)
if ! grep -q "^TARVO_FUZZ:BOOL=ON" "$dir/CMakeCache.txt" 2>/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_FUZZ=ON \
    -DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_GUI=OFF -DTARVO_BUILD_BENCH=OFF
fi
cmake --build "$dir" -j "$(nproc)" --target tarvo_fuzz_seeds "${targets[@]/#/fuzz_}"
rm -rf "$dir/seeds"
"$dir/bin/tarvo_fuzz_seeds" "$dir/seeds"
mkdir -p "$dir/findings"

# One target per core at a time: each still gets its full time, on a core of
# its own, and the whole run takes a fraction as long.
fuzz_one() {
  local target=$1 corpus="$dir/corpus/$1"
  mkdir -p "$corpus"
  "$dir/bin/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" \
    "$corpus" "$dir/seeds/$target" "tests/fuzz/regressions/$target" 2>"$dir/$target.log"
}

jobs=$(nproc)
status=0
for ((first = 0; first < ${#targets[@]}; first += jobs)); do
  batch=("${targets[@]:first:jobs}")
  pids=()
  for target in "${batch[@]}"; do
    echo "== fuzz_$target for ${seconds}s"
    fuzz_one "$target" &
    pids+=($!)
  done
  for i in "${!batch[@]}"; do
    target=${batch[$i]}
    if ! wait "${pids[$i]}"; then
      status=1
      echo "== fuzz_$target failed:"
      tail -n 60 "$dir/$target.log"
    fi
    echo "   fuzz_$target:"
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$dir/$target.log" | sed "s/^/   /"
  done
done
exit $status
