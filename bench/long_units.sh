#!/usr/bin/env bash
# Long units side by side: velkor's imperfect mode with -U 20, 50, 100 and
# 200 against trf (periods up to 500) on the first bytes of human chr22, and
# velkor -U 200 on mutated arrays of a 171-bp satellite of growing length.
# User CPU seconds, one thread each, so other work on a shared machine
# inflates the figures little. Not a test.
#
#   bash bench/long_units.sh VELKOR_BINARY [BYTES] [SATELLITE_SIZES]
#
# BYTES (default 200000) are taken from the head of human_chr22_blocks.fa;
# "all" takes the whole file. SATELLITE_SIZES (default "2000 4000 8000
# 16000") are array lengths in residues, made by make_pathological.py (2 %
# substitutions, fixed seed); 513000 is the 3,000-copy array. Data:
# $VELKOR_BENCH_DATA (default bench/data/genomes), built by bench/get_data.sh
# when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

velkor=$(realpath "$1")
bytes=${2:-200000}
sizes=${3:-2000 4000 8000 16000}
source bench/bench_data.sh
data=$bench_data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v trf >/dev/null || { echo "trf is not installed (Debian package trf)" >&2; exit 2; }

# User CPU seconds of a command run in the scratch directory, output dropped.
cpu_seconds() {
  (cd "$work" && /usr/bin/time -f %U -o "$work/time" "$@" >/dev/null 2>&1) || true
  cat "$work/time" | tail -1
}

genome=$work/human.fa
if [ "$bytes" = all ]; then cp "$data/human_chr22_blocks.fa" "$genome"; else head -c "$bytes" "$data/human_chr22_blocks.fa" >"$genome"; fi
residues=$(grep -v '>' "$genome" | tr -d '\n' | wc -c)
trf_seconds=$(cpu_seconds trf "$genome" 2 7 7 80 10 50 500 -h -ngs)
echo "human chr22, $residues residues: trf (periods up to 500) $trf_seconds s"
printf '| -U | velkor s | velkor / trf |\n|---|---|---|\n'
for u in 20 50 100 200; do
  s=$(cpu_seconds "$velkor" "$genome" "$work/report" -U "$u")
  printf '| %s | %s | %s |\n' "$u" "$s" "$(awk -v a="$s" -v b="$trf_seconds" 'BEGIN { printf (b > 0 ? "%.1f" : "-"), a / b }')"
done

echo
echo "171-bp satellite, 2 % substitutions, velkor -U 200 (trf beside it)"
printf '| residues | velkor s | kbp/s | trf s |\n|---|---|---|---|\n'
for size in $sizes; do
  dir=$repo/bench/data/sat171_$size
  [ -s "$dir/sat171.fa" ] || python3 bench/make_pathological.py "$size" "$dir" >/dev/null
  s=$(cpu_seconds "$velkor" "$dir/sat171.fa" "$work/report" -U 200)
  t=$(cpu_seconds trf "$dir/sat171.fa" 2 7 7 80 10 50 500 -h -ngs)
  printf '| %s | %s | %s | %s |\n' "$size" "$s" "$(awk -v n="$size" -v a="$s" 'BEGIN { printf (a > 0 ? "%.1f" : "-"), n / a / 1000 }')" "$t"
done
