#!/usr/bin/env bash
# Makes the demonstration files from their text sources with tarvo-cli:
#   demo.bin  a blank flash image of the DEMO-F1 phone type with demo.lgp in it
#   demo.lng  a language file of the DEMO-L3 type from demo-language-file.lgp
# Usage: make-demo.sh TARVO_CLI [OUTPUT_FOLDER]   (default: this folder)
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
out=${2:-$here}
config="$here/../config/tarvo.ini"
mkdir -p "$out"

# The blank template: 36 KB of FF, the identifying letters "TVD" at 10 and an
# empty pack's signature BB BB 00 00 where DEMO-F1 puts its pack (1000).
head -c 36864 /dev/zero | tr '\000' '\377' > "$out/demo.bin"
printf 'TVD' | dd of="$out/demo.bin" bs=1 seek=16 conv=notrunc status=none
printf '\273\273\000\000' | dd of="$out/demo.bin" bs=1 seek=4096 conv=notrunc status=none

"$cli" compile --config "$config" "$here/demo.lgp" "$out/demo.bin"
"$cli" compile --config "$config" "$here/demo-language-file.lgp" "$out/demo.lng"
echo "Made $out/demo.bin and $out/demo.lng"
