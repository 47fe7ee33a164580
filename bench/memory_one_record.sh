#!/usr/bin/env bash
# Peak memory on one long record: the three benchmark genomes joined into a
# single record, COPIES times over (default 3: about 225 Mbp), searched in
# each mode. Prints the maximum resident set size and the bytes per residue
# it comes to; the aim is at most 2.2 bytes per residue plus 30 MB. Not a
# test.
#
#   bash bench/memory_one_record.sh [VELKOR_BINARY] [COPIES] ["OPTIONS" ...]
#
# Each OPTIONS string is one run (default: the three modes, and the default
# mode with units up to 12).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/velkor_binary.sh
copies=${2:-3}
shift $(($# < 2 ? $# : 2))
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=("" "-U 12" "--searchMode exact" "--searchMode extendExact")
source bench/bench_data.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

record=$work/joined.fa
{
  echo ">joined"
  for _ in $(seq "$copies"); do
    for genome in human_chr22_blocks umaydis dicty_AX4; do grep -v '>' "$bench_data/$genome.fa"; done
  done
} >"$record"
residues=$(grep -v '>' "$record" | tr -d '\n' | wc -c)
echo "one record of $residues residues ($copies copies of the three genomes)"
printf '| options | peak KiB | bytes per residue | aim KiB |\n|---|---:|---:|---:|\n'
aim_kib=$(awk -v n="$residues" 'BEGIN { printf "%d", (2.2 * n + 30e6) / 1024 }')
for options in "${runs[@]}"; do
  # shellcheck disable=SC2086  # the options are words
  /usr/bin/time -f %M -o "$work/peak" "$velkor" -q "$record" "$work/report" $options
  peak=$(tail -1 "$work/peak")
  printf '| %s | %s | %s | %s |\n' "${options:-(default)}" "$peak" \
    "$(awk -v k="$peak" -v n="$residues" 'BEGIN { printf "%.2f", k * 1024 / n }')" "$aim_kib"
done
