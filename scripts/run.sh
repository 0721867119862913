#!/usr/bin/env bash
# Installs what is missing, builds the optimised program and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target kova kova-cli
exec build/release/app/kova "$@"
