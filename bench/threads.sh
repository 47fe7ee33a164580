#!/usr/bin/env bash
# The speed-up of --threads on the three real benchmark genomes, on a
# synthetic file of 16 records of 2 Mbp each and on the longest chromosome
# of D. discoideum alone (8.5 Mbp): wall time and CPU time (user + system)
# for 1, 2 and N threads (N: the machine's cores, when more than 2),
# medians of RUNS runs (default 5) taken in turn, and a check that every output is the same
# as with one thread. On a machine shared with other work, wall time is what
# the others leave over: the load average is printed before and after, and the
# CPU time shows what the threads cost in all (it should stay that of one
# thread).
#
#   bash bench/threads.sh [VELKOR_BINARY]      MODE=exact|extendExact|imperfect RUNS=5
#
# Without a binary, velkor is built in Release under build-release/. Data:
# $VELKOR_BENCH_DATA (default bench/data/genomes), built by bench/get_data.sh
# when missing. Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${MODE:-imperfect}
runs=${RUNS:-5}

[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)" >&2; exit 1; }
source bench/bench_data.sh
data=$bench_data

source bench/velkor_binary.sh

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

python3 bench/make_synthetic.py --size 32000000 --records 16 --seed 16 --out "$scratch/synth16" >/dev/null
# One long record, which the threads search in parts (in the default mode):
# the longest chromosome of D. discoideum.
awk '/^>/ { keep = ++n == 2 } keep' "$data/dicty_AX4.fa" >"$scratch/dicty_longest.fa"

cores=$(nproc)
thread_counts=(1 2)
[ "$cores" -le 2 ] || thread_counts+=("$cores")

# Runs every thread count on fasta RUNS times, the counts taken in turn, so
# that the load the machine's other work puts on it over the minutes of a
# file falls on every count alike (one count's runs after the other's moved
# a ratio by a fifth from one hour to the next). Appends "wall_seconds
# cpu_seconds" for each run to $scratch/times.T and keeps the outputs of
# the last run in $scratch/out.T for the comparison.
measure_in_turn() {  # fasta
  local fa=$1 i t
  rm -f "$scratch"/times.*
  for ((i = 0; i < runs; i++)); do
    for t in "${thread_counts[@]}"; do
      # One folder for every count: the report names its files.
      rm -rf "$scratch/out" "$scratch/out.$t"
      mkdir "$scratch/out"
      /usr/bin/time -f '%e %U %S' -o "$scratch/time" "$velkor" -q --searchMode "$mode" --threads "$t" "$fa" \
        "$scratch/out/report.txt" --bedFile "$scratch/out/repeats.bed" \
        --maskFile "$scratch/out/masked.fa" 2>"$scratch/stderr" || { cat "$scratch/stderr" >&2; return 1; }
      awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$scratch/time" >>"$scratch/times.$t"
      mv "$scratch/out" "$scratch/out.$t"
    done
  done
}

# The median of a column (1: wall, 2: CPU) of a count's times.
median() {  # threads column
  cut -d' ' -f"$2" "$scratch/times.$1" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

echo "mode $mode, $runs runs each (medians); cores: $cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-20s %7s %8s | %s\n' file records Mbp "threads: wall s, CPU s, speed-up (wall)"
for f in "$data/human_chr22_blocks.fa" "$data/umaydis.fa" "$data/dicty_AX4.fa" "$scratch/synth16.fa" \
  "$scratch/dicty_longest.fa"; do
  name=$(basename "$f" .fa)
  records=$(grep -c '^>' "$f")
  mbp=$(grep -v '^>' "$f" | tr -d '\n\r' | wc -c | awk '{ printf "%.1f", $1 / 1e6 }')
  row=$(printf '%-20s %7s %8s |' "$name" "$records" "$mbp")
  base=""
  measure_in_turn "$f"
  for t in "${thread_counts[@]}"; do
    wall=$(median "$t" 1)
    cpu=$(median "$t" 2)
    [ -n "$base" ] || base=$wall
    row+=$(printf ' %s: %6.2f %6.2f %5.2fx |' "$t" "$wall" "$cpu" "$(awk -v b="$base" -v w="$wall" 'BEGIN { print b / w }')")
    if [ "$t" != 1 ] && ! diff -r "$scratch/out.1" "$scratch/out.$t" >/dev/null; then
      echo "outputs of --threads $t differ from --threads 1 on $name" >&2
      exit 1
    fi
  done
  echo "$row"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
