#!/usr/bin/env bash
# Hostile-input suite: velkor on pathological files and extreme option values.
# Every case must end within its time limit, with the expected exit status,
# and with nothing from the sanitizers on standard error; a successful run
# must leave a complete report, a failed one a message.
#
#   bash tests/hostile/hostile.sh VELKOR quick   # CTest runs this (1 Mbp records)
#   bash tests/hostile/hostile.sh VELKOR long    # 12 Mbp records, beyond the first residue buffer
#
# The inputs are generated into a scratch directory, never committed.
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

# run NAME STATUS ARGS...: runs velkor with the report in NAME.out and its
# standard error in NAME.err, and checks what every case must satisfy.
run() {
  name=$1
  local want=$2
  shift 2
  local started=$SECONDS
  timeout "$limit" "$velkor" "$@" >"$name.stdout" 2>"$name.err"
  status=$?
  if [ $status = 124 ]; then
    fail "did not end within $limit s"
    return 1
  fi
  if grep -qE 'runtime error|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer' "$name.err"; then
    fail "sanitizer report"
    grep -m5 -E 'runtime error|Sanitizer|#[0-9]' "$name.err"
    return 1
  fi
  if [ "$status" != "$want" ]; then
    fail "exit status $status, expected $want"
    tail -n 5 "$name.err"
    return 1
  fi
  if [ "$status" = 0 ] && [ -f "$name.out" ] && [ "$(tail -n 1 "$name.out")" != "## Finished successfully. ##" ]; then
    fail "successful run with an incomplete report"
    return 1
  fi
  if [ "$status" != 0 ] && ! grep -qE 'Sorry|error|Error|ERROR' "$name.err"; then
    fail "failed without a message"
    return 1
  fi
  echo "ok   $name ($((SECONDS - started)) s)"
  passed=$((passed + 1))
}

# also MESSAGE COMMAND...: an extra check on the case that just passed; when
# the command fails, the case counts as failed with the message.
also() {
  local message=$1
  shift
  if ! "$@"; then
    passed=$((passed - 1))
    fail "$message"
  fi
}
has_line() { grep -qE -- "$1" "$2"; }
count_is() { [ "$(grep -cE -- "$2" "$3")" = "$1" ]; }
has_long_line() { awk -v n="$1" 'length($0) >= n { found = 1 } END { exit !found }' "$2"; }
same_body() { cmp -s <(body "$1") <(body "$2"); }

# Report without its head (which names the files) and without the times.
body() { grep -v '^# ' "$1"; }

# Files that are not FASTA, or barely.
run empty 231 empty.fa empty.out && also "no line 1" has_line 'File position: line 1$' empty.err
run random_bytes 231 random.bin random.out
run headers_only 0 headers_only.fa headers_only.out &&
  also "not 10000 empty records" count_is 10000 '^sequence length: 0$' headers_only.out
run huge_header 0 huge_header.fa huge_header.out && also "name cut" has_long_line 4000000 huge_header.out

# Line ends: every style gives the same records, repeats and error lines.
for style in lf crlf cr mixed; do
  run "ends_$style" 0 "ends_$style.fa" "ends_$style.out" &&
    also "report differs from the one of the LF file" same_body ends_lf.out "ends_$style.out"
done
for style in lf crlf cr; do
  run "error_line5_$style" 231 "error_line5_$style.fa" e.out && also "not line 5" has_line 'line 5$' "error_line5_$style.err"
done

# Long uniform and repetitive records in every search mode.
for mode in exact extendExact imperfect; do
  run "all_N_$mode" 0 -M "$mode" all_N.fa "all_N_$mode.out" && also "repeats in N" count_is 0 nucleotide "all_N_$mode.out"
  run "one_letter_$mode" 0 -M "$mode" one_letter.fa "one_letter_$mode.out" &&
    also "not one repeat over all" count_is 1 "mononucleotide +1 : +$big \|" "one_letter_$mode.out"
  run "perfect_repeat_$mode" 0 -M "$mode" --maskX perfect_repeat.fa "perfect_repeat_$mode.out" &&
    also "not one repeat over all" count_is 1 "dinucleotide +1 : +$big \|" "perfect_repeat_$mode.out" &&
    also "not masked whole" count_is 0 '[ACGTN]' perfect_repeat.fa.masked
done
run mutated_repeat_exact 0 -M exact mutated_repeat.fa mutated_repeat_exact.out
run mutated_repeat_imperfect 0 mutated_repeat.fa mutated_repeat_imperfect.out
run satellite_unit_200 0 --maxUnitLen 200 satellite.fa satellite.out &&
  also "satellite not found" has_line '1[67][0-9]-nucleotide' satellite.out
run satellite_unit_200_extendExact 0 -M extendExact --maxUnitLen 200 satellite.fa satellite_extend.out

# The extreme values of every option the option check accepts.
run recursion_300 0 --recursion 300 repeat_into_junk.fa recursion_300.out
run recursion_max 0 --recursion 2147483647 -M extendExact repeat_into_junk.fa recursion_max.out
run penalties_min 0 -m -2147483648 -g -2147483648 small.fa penalties_min.out
run penalties_max 0 -m -2 -g -2 small.fa penalties_max.out
run score_reduction_negative 0 -R -2147483648 small.fa score_reduction_negative.out
run score_reduction_zero 0 -R 0 -M extendExact small.fa score_reduction_zero.out
run max_unit_length_max 0 --maxUnitLen 4294967295 small.fa max_unit_length_max.out
run unit_lengths_both_max 0 --minUnitLen 4294967295 --maxUnitLen 4294967295 small.fa unit_lengths_both_max.out
run flanking_max 0 --flanking 2147483647 --printRepeatSeqMode 1 small.fa flanking_max.out
run flanking_max_alignment 0 --flanking 2147483647 -M exact small.fa flanking_max_alignment.out
run flanking_negative 0 --flanking -2147483648 small.fa flanking_negative.out
run score_factor_huge 0 --minScore_b 3.4e38 --minScore_a 2147483647 small.fa score_factor_huge.out
run score_factor_negative 0 --minScore_b -3.4e38 --minScore_a -2147483648 -l 10 small.fa score_factor_negative.out
run length_factor_huge 0 --minLength_b 3.4e38 --minLength_a 2147483647 small.fa length_factor_huge.out
run length_factor_negative 0 --minLength_b -3.4e38 --minLength_a -2147483648 small.fa length_factor_negative.out
run thresholds_min 0 -s -2147483648 -l 2147483647 small.fa thresholds_min.out
run succN_max 0 --succN 2147483647 all_N.fa succN_max.out
run succN_negative 0 --succN -2147483648 small.fa succN_negative.out
run first_seq_last 0 --firstSeq -1 small.fa first_seq_last.out
run first_seq_max 1 --firstSeq 4294967295 small.fa first_seq_max.out
run last_seq_zero 0 --lastSeq 0 small.fa last_seq_zero.out
run all_modes_extreme 0 -M extendExact -r 255 -R 2147483647 -m -2 -g -2 -N 2147483647 -f 2147483647 \
  --outputFormat 2 --printRepeatSeqMode 2 --reportUnit 0 --NPerfectionMode 1 -D --maskX small.fa all_modes_extreme.out
# Refused with a message, never run.
run min_unit_length_zero 255 --minUnitLen 0 small.fa refused.out
run recursion_zero 255 --recursion 0 small.fa refused.out
run mismatch_too_high 255 -m 2147483647 small.fa refused.out
run output_format_huge 254 --outputFormat 2147483647 small.fa refused.out

echo "hostile ($scale): $passed passed, $failed failed"
[ $failed = 0 ]
