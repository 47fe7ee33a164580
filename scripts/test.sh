#!/usr/bin/env bash
# The whole test suite, as CI runs it: the release suite (test_quick.sh),
# then the suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and under ThreadSanitizer (optimised, so that the searches of the suite
# stay quick). Where clang is installed, the fuzz targets are built too and
# each runs briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/test_quick.sh
jobs=$(nproc)

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
