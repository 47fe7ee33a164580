#!/usr/bin/env bash
# Installs what building velkor needs, and nothing more: the compiler, CMake,
# Ninja, the command-line parser's headers and zlib (compressed input).
set -euo pipefail
bash "$(dirname "$0")/install_packages.sh" --lean cmake ninja-build g++ libtclap-dev zlib1g-dev
