#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVA_SANITIZE=ON >/dev/null
cmake --build build/test
ctest --test-dir build/test --no-tests=error --output-on-failure -j "$(nproc)"

# The libFuzzer targets, where clang has libFuzzer: built in a tree of their own (a target that no
# longer links fails here) and run once over their seeds.
if command -v clang++ >/dev/null &&
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' |
  clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
  CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVA_FUZZ=ON \
    -DKOVA_BUILD_UI=OFF -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF >/dev/null
  cmake --build build/fuzz --target kova_fuzz_all
  for pair in project_reader=project scan_reader=scan csv_reader=csv preset_reader=preset \
    system_data=systemdata region_table=region settings_file=settings; do
    build/fuzz/fuzz/fuzz_${pair%%=*} -runs=0 "fuzz/seeds/${pair#*=}" 2>&1 | tail -1
  done
fi
