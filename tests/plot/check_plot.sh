#!/usr/bin/env bash
# velkor-plot must draw the summary of a real run into each format it
# offers, also for a run that found nothing, and refuse with a message what
# it cannot draw.
set -euo pipefail
velkor=$1
plot=$2
support=$(cd "$(dirname "$0")/../support" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 "$support/planted_repeats.py" 3 200 chr1:150 chr2:150 >genome.fa
printf '>plain\nACGTTGCA\n' >plain.fa
"$velkor" genome.fa report.txt --summaryFile summary.tsv 2>/dev/null
"$velkor" plain.fa report.txt --summaryFile nothing.tsv 2>/dev/null

fail() { echo "$*"; exit 1; }
"$plot" summary.tsv figure.png
"$plot" summary.tsv figure.svg
"$plot" --top 5 summary.tsv figure.pdf
"$plot" nothing.tsv nothing.png
python3 - <<'PY' || fail "a figure is not what its name says"
import struct
import xml.etree.ElementTree as ET
for name in ('figure.png', 'nothing.png'):
    data = open(name, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n' and data[12:16] == b'IHDR', name
    width, height = struct.unpack('>II', data[16:24])
    assert width >= 600 and height >= 400, (name, width, height)
svg = ET.parse('figure.svg').getroot()
assert svg.tag.endswith('svg')
# The title names the input; matplotlib keeps the text in a comment per glyph
# run, so look for it in the file.
assert 'Tandem repeats in genome.fa' in open('figure.svg').read()
pdf = open('figure.pdf', 'rb').read()
assert pdf.startswith(b'%PDF-') and pdf.rstrip().endswith(b'%%EOF')
PY

# What it cannot draw: a message and a failing status, and no figure.
expect_refusal() {
  local status=$1 text=$2
  shift 2
  local got=0
  "$plot" "$@" 2>message.txt || got=$?
  [ "$got" -eq "$status" ] || fail "velkor-plot $*: status $got, not $status"
  grep -qF -- "$text" message.txt || fail "velkor-plot $*: $(cat message.txt)"
  [ ! -e refused.png ] || fail "velkor-plot $* left a figure"
}
expect_refusal 2 "must end in .png, .svg or .pdf" summary.tsv figure.jpg
expect_refusal 1 "cannot read missing.tsv" missing.tsv refused.png
expect_refusal 1 "is not a velkor summary" genome.fa refused.png
grep -v '^run' summary.tsv >cut_short.tsv
expect_refusal 1 "no rows for the whole run" cut_short.tsv refused.png
expect_refusal 1 "cannot write" summary.tsv no/such/dir/figure.png
# Without matplotlib (python3 -S leaves out the packages installed beside
# the standard library): one line that says which package to install.
got=0
python3 -S "$plot" summary.tsv refused.png 2>message.txt || got=$?
[ "$got" -eq 1 ] && [ "$(wc -l <message.txt)" -eq 1 ] && grep -qF "python3-matplotlib" message.txt ||
  fail "velkor-plot without matplotlib: status $got, $(cat message.txt)"
# The default units are in the normal form over both strands, and the legend says so.
grep -qF "reverse complement" figure.svg || fail "the legend does not say what a motif stands for"
echo "figures drawn, refusals given"
