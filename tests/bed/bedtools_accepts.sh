#!/usr/bin/env bash
# The BED file is made for interval tools, so a real one must take it: for
# every search mode, bedtools sort and bedtools merge must read it without a
# complaint and keep every repeat. Compressed input must give the same file.
# Its columns must be those that the autoSql description (the second
# argument) names, for bedToBigBed.
set -euo pipefail
velkor=$1
autosql=$(realpath "$2")

support=$(cd "$(dirname "$0")/../support" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Three records of random residues with repeats of every unit length planted
# in them, two of them under the same first word so that sort has work to do.
python3 "$support/planted_repeats.py" 5 300 'chr2 second:150' 'chr1:150' 'chr2 again:50' >input.fa
gzip -c input.fa >input.fa.gz

for mode in exact extendExact imperfect; do
  "$velkor" -M "$mode" input.fa report.txt --bedFile plain.bed 2>/dev/null
  "$velkor" -M "$mode" input.fa.gz report.txt --bedFile repeats.bed 2>/dev/null
  cmp plain.bed repeats.bed || { echo "$mode: compressed input gave another BED file"; exit 1; }

  lines=$(grep -vc '^#' repeats.bed)
  [ "$lines" -gt 100 ] || { echo "$mode: only $lines repeats"; exit 1; }
  if ! bedtools sort -i repeats.bed >sorted.bed 2>errors.txt ||
    ! bedtools merge -i sorted.bed >merged.bed 2>>errors.txt || [ -s errors.txt ]; then
    echo "$mode: bedtools complained:"
    cat errors.txt
    exit 1
  fi
  [ "$(wc -l <sorted.bed)" -eq "$lines" ] || { echo "$mode: sort lost repeats"; exit 1; }
  [ -s merged.bed ] || { echo "$mode: merge gave nothing"; exit 1; }
  # The description names BED9's itemRgb "reserved", as the standard one does.
  described=$(awk '$1 ~ /^(string|uint|int|float|char\[1\])$/ { sub(";", "", $2); print $2 }' "$autosql" |
    sed 's/^reserved$/itemRgb/' | paste -sd '\t')
  [ "#$described" = "$(head -1 repeats.bed)" ] || { echo "$mode: the header is not what $autosql describes"; exit 1; }
  widths=$(grep -v '^#' repeats.bed | awk -F '\t' '{ print NF }' | sort -u)
  [ "$widths" = "$(awk -F '\t' '{ print NF }' <<<"$described")" ] || { echo "$mode: lines of $widths columns"; exit 1; }
  echo "$mode: $lines repeats, $(wc -l <merged.bed) merged intervals"
done
