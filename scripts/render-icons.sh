#!/usr/bin/env bash
# Renders the PNG icons from app/icons/tarvo.svg at the sizes that desktop
# menus look for. The PNGs are kept in the repository, so the build needs no
# renderer; run this after changing the drawing (needs rsvg-convert from
# librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
for size in 16 32 48 128 256; do
  rsvg-convert --width "$size" --height "$size" tarvo.svg --output "tarvo_$size.png"
done
