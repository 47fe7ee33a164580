#!/usr/bin/env bash
# Runs two velkor binaries on the same inputs with many option sets and
# compares what they write byte for byte: the report, the masked file, the
# BED file, standard output, standard error (progress-line times masked) and
# the exit status. Used to show that a speed change alters no output.
#
#   bash bench/compare_outputs.sh BASELINE_BINARY NEW_BINARY [quick]
#
# Outputs are kept under bench/out/compare/<md5 of binary>/, so the baseline
# of an unchanged binary is computed once. "quick" skips the three large
# genomes. Data: $VELKOR_BENCH_DATA (default bench/data/genomes; built by
# bench/get_data.sh when missing);
# the pathological inputs are made by make_pathological.py. JOBS (default 2)
# runs are made at once. Exit status 0 only when every output is identical.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

baseline=$(realpath "$1")
candidate=$(realpath "$2")
quick=${3:-}
jobs=${JOBS:-2}

source bench/bench_data.sh
data=$bench_data
patho=$repo/bench/data/patho10k
if [ ! -s "$patho/tri5.fa" ]; then python3 bench/make_pathological.py 10000 "$patho"; fi
long_array=$repo/bench/data/patho200k
if [ ! -s "$long_array/tri5.fa" ]; then python3 bench/make_pathological.py 200000 "$long_array"; fi
long_units=$repo/bench/data/long_units
if [ ! -s "$long_units/sat171_Ns.fa" ]; then python3 bench/make_long_unit_inputs.py "$long_units" "$data"; fi
# One record of several Mbp, which several threads search in parts: the
# small genomes run together.
one_record=$repo/bench/data/one_record.fa
if [ ! -s "$one_record" ]; then
  {
    echo ">one record"
    for piece in "$data/dicty_chr1_first1Mbp.fa" "$data/human_chr22_first1Mbp.fa" "$data/synth1M_4rec.fa" \
      "$data/random_pirs_1M.fa"; do
      grep -v '>' "$piece"
    done
  } >"$one_record.tmp"
  mv "$one_record.tmp" "$one_record"
fi

# One case per line: name, input file, velkor options (tab separated).
list_cases() {
  local small=(dicty_chr1_first1Mbp human_chr22_first1Mbp synth1M_4rec human_GRCh37_mini random_pirs_1M)
  local variants=(
    "" "--outputFormat 0" "--outputFormat 2" "--reportUnit 0" "--reportUnit 1" "-D" "-m -3 -g -4"
    "-r 3" "-r 7" "-U 10" "--maskX --bedFile out.bed" "-f 5 --printRepeatSeqMode 1"
    "--printRepeatSeqMode 0 -u 2 -U 4" "-N 0" "--NsAsMissense -s 10" "-R 12 -l 20"
    "--NPerfectionMode 1 --minScore_a 3 --minScore_b 1.5" "-m -2 -g -2 -D -r 4"
    "--threads 2 --maskX --bedFile out.bed" "--threads 3 -U 10 -f 5")
  local mode genome v i
  for mode in exact extendExact imperfect; do
    if [ "$quick" != quick ]; then
      for genome in dicty_AX4 umaydis human_chr22_blocks; do
        printf '%s\t%s\t%s\n' "$genome.$mode" "$data/$genome.fa" "--searchMode $mode"
      done
    fi
    for genome in "${small[@]}"; do
      i=0
      for v in "${variants[@]}"; do
        printf '%s\t%s\t%s\n' "$genome.$mode.v$i" "$data/$genome.fa" "--searchMode $mode $v"
        i=$((i + 1))
      done
    done
    for genome in mono di tri5 allN; do
      printf '%s\t%s\t%s\n' "patho_$genome.$mode" "$patho/$genome.fa" "--searchMode $mode"
    done
  done
  # A repeat over a whole 200 kbp array: its alignment is written in pieces.
  for v in "" "-f 1000 --printRepeatSeqMode 1" "--outputFormat 1 -f 7"; do
    printf '%s\t%s\t%s\n' "long_tri5.imperfect.${v//[^a-z0-9]/_}" "$long_array/tri5.fa" "$v"
  done
  for v in "" "--threads 2" "--threads 3 -U 10 -f 5" "--threads 2 --maskX --bedFile out.bed" \
    "--threads 2 -m -4 -g -5 -r 3" "--threads 2 --NsAsMissense -s 10" "--threads 2 -u 12 -U 14" \
    "-M exact --threads 2 --maskX --bedFile out.bed" "-M exact --threads 3 -U 40 -N 0" \
    "-M exact --threads 2 -u 1 -s 3 --minScore_b 0"; do
    printf '%s\t%s\t%s\n' "one_record.${v//[^a-z0-9]/_}" "$one_record" "$v"
  done
  # Long units on a satellite array: the imperfect search's walks follow the
  # trails of neighbouring starts, whose units differ at one phase.
  for mode in exact extendExact imperfect; do
    printf '%s\t%s\t%s\n' "patho_sat171.$mode" "$patho/sat171.fa" "--searchMode $mode -U 200"
  done
  list_long_unit_cases
}

# Minisatellites and satellites: pieces of the real genomes (kept small, as
# long units cost much there) and made-up arrays of several unit lengths,
# mutation rates and N runs, under the options that change the walks.
list_long_unit_cases() {
  local genome mode u sat v i
  local -A piece_of=([20]=20k [50]=20k [100]=10k [200]=10k)
  local -A unit_for=([23]=50 [64]=100 [171]=200)
  local variants=("-m -2 -g -2" "-m -2 -g -6" "-m -6 -g -2" "-R 12" "-R 3" "--NsAsMissense" "-N 0" "-N 1 -r 2"
    "-s 40 --minScore_b 0.5 -l 60" "--minScore_b 1.5" "-r 9" "-u 30")
  for genome in human dicty umaydis; do
    for mode in exact extendExact imperfect; do
      for u in 20 50 100 200; do
        printf '%s\t%s\t%s\n' "lu_${genome}_U$u.$mode" "$long_units/piece_${genome}_${piece_of[$u]}.fa" \
          "--searchMode $mode -U $u"
      done
    done
  done
  for sat in 23 64 171; do
    for v in 02 10 Ns; do
      for mode in exact extendExact imperfect; do
        printf '%s\t%s\t%s\n' "lu_sat${sat}_$v.$mode" "$long_units/sat${sat}_$v.fa" \
          "--searchMode $mode -U ${unit_for[$sat]}"
      done
    done
  done
  i=0
  for v in "${variants[@]}"; do
    for mode in extendExact imperfect; do
      printf '%s\t%s\t%s\n' "lu_sat64_10.$mode.v$i" "$long_units/sat64_10.fa" "--searchMode $mode -U 100 $v"
      printf '%s\t%s\t%s\n' "lu_sat171_Ns.$mode.v$i" "$long_units/sat171_Ns.fa" "--searchMode $mode -U 200 $v"
      printf '%s\t%s\t%s\n' "lu_human_U50.$mode.v$i" "$long_units/piece_human_10k.fa" "--searchMode $mode -U 50 $v"
    done
    i=$((i + 1))
  done
}

# Runs one case in its own directory; the input is linked under a fixed name
# so that the file names in the report are the same for both binaries.
run_case() {
  local binary=$1 root=$2 name input args dir
  IFS=$'\t' read -r name input args <<<"$3"
  dir=$root/$name
  [ -e "$dir/.done" ] && return 0
  rm -rf "$dir" && mkdir -p "$dir"
  ln -s "$input" "$dir/in.fa"
  set +e
  (cd "$dir" && eval "\"$binary\" in.fa report.txt $args" >stdout 2>stderr.raw)
  echo $? >"$dir/status"
  set -e
  # Times masked; after the first progress line, the next come once a minute
  # of wall-clock time, so a faster binary writes fewer: they are dropped.
  sed -E 's/^[0-9]{2,}\.[0-9]{2}\.[0-9]{2} - #/HH.MM.SS - #/' "$dir/stderr.raw" |
    awk '/^HH\.MM\.SS - #/ && seen++ { next } { print }' >"$dir/stderr"
  rm -f "$dir/stderr.raw" "$dir/in.fa"
  touch "$dir/.done"
}
export -f run_case

outputs_of() {
  local binary=$1 root
  root=$repo/bench/out/compare/$(md5sum "$binary" | cut -c1-12)
  mkdir -p "$root"
  list_cases | tr '\n' '\0' | xargs -0 -P "$jobs" -I{} bash -c 'run_case "$1" "$2" "$3"' _ "$binary" "$root" {}
  echo "$root"
}

base_root=$(outputs_of "$baseline")
new_root=$(outputs_of "$candidate")
cases=0
differing=0
while IFS=$'\t' read -r name _; do
  cases=$((cases + 1))
  diff -r -q "$base_root/$name" "$new_root/$name" || differing=$((differing + 1))
done < <(list_cases)
if [ "$differing" -eq 0 ]; then
  echo "identical: $cases cases ($base_root vs $new_root)"
else
  echo "DIFFERENT outputs in $differing of $cases cases ($base_root vs $new_root)"
  exit 1
fi
