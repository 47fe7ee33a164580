#!/usr/bin/env bash
# Builds velkor (the program alone, without its tests) and runs it on the
# example shipped in examples/: the report goes to standard output, the
# parameters and progress to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup_build.sh

log=build/build.log
mkdir -p build
echo "Building velkor (the compiler's output goes to $log) ..."
if ! { cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF &&
       cmake --build build --target velkor -j "$(nproc)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "The build failed (its output is above)." >&2
  exit 1
fi
echo "Running: build/velkor examples/example.fa"
./build/velkor examples/example.fa
