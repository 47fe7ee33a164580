#!/usr/bin/env bash
# velkor in its three search modes beside tantan (-f4 -w 6, imperfect repeats
# of periods 1 to 6) on the three real benchmark genomes: Mbp/s and peak
# memory, one thread each. Mbp/s is taken from CPU time (user + system),
# which other work on a shared machine inflates far less than wall time.
#
#   bash bench/side_by_side.sh [VELKOR_BINARY]
#
# Without a binary, velkor is built in Release under build-release/. Data:
# $VELKOR_BENCH_DATA (default bench/data/genomes), built by bench/get_data.sh
# when missing. Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."

genomes=(human_chr22_blocks umaydis dicty_AX4)

install_missing() {  # command package
  command -v "$1" >/dev/null && return 0
  local sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "$2" >/dev/null
}
install_missing tantan tantan
[ -x /usr/bin/time ] || install_missing /usr/bin/time time

source bench/bench_data.sh
data=$bench_data

source bench/velkor_binary.sh

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Prints "cpu_seconds peak_MiB" for one command; its output is discarded.
measure() {
  /usr/bin/time -f '%U %S %M' -o "$scratch/time" "$@" >/dev/null 2>"$scratch/stderr" || {
    cat "$scratch/stderr" >&2
    return 1
  }
  awk '{ printf "%.2f %.1f\n", $1 + $2, $3 / 1024 }' "$scratch/time"
}

printf '%-20s %8s | %-22s | %-22s | %-22s | %-22s | %s\n' genome Mbp "tantan -f4 -w 6" "velkor imperfect" \
  "velkor exact" "velkor extendExact" "imperfect vs tantan"
for g in "${genomes[@]}"; do
  fa=$data/$g.fa
  mbp=$(grep -v '^>' "$fa" | tr -d '\n\r' | wc -c | awk '{ print $1 / 1e6 }')
  read -r t_cpu t_mem < <(measure tantan -f4 -w 6 "$fa")
  row=$(printf '%-20s %8.1f | %6.1f Mbp/s %6.0f MiB' "$g" "$mbp" "$(awk -v m="$mbp" -v c="$t_cpu" 'BEGIN { print m / c }')" "$t_mem")
  for mode in imperfect exact extendExact; do
    # Truncating the previous report would charge freeing its pages to this run.
    rm -f "$scratch/report.txt"
    read -r cpu mem < <(measure "$velkor" "$fa" "$scratch/report.txt" --searchMode "$mode")
    [ "$mode" = imperfect ] && imperfect_cpu=$cpu
    row+=$(printf ' | %6.1f Mbp/s %6.0f MiB' "$(awk -v m="$mbp" -v c="$cpu" 'BEGIN { print m / c }')" "$mem")
  done
  row+=$(printf ' | %.2fx' "$(awk -v a="$t_cpu" -v b="$imperfect_cpu" 'BEGIN { print a / b }')")
  echo "$row"
done
