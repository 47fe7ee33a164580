#!/usr/bin/env bash
# CPU time (user + system) of two velkor binaries on the three large
# benchmark genomes, in every search mode, on one thread: the two binaries
# run in turn, RUNS times each (default 5), and the table gives the medians
# and the change from OLD to NEW. Taken in turn, each first in every other
# round, both see the same load of a shared machine. The times come from the kernel's account of the child
# (wait4), to the microsecond: /usr/bin/time rounds to hundredths, too
# coarse for runs of a tenth of a second.
#
#   bash bench/cpu_time_compare.sh OLD_BINARY NEW_BINARY [GENOME|MODE ...]
#
# Naming genomes (human_chr22_blocks, umaydis, dicty_AX4) or modes (exact,
# extendExact, imperfect, arrays) limits the table to them; all by default.
# Data: $VELKOR_BENCH_DATA (default bench/data/genomes; built by
# bench/get_data.sh when missing). The reports go to a temporary folder,
# removed at the end. Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."

all_genomes=(human_chr22_blocks umaydis dicty_AX4)
all_modes=(exact extendExact imperfect arrays)

if [ $# -lt 2 ]; then
  echo "usage: bash bench/cpu_time_compare.sh OLD_BINARY NEW_BINARY [GENOME|MODE ...]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
for binary in "$old" "$new"; do
  if [ ! -f "$binary" ] || [ ! -x "$binary" ]; then
    echo "not an executable file: $binary" >&2
    exit 2
  fi
done
runs=${RUNS:-5}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS is a whole number of runs, e.g. 5" >&2; exit 2; }

genomes=()
modes=()
for name in "$@"; do
  if [[ " ${all_genomes[*]} " == *" $name "* ]]; then
    genomes+=("$name")
  elif [[ " ${all_modes[*]} " == *" $name "* ]]; then
    modes+=("$name")
  else
    echo "unknown genome or mode '$name' (genomes: ${all_genomes[*]}; modes: ${all_modes[*]})" >&2
    exit 2
  fi
done
[ ${#genomes[@]} -gt 0 ] || genomes=("${all_genomes[@]}")
[ ${#modes[@]} -gt 0 ] || modes=("${all_modes[@]}")

source bench/bench_data.sh
data=$bench_data

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Prints the user + system CPU seconds of one command, its standard output
# discarded; on failure shows its standard error and fails.
cpu_seconds() {
  python3 - "$scratch/stderr" "$@" <<'EOF'
import os, subprocess, sys
with open(sys.argv[1], "wb") as err:
    child = subprocess.Popen(sys.argv[2:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
if child.returncode != 0:
    sys.stderr.write(open(sys.argv[1], errors="replace").read())
    sys.exit(f"exit status {child.returncode}: {' '.join(sys.argv[2:])}")
print(f"{usage.ru_utime + usage.ru_stime:.4f}")
EOF
}

median() {  # file of one number a line
  sort -g "$1" | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "CPU seconds (user + system), one thread, medians of $runs runs taken in turn"
echo "OLD: $old"
echo "NEW: $new"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-20s %-12s %11s %11s %9s\n' input mode "median OLD" "median NEW" change
for genome in "${genomes[@]}"; do
  for mode in "${modes[@]}"; do
    : >"$scratch/old.times"
    : >"$scratch/new.times"
    for ((run = 0; run < runs; run++)); do
      # Each goes first in every other round, so that neither gains from its place.
      order=(old new)
      ((run % 2 == 0)) || order=(new old)
      for which in "${order[@]}"; do
        [ "$which" = old ] && binary=$old || binary=$new
        # Truncating the previous report would charge freeing its pages to this run.
        rm -f "$scratch/report.txt"
        cpu_seconds "$binary" "$data/$genome.fa" "$scratch/report.txt" --searchMode "$mode" --threads 1 \
          >>"$scratch/$which.times"
      done
    done
    old_median=$(median "$scratch/old.times")
    new_median=$(median "$scratch/new.times")
    awk -v g="$genome" -v m="$mode" -v o="$old_median" -v n="$new_median" 'BEGIN {
        printf "%-20s %-12s %9.3f s %9.3f s %+7.1f %%\n", g, m, o, n, (o > 0 ? (n - o) / o * 100 : 0) }'
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
