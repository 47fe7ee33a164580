#!/usr/bin/env bash
# The Snakemake workflow (4 shards per genome, --cores 2) against velkor run on
# the three benchmark genomes one after the other: wall time of each, in
# rounds that alternate which goes first (the machine may be shared, so
# neither side always meets the same load), with the CPU time (user + system,
# velkor and Snakemake included) and the load average before each run, then a
# check that every merged report and BED file equals the single run's byte for
# byte. On a machine that others use too, wall times follow their load: a
# ratio holds only for runs that met the same load.
#
#   bash bench/workflow_vs_sequential.sh VELKOR_BINARY [ROUNDS [VELKOR_OPTION...]]
#
# The options go to every run, e.g. `--maxUnitLen 16` for slow settings.
# Where the kernel shares the processors between sessions (autogroup), all
# the processes of one session share one session's part, so on a busy
# machine two shard jobs run no faster than one: VELKOR_BENCH_OWN_SESSIONS=1
# starts every velkor run, the sequential ones too, in a session of its own,
# which gives the workflow's two jobs the two parts two free cores would.
# Data: $VELKOR_BENCH_DATA (default bench/data/genomes, built by
# bench/get_data.sh when missing). Work files in
# bench/out/workflow/. Not a test.
set -euo pipefail
velkor=$(realpath "$1")
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
options=("$@")
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/bench/bench_data.sh"
data=$bench_data
genomes=(dicty_AX4 umaydis human_chr22_blocks)
shards=4
cores=2

work=$repo/bench/out/workflow
rm -rf "$work"
mkdir -p "$work/workflow" "$work/sequential"
if [ "${VELKOR_BENCH_OWN_SESSIONS:-0}" = 1 ]; then
  printf '#!/bin/sh\nexec setsid -w %q "$@"\n' "$velkor" >"$work/velkor"
  chmod +x "$work/velkor"
  velkor=$work/velkor
fi
ln -s "$data" "$work/workflow/genomes"
ln -s "$data" "$work/sequential/genomes"
{
  echo "velkor: $velkor"
  echo "shards: $shards"
  printf 'options: "%s"\n' "${options[*]:-}"
  echo "genomes:"
  for g in "${genomes[@]}"; do echo "  $g: genomes/$g.fa"; done
} >"$work/config.yaml"

# measure LOG COMMAND...: runs the command with its output in LOG and prints
# "wall_seconds cpu_seconds load_before".
measure() {
  local log=$1 load start
  shift
  load=$(cut -d' ' -f1 /proc/loadavg)
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S' -o "$work/time.txt" "$@" >"$log" 2>&1
  echo "$(echo "$(date +%s.%N) - $start" | bc) $(awk '{print $1 + $2}' "$work/time.txt") $load"
}

run_workflow() {
  cd "$work/workflow"
  rm -rf results .snakemake
  measure "$work/workflow.log" \
    snakemake -s "$repo/workflow/Snakefile" --configfile "$work/config.yaml" --cores "$cores" --quiet
}

sequential_runs() {
  for g in "${genomes[@]}"; do
    "$velkor" "${options[@]}" --bedFile "results/genomes/$g/repeats.bed" "genomes/$g.fa" \
      "results/genomes/$g/report.txt" 2>/dev/null
  done
}

run_sequential() {
  cd "$work/sequential"
  rm -rf results
  for g in "${genomes[@]}"; do mkdir -p "results/genomes/$g"; done
  measure "$work/sequential.log" bash -c "$(declare -p velkor options genomes); $(declare -f sequential_runs); sequential_runs"
}

for tool in bc /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (apt-get install ${tool##*/})" >&2; exit 1; }
done
echo "round  first       sequential_s (cpu_s, load)  workflow_s (cpu_s, load)  ratio"
seq_times=()
wf_times=()
for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then
    first=sequential
    read -r s s_cpu s_load < <(run_sequential)
    read -r w w_cpu w_load < <(run_workflow)
  else
    first=workflow
    read -r w w_cpu w_load < <(run_workflow)
    read -r s s_cpu s_load < <(run_sequential)
  fi
  seq_times+=("$s")
  wf_times+=("$w")
  printf '%-6s %-11s %12.2f (%6.2f, %4.1f) %10.2f (%6.2f, %4.1f) %6.2f\n' "$round" "$first" "$s" "$s_cpu" "$s_load" \
    "$w" "$w_cpu" "$w_load" "$(echo "$w / $s" | bc -l)"
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ms=$(median "${seq_times[@]}")
mw=$(median "${wf_times[@]}")
printf 'median %-11s %12.2f %25.2f %20.2f\n' "" "$ms" "$mw" "$(echo "$mw / $ms" | bc -l)"

status=0
for g in "${genomes[@]}"; do
  for f in report.txt repeats.bed; do
    if cmp -s "$work/workflow/results/genomes/$g/$f" "$work/sequential/results/genomes/$g/$f"; then
      echo "identical: $g/$f"
    else
      echo "DIFFERENT: $g/$f"
      status=1
    fi
  done
done
exit $status
