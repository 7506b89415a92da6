#!/usr/bin/env bash
# Sets up what is needed, builds Tarvo and makes the Debian package
# build/release/tarvo_VERSION_ARCH.deb, to install with
# apt-get install ./build/release/tarvo_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-dependencies.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j "$(nproc)" --target tarvo tarvo-cli manual_tarvo.1 manual_tarvo-cli.1
cd build/release
cpack -G DEB
