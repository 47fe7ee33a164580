#!/usr/bin/env bash
# Builds velkor and runs the whole test suite three times: in a release
# build, under AddressSanitizer and UndefinedBehaviorSanitizer, and under
# ThreadSanitizer (optimised, so that the searches of the suite stay quick). Where clang is
# installed, the fuzz targets are built too and each runs briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKOR_SANITIZE=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKOR_SANITIZE_THREAD=ON
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs"

if command -v clang++ >/dev/null; then
  bash fuzz/run_fuzzers.sh 30
fi
