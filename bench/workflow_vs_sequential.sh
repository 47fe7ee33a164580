#!/usr/bin/env bash
# The Snakemake workflow (4 shards per genome, --cores 2) against velkor run on
# the three benchmark genomes one after the other: wall time of each, in
# rounds that alternate which goes first (the machine may be shared, so
# neither side always meets the same load), then a check that every merged
# report and BED file equals the single run's byte for byte.
#
#   bash bench/workflow_vs_sequential.sh VELKOR_BINARY [ROUNDS [VELKOR_OPTION...]]
#
# The options go to every run, e.g. `--maxUnitLen 16` for slow settings.
# Data: $VELKOR_BENCH_DATA (default /work/benchdata). Work files in
# bench/out/workflow/. Not a test.
set -euo pipefail
velkor=$(realpath "$1")
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
options=("$@")
repo=$(cd "$(dirname "$0")/.." && pwd)
data=${VELKOR_BENCH_DATA:-/work/benchdata}
genomes=(dicty_AX4 umaydis human_chr22_blocks)
shards=4
cores=2

work=$repo/bench/out/workflow
rm -rf "$work"
mkdir -p "$work/workflow" "$work/sequential"
ln -s "$data" "$work/workflow/genomes"
ln -s "$data" "$work/sequential/genomes"
{
  echo "velkor: $velkor"
  echo "shards: $shards"
  printf 'options: "%s"\n' "${options[*]:-}"
  echo "genomes:"
  for g in "${genomes[@]}"; do echo "  $g: genomes/$g.fa"; done
} >"$work/config.yaml"

now() { date +%s.%N; }

run_workflow() {
  cd "$work/workflow"
  rm -rf results .snakemake
  local start
  start=$(now)
  snakemake -s "$repo/workflow/Snakefile" --configfile "$work/config.yaml" --cores "$cores" --quiet >../workflow.log 2>&1
  echo "$(now) - $start" | bc
}

run_sequential() {
  cd "$work/sequential"
  rm -rf results
  for g in "${genomes[@]}"; do mkdir -p "results/genomes/$g"; done
  local start
  start=$(now)
  for g in "${genomes[@]}"; do
    "$velkor" "${options[@]}" --bedFile "results/genomes/$g/repeats.bed" "genomes/$g.fa" \
      "results/genomes/$g/report.txt" 2>/dev/null
  done
  echo "$(now) - $start" | bc
}

command -v bc >/dev/null || { echo "bc is needed (apt-get install bc)" >&2; exit 1; }
echo "round  first       sequential_s  workflow_s  ratio"
seq_times=()
wf_times=()
for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then
    first=sequential
    s=$(run_sequential)
    w=$(run_workflow)
  else
    first=workflow
    w=$(run_workflow)
    s=$(run_sequential)
  fi
  seq_times+=("$s")
  wf_times+=("$w")
  printf '%-6s %-11s %12.2f %11.2f %6.2f\n' "$round" "$first" "$s" "$w" "$(echo "$w / $s" | bc -l)"
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ms=$(median "${seq_times[@]}")
mw=$(median "${wf_times[@]}")
printf 'median %-11s %12.2f %11.2f %6.2f\n' "" "$ms" "$mw" "$(echo "$mw / $ms" | bc -l)"

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
