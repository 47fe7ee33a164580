#!/usr/bin/env bash
# Records searched by several threads at once must give what one thread
# gives, byte for byte: the report, the masked file, every file for other
# tools, the exit status and standard error (clock times aside; the thread
# count appears in the parameter summary there). Compared over every
# end-to-end case and over a many-record file in every search mode, with
# record ranges, every output, and a format error part-way through; over
# thousands of short records, which the workers take in batches; and over
# long records, which the workers search in parts.
set -uo pipefail
velkor=$(realpath "$1")
cases=$(realpath "$2")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs "velkor --threads N ARGS" in a copy of directory src; everything it
# writes ends up in out/.
run() {
  local threads=$1 src=$2 out=$3 args=$4
  mkdir -p "$out/files"
  cp -r "$src/." "$out/files"
  rm -rf "$out/files/args" "$out/files/expected" "$out/files/expected.new"
  (cd "$out/files" && eval "\"$velkor\" --threads $threads $args" >"$out/stdout" 2>"$out/stderr.raw")
  echo $? >"$out/status"
  sed -E -e 's/^[0-9]{2,}\.[0-9]{2}\.[0-9]{2} - #/HH.MM.SS - #/' -e '/^   Threads: /d' "$out/stderr.raw" >"$out/stderr"
  rm "$out/stderr.raw"
}

compare() {
  local name=$1 src=$2 args=$3
  rm -rf "$work/one" "$work/three"
  local started=$SECONDS slowest
  run 1 "$src" "$work/one" "$args"
  slowest=$((SECONDS - started))
  started=$SECONDS
  run 3 "$src" "$work/three" "$args"
  slowest=$((SECONDS - started > slowest ? SECONDS - started : slowest))
  # A search that goes a minute without a progress line prints one from
  # whichever thread is searching, whenever the minute is up. Runs that slow
  # (a sanitizer build on a busy machine) are compared without those lines.
  if ((slowest >= 59)); then
    sed -i '/^HH\.MM\.SS - #/d' "$work/one/stderr" "$work/three/stderr"
  fi
  if ! diff -r "$work/one" "$work/three" >"$work/diff"; then
    echo "--threads 3 differs from --threads 1: $name ($args)"
    head -40 "$work/diff"
    failures=$((failures + 1))
  fi
}

for case_dir in "$cases"/*/; do
  compare "$(basename "$case_dir")" "$case_dir" "$(cat "$case_dir/args")"
done

# Twenty records of very different lengths, so that workers finish out of
# order, with planted repeats, N's, lower case and empty records.
mkdir -p "$work/many"
python3 - "$work/many" "$(dirname "$0")/../support" <<'PY'
import random, sys
sys.path.insert(0, sys.argv[2])
from planted_repeats import record
rng = random.Random(25)
records = []
for i in range(20):
    text = record(rng, rng.choice([0, 1, 4, 25, 250, 1000]), 150)
    records.append('>r%d some description\n' % (i + 1) + (text.lower() if i % 4 == 1 else text))
text = ''.join(records)
open(sys.argv[1] + '/many.fa', 'w').write(text)
# The same records, then one that is not FASTA, then more records.
cut = text.index('>r15 ')
open(sys.argv[1] + '/broken.fa', 'w').write(text[:cut] + 'not a record\n' + text[cut:])
# Records long enough to be searched in parts by several threads: one with
# an array longer than the parts overlap where the parts meet.
array = ''.join(rng.choice('ACGT') for _ in range(3)) * 10000
long_records = ['>long1\n' + record(rng, 5000, 150) + array + '\n' + record(rng, 5000, 150),
                '>long2\n' + record(rng, 11000, 150)]
open(sys.argv[1] + '/long.fa', 'w').write(''.join(long_records))
# More short records than one batch of the workers holds, some empty.
short = ['>s%d\n%s' % (i + 1, record(rng, rng.choice([0, 1, 1, 2]), 60)) for i in range(5000)]
open(sys.argv[1] + '/short.fa', 'w').write(''.join(short))
PY
outputs="--bedFile r.bed --gffFile r.gff3 --catalog trgt:t.bed --catalog hipstr:h.txt --catalog expansionhunter:e.json --summaryFile s.tsv"
for mode in exact extendExact imperfect; do
  compare "many records, $mode" "$work/many" "-M $mode --maskX many.fa report.txt $outputs"
  compare "many records, $mode, range" "$work/many" "-M $mode --firstSeq 3 --lastSeq 17 --maskWith lower many.fa report.txt"
  compare "format error part-way, $mode" "$work/many" "-M $mode --maskX broken.fa report.txt $outputs"
done
compare "long records, in parts" "$work/many" "--maskX long.fa report.txt $outputs"
compare "long records, in parts, longer units" "$work/many" "-U 9 -f 5 -m -3 -g -4 long.fa report.txt"
compare "long records, in parts, exact" "$work/many" "-M exact --maskX long.fa report.txt $outputs"
compare "thousands of short records" "$work/many" "-M exact --maskX short.fa report.txt --bedFile r.bed"
compare "thousands of short records, a range" "$work/many" "--firstSeq 10 --lastSeq 4500 short.fa report.txt"
compare "many records, longer units" "$work/many" "-U 12 --outputFormat 2 --printRepeatSeqMode 1 many.fa"
compare "many records, quiet, to standard output" "$work/many" "-q -M exact --maskFile - many.fa report.txt"
compare "report to a full disk" "$work/many" "many.fa /dev/full"
compare "BED file to a full disk" "$work/many" "many.fa report.txt --bedFile /dev/full"
compare "masked file to a full disk" "$work/many" "many.fa report.txt --maskFile /dev/full"

if [ "$failures" -ne 0 ]; then
  echo "$failures comparisons differ"
  exit 1
fi
