#!/usr/bin/env bash
# Builds the Debian package topmenu from the Release build (build/release, the tree ./run
# uses) and checks it with lintian: build/release/topmenu_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOPMENU_SANITIZE=OFF -DTOPMENU_TESTS=OFF \
    -DTOPMENU_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack)
deb=$(ls -t "$build"/topmenu_*.deb | head -n 1)
lintian --info "$deb" || true
echo "Package: $deb"
