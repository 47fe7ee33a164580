#!/usr/bin/env bash
# Throughput and peak memory of velkor on a reproducible synthetic genome.
#
#   bash bench/run_bench.sh [SIZE_MBP] [MODE] [EXTRA VELKOR OPTIONS...]
#
# SIZE_MBP (default 100) is the genome size in million residues, MODE one of
# exact, extendExact, imperfect or all (default exact). The genome is random
# DNA with about 500 planted repeats per Mbp and a few N runs, made by
# make_synthetic.py with a fixed seed and kept under bench/data/ for later
# runs. velkor is built in Release under build-release/. Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."

size_mbp=${1:-100}
mode=${2:-exact}
shift $(( $# < 2 ? $# : 2 ))
case "$mode" in
  exact | extendExact | imperfect) modes=("$mode") ;;
  all) modes=(exact extendExact imperfect) ;;
  *) echo "unknown search mode '$mode' (exact, extendExact, imperfect or all)" >&2; exit 2 ;;
esac
if ! [[ "$size_mbp" =~ ^[1-9][0-9]*$ ]]; then
  echo "the size is a whole number of Mbp, e.g. 100" >&2
  exit 2
fi

if [ ! -x /usr/bin/time ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq time
fi

genome=bench/data/synth${size_mbp}M
if [ ! -s "$genome.fa" ]; then
  mkdir -p bench/data
  python3 bench/make_synthetic.py --size $((size_mbp * 1000000)) --seed 1 --records 4 \
    --n-runs $((size_mbp * 20)) --out "$genome"
fi

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKOR_TESTS=OFF >/dev/null
cmake --build build-release --target velkor >/dev/null

mkdir -p bench/out
residues=$(grep -v '^>' "$genome.fa" | tr -d '\n' | wc -c)
for m in "${modes[@]}"; do
  report=bench/out/synth${size_mbp}M.$m.txt
  log=bench/out/synth${size_mbp}M.$m.time
  /usr/bin/time -v build-release/velkor "$genome.fa" "$report" --searchMode "$m" "$@" 2>"$log" >/dev/null
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
      n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$log")
  cpu_seconds=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$log")
  peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  repeats=$(grep -cE '^ *[0-9a-z-]+nucleotide ' "$report" || true)
  awk -v m="$m" -v r="$residues" -v s="$seconds" -v c="$cpu_seconds" -v kb="$peak_kb" -v n="$repeats" 'BEGIN {
      printf "%-12s %8.1f Mbp  %8.2f s wall  %8.2f s cpu  %8.2f Mbp/s  peak %8.1f MiB  %d repeats\n",
             m, r / 1e6, s, c, (s > 0 ? r / 1e6 / s : 0), kb / 1024, n }'
done
