#!/usr/bin/env bash
# Each folder of the program includes only folders below it: a quoted
# include of a higher folder (or of tests/ outside tests/) fails the run.
# Usage: check_layers.sh SOURCE_DIR
set -euo pipefail
cd "$1"
# Lowest first. Folders on one line stand side by side and include none of each other.
layers=(config frame codec flash lgp compile check decompile document po merge "bench cli app web")

rank() {
  local i
  for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do [ "$folder" = "$1" ] && { echo "$i"; return; }; done
  done
  echo -1
}

status=0
while IFS= read -r file; do
  from=${file%%/*}
  from_rank=$(rank "$from")
  if [ "$from_rank" -lt 0 ]; then
    echo "$file: the folder $from has no place in the layers"
    status=1
    continue
  fi
  while IFS= read -r included; do
    to=${included%%/*}
    [ "$to" = "$from" ] && continue
    to_rank=$(rank "$to")
    if [ "$to" = tests ] || [ "$to_rank" -lt 0 ] || [ "$to_rank" -ge "$from_rank" ]; then
      echo "$file includes $included: $to does not stand below $from"
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(find . -path './build*' -prune -o -path ./tests -prune -o \( -name '*.h' -o -name '*.cpp' \) -print | sed 's|^\./||')
exit $status
