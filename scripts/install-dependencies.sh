#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tarvo needs.
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libcli11-dev
  nlohmann-json3-dev libgettextpo-dev gettext clang libclang-rt-14-dev
  # the core for WebAssembly and tarvo-cli on Node.js
  emscripten nodejs
  # spell checking in the editor, and the dictionaries its tests read
  libnuspell-dev hunspell-en-us hunspell-de-de hunspell-fr hunspell-es hunspell-it hunspell-pl hunspell-ru
  hunspell-pt-pt
  # the Debian package and its checks
  dpkg-dev file groff-base appstream desktop-file-utils
  # the page's browser sessions
  chromium)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Installing ${missing[*]} needs root." >&2; exit 1; }
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
