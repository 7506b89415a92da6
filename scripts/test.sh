#!/usr/bin/env bash
# Sets up what is needed, builds Tarvo and runs the whole test suite: the
# fuzz targets for a bounded time, the suite built with the address and
# undefined-behaviour sanitizers so that memory faults fail the run, and the
# suite in a normal build.
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

echo "== WebAssembly build"
# The module and tarvo-cli on Node.js in build/web, which the suites below
# hold to the native core and tarvo-cli (their web_ tests).
bash scripts/web.sh build

echo "== Fuzzing"
bash scripts/fuzz.sh "${TARVO_FUZZ_SECONDS:-45}"
echo "== Sanitizer build"
(
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_suite build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_SANITIZE=ON -DTARVO_BUILD_BENCH=OFF
)
echo "== Normal build"
run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Page"
# The site over the module built above, its own tests, and whole sessions in
# Debian's chromium compared with the native tarvo-cli.
(
  cd web
  npm ci --no-audit --no-fund --loglevel=error
  npx vitest run --config vitest.config.ts
  npm run build
  TARVO_CLI="$PWD/../build/release/bin/tarvo-cli" npx vitest run --config vitest.sessions.config.ts
)
