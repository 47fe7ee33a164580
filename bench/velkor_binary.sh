# Sourced by the benchmark scripts from the repository's top folder: sets
# $velkor to the binary given as the first argument, or builds a Release
# binary under build-release/ when none is given.
if [ $# -ge 1 ]; then
  velkor=$(realpath "$1")
else
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF >/dev/null
  cmake --build build-release --target velkor >/dev/null
  velkor=$(pwd)/build-release/velkor
fi
