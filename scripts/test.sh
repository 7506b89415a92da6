#!/usr/bin/env bash
# Sets up what is needed, builds Tarvo and runs the whole test suite: the
# core in WebAssembly and the page; the suite built with clang's address and
# undefined-behaviour sanitizers, so that memory faults fail the run, whose
# build also makes the fuzz targets; the fuzz targets for a bounded time; the
# suite in a normal build, the only one with the window and the benchmarks;
# and the page's tests and sessions in Chromium. Each phase prints its time.
# Debug information is kept to line tables, which stack traces need, as it
# costs a third of the build's time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh

jobs=$(nproc)
run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}
phase_start=$SECONDS
phase() {
  echo "   (took $((SECONDS - phase_start)) s)"
  phase_start=$SECONDS
  echo "== $1"
}

echo "== WebAssembly build"
# The module and tarvo-cli on Node.js in build/web, which the normal build's
# suite holds to the native core and tarvo-cli (its web_ tests).
bash scripts/web.sh build

phase "Sanitizer build"
(
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export CC=clang CXX=clang++
  run_suite build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_FUZZ=ON -DTARVO_BUILD_GUI=OFF \
    -DTARVO_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG"
)
phase "Fuzzing"
TARVO_FUZZ_DIR=build/sanitize bash scripts/fuzz.sh "${TARVO_FUZZ_SECONDS:-20}"
phase "Normal build"
# With clang too, which builds in about half the time of g++, in a folder of
# its own: build/release stays the system compiler's, for scripts/run.sh and
# scripts/package.sh.
CC=clang CXX=clang++ run_suite build/normal -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
phase "Page"
# The site that the WebAssembly build made: its own tests, and whole sessions
# in Debian's chromium compared with the native tarvo-cli.
(
  cd web
  npx vitest run --config vitest.config.ts
  TARVO_CLI="$PWD/../build/normal/bin/tarvo-cli" npx vitest run --config vitest.sessions.config.ts
)
phase "All passed in $SECONDS s"
