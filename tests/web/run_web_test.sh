#!/usr/bin/env bash
# Runs a test of the WebAssembly build in WEB_DIR (made by bash scripts/web.sh
# build); skipped, with status 77, while there is none.
# Usage: run_web_test.sh WEB_DIR COMMAND [ARGUMENTS...]
set -euo pipefail
web=$1
shift
if [ ! -f "$web/tarvo-cli.mjs" ] || [ ! -f "$web/core/tarvo_core.wasm" ]; then
  echo "No WebAssembly build in $web (bash scripts/web.sh build makes it): skipped."
  exit 77
fi
exec "$@"
