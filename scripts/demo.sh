#!/usr/bin/env bash
# Shows the command-line tool at work on the example flash image, in a
# scratch folder: decompile, a visible edit, compile, decompile again.
# Usage: demo.sh [FOLDER_WITH_TARVO_CLI]   (default: build/release/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/release/bin}" && pwd)
cli="$bin/tarvo-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/demo.bin" "$work/"
cd "$work"

show() {  # the line of String 2 in the first language of a .lgp file
  iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | grep -m1 '^String 2,'
}

echo "== 1. Decompile the example flash image (configuration: the default installed with tarvo-cli)"
echo "\$ tarvo-cli decompile --no-signatures demo.bin demo.lgp"
"$cli" decompile --no-signatures demo.bin demo.lgp
echo "   $(show demo.lgp)"

echo "== 2. Edit the text file: String 2 of the first language becomes \"Preferences\""
iconv -f UTF-16LE -t UTF-8 demo.lgp | sed '0,/^String 2, "Settings"/s//String 2, "Preferences"/' |
  iconv -f UTF-8 -t UTF-16LE > edited.lgp
echo "   $(show edited.lgp)"

echo "== 3. Compile the edited text back into the flash image"
echo "\$ tarvo-cli compile edited.lgp demo.bin"
"$cli" compile edited.lgp demo.bin

echo "== 4. Decompile again"
echo "\$ tarvo-cli decompile --no-signatures demo.bin again.lgp"
"$cli" decompile --no-signatures demo.bin again.lgp
line=$(show again.lgp)
echo "   $line"
if [ "$line" != 'String 2, "Preferences"' ]; then
  echo "The edit did not come back." >&2
  exit 1
fi
echo "The edit is in the flash image."
