#!/usr/bin/env bash
# Builds velkor and runs it on the example shipped in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
./build/velkor examples/example.fa
