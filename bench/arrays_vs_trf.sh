#!/usr/bin/env bash
# velkor's arrays mode (-M arrays -u 1 -U 2000) beside trf (periods up to
# 2,000: trf FILE 2 7 7 80 10 50 2000 -h -ngs) on real genomes, on planted
# arrays and on 171-bp satellites. Prints:
#   1. real DNA: the share of trf's residues (calls of period 7 to 2,000 and
#      50 bp or more) that velkor's calls cover, and the share of velkor's
#      residues (calls of 50 bp or more) in trf's calls or in calls that pass
#      a check of their own (arrays_vs_trf.py says which), then the largest
#      misses on both sides;
#   2. planted arrays: recall and precision in residues per divergence band;
#   3. planted arrays: how many one call covers with the planted period,
#      whether the periods reported lean short or long, and velkor's misses;
#   4. user CPU seconds (one thread) and peak memory of both on every input,
#      the satellite series, and bytes per residue of the largest record.
#
#   bash bench/arrays_vs_trf.sh VELKOR_BINARY [quick]
#
# "quick" takes 200 kbp of each genome, 40 planted arrays and the satellites
# of 8 and 16 kbp. VELKOR_MODE (default arrays) chooses the search mode, for
# trying the script with another one; a velkor run that takes longer than
# VELKOR_TIMEOUT seconds (default 1800) is stopped and shown as failed.
# REPEATS (default 1) runs both programs that many times per input and keeps
# the least user time (with that run's peak memory).
# Inputs and both programs' calls stay under bench/out/arrays_vs_trf/; trf's
# runs, which do not change, are kept and reused (their times too), velkor's
# are kept per binary. Data: $VELKOR_BENCH_DATA (default bench/data/genomes),
# built by bench/get_data.sh when missing. Not a test.
set -euo pipefail
cd "$(dirname "$0")/.."

velkor=$(realpath "$1")
quick=${2:-}
mode=${VELKOR_MODE:-arrays}
repeats=${REPEATS:-1}
command -v trf >/dev/null || { echo "trf is not installed (Debian package trf)" >&2; exit 2; }
source bench/bench_data.sh
data=$bench_data

out=$(pwd)/bench/out/arrays_vs_trf
inputs=$out/inputs${quick:+_quick}
velkor_runs=$out/velkor${quick:+_quick}/$( (md5sum <"$velkor"; echo "$mode $repeats") | md5sum | cut -c1-12)
mkdir -p "$inputs" "$out/trf" "$velkor_runs"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
helper="python3 bench/arrays_vs_trf.py"

# ---------------------------------------------------------------- inputs

# The first RESIDUES residues of a FASTA file, records and names as they are.
head_residues() {  # in residues out
  awk -v want="$2" '/^>/ { if (seen < want) print; next }
    seen < want { line = $0; if (seen + length(line) > want) line = substr(line, 1, want - seen)
                  print line; seen += length(line) }' "$1" >"$3"
}

if [ -n "$quick" ]; then genome_size=200000; arrays=40; sat_sizes="8000 16000"
else genome_size=1000000; arrays=300; sat_sizes="8000 16000 32000 64000 513000"; fi

[ -s "$inputs/human.fa" ] || head_residues "$data/human_chr22_first1Mbp.fa" "$genome_size" "$inputs/human.fa"
[ -s "$inputs/dicty.fa" ] || head_residues "$data/dicty_chr1_first1Mbp.fa" "$genome_size" "$inputs/dicty.fa"
[ -s "$inputs/umaydis.fa" ] || head_residues "$data/umaydis.fa" $((5 * genome_size)) "$inputs/umaydis.fa"
[ -s "$inputs/umaydis_1.fa" ] || head_residues "$data/umaydis.fa" "$genome_size" "$inputs/umaydis_1.fa"
[ -s "$inputs/truth.fa" ] || python3 bench/make_arrays_truth.py truth "$inputs/truth" "$data" --arrays "$arrays"
[ -s "$out/sat/sat171.truth.bed" ] || python3 bench/make_arrays_truth.py satellites "$out/sat"

# ---------------------------------------------------------------- runs

# Runs a measured command REPEATS - 1 more times, its output dropped, and
# keeps in TIME_FILE the /usr/bin/time -v report of the run with the least
# user time: on a shared machine the least is the fairest.
retime() {  # time_file command...
  local time_file=$1 run
  shift
  for ((run = 2; run <= repeats; run++)); do
    rm -f "$scratch/report" "$scratch/bed"  # freeing the last run's pages is not this run's work
    /usr/bin/time -v -o "$scratch/again" "$@" >/dev/null 2>&1 || true
    if awk '/User time/ { u[FILENAME] = $NF } END { exit !(u[ARGV[1]] < u[ARGV[2]]) }' \
         "$scratch/again" "$time_file"; then
      mv "$scratch/again" "$time_file"
    fi
  done
}

# "user_seconds peak_kB" of the last measured run, from /usr/bin/time -v.
time_of() {
  awk -F': ' '/User time/ { u = $2 } /Maximum resident/ { m = $2 } END { print u, m }' "$1"
}

# trf's calls and time for one input, computed once per input's contents.
run_trf() {  # fasta -> prints the path prefix of its results
  local key
  key=$out/trf/$(md5sum <"$1" | cut -c1-12)
  [ "$repeats" = 1 ] || key+=_least_of_$repeats
  if [ ! -s "$key.time" ]; then
    # trf's exit status is not a success flag (it is non-zero after a good
    # run); the time file and the calls are what show it ran.
    (cd "$scratch" && /usr/bin/time -v -o "$key.time.tmp" trf "$1" \
      2 7 7 80 10 50 2000 -h -ngs >"$scratch/trf.out" 2>/dev/null) || true
    grep -q '^@' "$scratch/trf.out" || { echo "trf failed on $1" >&2; return 1; }
    $helper calls "$scratch/trf.out" >"$key.calls"
    (cd "$scratch" && retime "$key.time.tmp" trf "$1" 2 7 7 80 10 50 2000 -h -ngs)
    mv "$key.time.tmp" "$key.time"
  fi
  echo "$key"
}

# velkor's calls and time for one input, once per binary and mode.
run_velkor() {  # fasta name -> prints the path prefix of its results, or fails
  local key=$velkor_runs/$2
  if [ ! -s "$key.time" ]; then
    rm -f "$scratch/report" "$scratch/bed"
    if ! /usr/bin/time -v -o "$key.time.tmp" timeout "${VELKOR_TIMEOUT:-1800}" \
         "$velkor" "$1" "$scratch/report" -M "$mode" -u 1 -U 2000 \
         --bedFile "$scratch/bed" 2>"$key.stderr" >/dev/null; then
      echo "velkor failed on $1 (status in $key.time.tmp, messages in $key.stderr)" >&2
      tail -3 "$key.stderr" >&2
      return 1
    fi
    $helper calls --bed "$scratch/bed" >"$key.calls"
    retime "$key.time.tmp" "$velkor" "$1" "$scratch/report" -M "$mode" -u 1 -U 2000 --bedFile "$scratch/bed"
    mv "$key.time.tmp" "$key.time"
  fi
  echo "$key"
}

residues_of() {  # fasta -> "total largest_record"
  awk '/^>/ { if (n > max) max = n; n = 0; next } { t += length($0); n += length($0) }
       END { if (n > max) max = n; print t, max }' "$1"
}

# ---------------------------------------------------------------- goal 1

echo "velkor: $velkor -M $mode -u 1 -U 2000 ($(basename "$velkor_runs"))"
echo "trf: trf FILE 2 7 7 80 10 50 2000 -h -ngs"
echo
echo "1. Real DNA (first $((genome_size / 1000)) kbp of human chr22 pieces and D. discoideum, first $((5 * genome_size / 1000)) kbp of U. maydis)"
echo
echo "| input | trf residues (period 7-2000, >= 50 bp) | covered by velkor | velkor residues (>= 50 bp) | in trf calls | in trf calls or strict check | in trf calls or loose check |"
echo "|---|---:|---:|---:|---:|---:|---:|"
: >"$scratch/details"
for g in human dicty umaydis; do
  t=$(run_trf "$inputs/$g.fa")
  if v=$(run_velkor "$inputs/$g.fa" "$g"); then
    $helper real "$g" "$inputs/$g.fa" "$t.calls" "$v.calls" 2>>"$scratch/details"
  else
    echo "| $g | | velkor failed | | | | |"
  fi
done
echo
cat "$scratch/details"

# ---------------------------------------------------------------- goals 2, 3

echo
echo "2, 3. Planted arrays ($inputs/truth.fa)"
echo
t=$(run_trf "$inputs/truth.fa")
if v=$(run_velkor "$inputs/truth.fa" truth); then
  $helper truth "$inputs/truth.truth.bed" "$t.calls" "$v.calls"
fi

# ---------------------------------------------------------------- goal 4

echo
echo "4. Speed and memory: user CPU seconds (one thread), peak resident memory"
echo
echo "| input | residues | largest record | trf s | trf MiB | velkor s | velkor s per Mbp | velkor MiB | trf s / velkor s | velkor bytes per residue of largest record | limit MiB (2.2 B/residue + 30 MB) |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
speed_row() {  # fasta name [velkor only]
  local t_s=- t_kb=- v_s=- v_kb=-
  read -r total largest < <(residues_of "$1")
  if [ -z "${3:-}" ]; then read -r t_s t_kb < <(time_of "$(run_trf "$1").time"); fi
  if v=$(run_velkor "$1" "$2" 2>/dev/null); then read -r v_s v_kb < <(time_of "$v.time"); fi
  awk -v n="$2" -v total="$total" -v big="$largest" -v ts="$t_s" -v tk="$t_kb" -v vs="$v_s" -v vk="$v_kb" 'BEGIN {
    mib = 1048576
    printf "| %s | %d | %d | %s | %s | %s | %s | %s | %s | %s | %.0f |\n", n, total, big, ts,
      (tk == "-" ? "-" : sprintf("%.0f", tk * 1024 / mib)), vs,
      (vs == "-" ? "-" : sprintf("%.2f", vs / total * 1e6)),
      (vk == "-" ? "-" : sprintf("%.0f", vk * 1024 / mib)),
      (ts == "-" || vs == "-" ? "-" : (vs > 0 ? sprintf("%.1fx", ts / vs) : "-")),
      (vk == "-" ? "-" : sprintf("%.1f", vk * 1024 / big)), (2.2 * big + 30e6) / mib }'
}
speed_row "$inputs/human.fa" human
speed_row "$inputs/dicty.fa" dicty
speed_row "$inputs/umaydis_1.fa" umaydis_1 velkor-only
speed_row "$inputs/umaydis.fa" umaydis
speed_row "$inputs/truth.fa" truth

echo
echo "171-bp satellite, whole record, velkor -U 2000 beside trf; 'one call': a call covering >= 95 % with period 171"
echo
echo "| array | residues | trf s | velkor s | velkor kbp/s | velkor MiB | trf one call | velkor one call |"
echo "|---|---:|---:|---:|---:|---:|---|---|"
for divergence in 2 10indel; do
  for size in $sat_sizes; do
    name=sat171_${divergence}_$size
    fa=$out/sat/$name.fa
    awk -v f="$name" '$8 == f' "$out/sat/sat171.truth.bed" >"$scratch/one.truth"
    t=$(run_trf "$fa")
    read -r t_s t_kb < <(time_of "$t.time")
    t_found=$($helper verdict "$scratch/one.truth" "$t.calls")
    if v=$(run_velkor "$fa" "$name" 2>/dev/null); then
      read -r v_s v_kb < <(time_of "$v.time")
      v_found=$($helper verdict "$scratch/one.truth" "$v.calls")
    else
      v_s=- v_kb=- v_found="velkor failed"
    fi
    awk -v n="$name" -v size="$size" -v ts="$t_s" -v vs="$v_s" -v vk="$v_kb" -v tf="$t_found" -v vf="$v_found" 'BEGIN {
      printf "| %s | %d | %s | %s | %s | %s | %s | %s |\n", n, size, ts, vs,
        (vs == "-" ? "-" : (vs > 0 ? sprintf("%.0f", size / vs / 1000) : "-")),
        (vk == "-" ? "-" : sprintf("%.0f", vk / 1024)), tf, vf }'
  done
done
