#!/usr/bin/env bash
# Builds the optimised benchmarks (no sanitizers) and runs them; extra arguments go to kova_bench.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target kova_bench
exec build/release/bench/kova_bench "$@"
