#!/usr/bin/env bash
# Builds velkor with its tests and runs them once in a release build: the
# unit tests, the end-to-end cases and the checks with other tools. A few
# minutes; scripts/test.sh runs the same and then the sanitizer builds and
# the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
