#!/usr/bin/env bash
# Hostile-input suite: velkor on pathological files and extreme option values,
# generated from a fixed seed into a scratch directory. Every case must end
# within its time limit, with the expected exit status and nothing from the
# sanitizers; a successful run must leave a complete report, a failed one a
# message. `quick` (CTest) uses 1 Mbp records, `long` 12 Mbp ones, beyond the
# first residue buffer:  bash tests/hostile/hostile.sh VELKOR quick|long
set -uo pipefail
velkor=$(realpath "$1")
scale=${2:-quick}
here=$(cd "$(dirname "$0")" && pwd)
case $scale in
  quick) big=1000000 satellite=400 limit=300 ;;
  long) big=12000000 satellite=20000 limit=3600 ;;
  *) echo "usage: hostile.sh VELKOR quick|long" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_inputs.py" "$work" "$big" "$satellite" || exit 1
cd "$work" || exit 1

passed=0
failed=0
fail() {
  echo "FAIL $name: $*"
  failed=$((failed + 1))
}

# run NAME STATUS ARGS...: runs velkor on ARGS with the report in NAME.out and
# standard error in NAME.err, and checks what every case must satisfy.
run() {
  name=$1
  local want=$2 started=$SECONDS problem=
  shift 2
  timeout "$limit" "$velkor" "$@" "$name.out" >"$name.stdout" 2>"$name.err"
  local status=$?
  if [ $status = 124 ]; then
    problem="did not end within $limit s"
  elif grep -qE 'runtime error|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer' "$name.err"; then
    problem="sanitizer report"
    grep -m5 -E 'runtime error|Sanitizer|#[0-9]' "$name.err"
  elif [ $status != "$want" ]; then
    problem="exit status $status, expected $want"
    tail -n 5 "$name.err"
  elif [ $status = 0 ] && [ "$(tail -n 1 "$name.out")" != "## Finished successfully. ##" ]; then
    problem="successful run with an incomplete report"
  elif [ $status != 0 ] && ! grep -qE 'Sorry|error|Error|ERROR' "$name.err"; then
    problem="failed without a message"
  fi
  [ -z "$problem" ] || { fail "$problem"; return 1; }
  echo "ok   $name ($((SECONDS - started)) s)"
  passed=$((passed + 1))
}

# also MESSAGE COMMAND...: an extra check on the case that just passed; when
# the command fails, the case counts as failed with the message.
also() {
  local message=$1
  shift
  "$@" || { passed=$((passed - 1)); fail "$message"; }
}
has_line() { grep -qE -- "$1" "$2"; }
count_is() { [ "$(grep -cE -- "$2" "$3")" = "$1" ]; }
has_long_line() { awk -v n="$1" 'length($0) >= n { found = 1 } END { exit !found }' "$2"; }

# Files that are not FASTA, or barely.
run empty 231 empty.fa && also "no line 1" has_line 'File position: line 1$' empty.err
run random_bytes 231 random.bin
run headers_only 0 headers_only.fa && also "not 10000 empty records" count_is 10000 '^sequence length: 0$' "$name.out"
run huge_header 0 huge_header.fa && also "name cut" has_long_line 4000000 "$name.out"

# Long uniform and repetitive records in every search mode.
for mode in exact extendExact imperfect arrays; do
  run "all_N_$mode" 0 -M "$mode" all_N.fa && also "repeats in N" count_is 0 nucleotide "$name.out"
  run "one_letter_$mode" 0 -M "$mode" one_letter.fa &&
    also "not one repeat over all" count_is 1 "mononucleotide +1 : +$big \|" "$name.out"
  run "perfect_repeat_$mode" 0 -M "$mode" --maskX perfect_repeat.fa &&
    also "not one repeat over all" count_is 1 "dinucleotide +1 : +$big \|" "$name.out" &&
    also "not masked whole" count_is 0 '[ACGTN]' perfect_repeat.fa.masked
done
run mutated_repeat_exact 0 -M exact mutated_repeat.fa
run mutated_repeat_imperfect 0 mutated_repeat.fa
run satellite_unit_200 0 --maxUnitLen 200 satellite.fa && also "satellite not found" has_line '1[67][0-9]-nucleotide' "$name.out"
run satellite_unit_200_extendExact 0 -M extendExact --maxUnitLen 200 satellite.fa
run satellite_arrays 0 -M arrays satellite.fa && also "satellite not found" has_line '1[67][0-9]-nucleotide' "$name.out"
run mutated_repeat_arrays 0 -M arrays mutated_repeat.fa
run nested_arrays 0 -M arrays nested.fa && also "not one call" count_is 1 nucleotide "$name.out"
run N_runs_arrays 0 -M arrays N_runs.fa && also "N run bridged" count_is 2 "8-nucleotide" "$name.out"

# The extreme values of every option the option check accepts.
run recursion_300 0 --recursion 300 repeat_into_junk.fa
run recursion_max 0 --recursion 2147483647 -M extendExact repeat_into_junk.fa
run penalties_min 0 -m -2147483648 -g -2147483648 small.fa
run penalties_max 0 -m -2 -g -2 small.fa
run score_reduction_negative 0 -R -2147483648 small.fa
run score_reduction_zero 0 -R 0 -M extendExact small.fa
run max_unit_length_max 0 --maxUnitLen 4294967295 small.fa
run unit_lengths_both_max 0 --minUnitLen 4294967295 --maxUnitLen 4294967295 small.fa
run flanking_max 0 --flanking 2147483647 --printRepeatSeqMode 1 small.fa
run flanking_max_alignment 0 --flanking 2147483647 -M exact small.fa
run flanking_negative 0 --flanking -2147483648 small.fa
run score_factor_huge 0 --minScore_b 3.4e38 --minScore_a 2147483647 small.fa
run score_factor_negative 0 --minScore_b -3.4e38 --minScore_a -2147483648 -l 10 small.fa
run length_factor_huge 0 --minLength_b 3.4e38 --minLength_a 2147483647 small.fa
run length_factor_negative 0 --minLength_b -3.4e38 --minLength_a -2147483648 small.fa
run thresholds_min 0 -s -2147483648 -l 2147483647 small.fa
run succN_max 0 --succN 2147483647 all_N.fa
run succN_negative 0 --succN -2147483648 small.fa
run first_seq_max 1 --firstSeq 4294967295 small.fa
run last_seq_zero 0 --lastSeq 0 small.fa
run all_modes_extreme 0 -M extendExact -r 255 -R 2147483647 -m -2 -g -2 -N 2147483647 -f 2147483647 \
  --outputFormat 2 --printRepeatSeqMode 2 --reportUnit 0 --NPerfectionMode 1 -D --maskX small.fa
run arrays_extreme 0 -M arrays -m -2147483648 -g -2147483648 --maxUnitLen 4294967295 -N 2147483647 \
  --minScore_b -3.4e38 -s -2147483648 -l 2 -f 2147483647 --printRepeatSeqMode 2 --maskX small.fa
run arrays_lenient 0 -M arrays -u 1 -m -2 -g -2 -s 1 -l 2 --outputFormat 2 satellite.fa
run arrays_units_max 0 -M arrays --minUnitLen 4294967295 --maxUnitLen 4294967295 small.fa

echo "hostile ($scale): $passed passed, $failed failed"
[ $failed = 0 ]
