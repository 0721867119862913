#!/usr/bin/env bash
# Builds the Debian package kova_<version>_<arch>.deb in build/package (an optimised build
# without tests and benchmarks). Install it with: sudo apt-get install ./build/package/kova_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF
cmake --build build/package -j"$(nproc)"
(cd build/package && cpack -G DEB)
ls build/package/kova_*.deb
