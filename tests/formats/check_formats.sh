#!/usr/bin/env bash
# The files made for other tools must be taken by real ones and say the same
# as the report: GenomeTools must find the GFF3 file valid, the JSON catalogue
# must parse, the coordinates of every catalogue and of the BED file must cut
# out of the input exactly the residues the report prints for each repeat,
# the motif of a perfect repeat must read in the input where it starts, and
# the summary's counts must agree with the BED file merged by bedtools.
# Compressed input must give the same files. The BED file must be taken by
# bedtools sort and merge without a complaint, and its columns must be those
# that the autoSql description (the second argument) names, for bedToBigBed.
set -euo pipefail
velkor=$1
autosql=$(realpath "$2")

support=$(cd "$(dirname "$0")/../support" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -z "${KEEP:-}" ] || { trap - EXIT; echo "$work"; }
cd "$work"

# Records of random residues with repeats of every unit length planted in
# them, some with errors or N's, under names of one word and of several.
python3 "$support/planted_repeats.py" 11 200 'chr1 first:120' 'scaffold_2:80' 'empty:0' 'chr3 third:60' >input.fa
gzip -c input.fa >input.fa.gz
# getfasta makes its index on first use and says so; made here, it must
# have nothing to say later.
printf 'chr1\t0\t1\n' | bedtools getfasta -fi input.fa -bed stdin >/dev/null 2>&1

fail() { echo "$mode: $*"; exit 1; }
# The description names BED9's itemRgb "reserved", as the standard one does.
described=$(awk '$1 ~ /^(string|uint|int|float|char\[1\])$/ { sub(";", "", $2); print $2 }' "$autosql" |
  sed 's/^reserved$/itemRgb/' | paste -sd '\t')
outputs=(--bedFile repeats.bed --gffFile repeats.gff3 --catalog trgt:trgt.bed --catalog hipstr:hipstr.txt
         --catalog expansionhunter:loci.json --summaryFile summary.tsv)
for mode in exact extendExact imperfect; do
  "$velkor" -M "$mode" input.fa.gz report.txt "${outputs[@]}" 2>/dev/null
  mkdir -p gz && mv repeats.bed repeats.gff3 trgt.bed hipstr.txt loci.json summary.tsv gz/
  # Format 2 with residues: each repeat is one line, then its residues.
  "$velkor" -M "$mode" input.fa report.txt "${outputs[@]}" --outputFormat 2 --printRepeatSeqMode 1 2>/dev/null
  for f in repeats.bed repeats.gff3 trgt.bed hipstr.txt loci.json summary.tsv; do
    cmp -s "$f" "gz/$f" || fail "compressed input gave another $f"
  done
  grep -A1 -E '^[0-9a-z-]+nucleotide ' report.txt | grep -vE 'nucleotide |^--$' >residues.txt
  repeats=$(wc -l <residues.txt)
  [ "$repeats" -gt 100 ] || fail "only $repeats repeats"

  # GFF3: valid for GenomeTools, one feature per repeat.
  gt gff3validator repeats.gff3 >gt.txt 2>&1 || fail "gt gff3validator: $(cat gt.txt)"
  [ "$(grep -vc '^#' repeats.gff3)" -eq "$repeats" ] || fail "GFF3 features are not the repeats"

  # BED: as written, header included, for bedtools and bedToBigBed.
  if ! bedtools sort -i repeats.bed >tool_sorted.bed 2>tool.txt ||
    ! bedtools merge -i tool_sorted.bed >/dev/null 2>>tool.txt || [ -s tool.txt ]; then
    fail "bedtools complained: $(cat tool.txt)"
  fi
  [ "$(wc -l <tool_sorted.bed)" -eq "$repeats" ] || fail "bedtools sort lost repeats"
  [ "#$described" = "$(head -1 repeats.bed)" ] || fail "the BED header is not what $autosql describes"
  widths=$(grep -v '^#' repeats.bed | awk -F '\t' '{ print NF }' | sort -u)
  [ "$widths" = "$(awk -F '\t' '{ print NF }' <<<"$described")" ] || fail "BED lines of $widths columns"

  # Every catalogue and the BED file as 0-based half-open intervals: the
  # BED file's, in report order, must cut out the report's residues; each
  # catalogue's must be repeats of the BED file, long enough, of at least
  # three copies, never overlapping, named after what identifies them.
  python3 - <<'PY' >intervals.txt
import json
with open('loci.json') as f:
    loci = json.load(f)
for locus in loci:
    assert set(locus) == {'LocusId', 'LocusStructure', 'ReferenceRegion', 'VariantType'}, locus
    assert locus['VariantType'] == 'Repeat' and locus['LocusStructure'].endswith(')*'), locus
    chrom, span = locus['ReferenceRegion'].rsplit(':', 1)
    start, end = span.split('-')
    print(f'expansionhunter\t{chrom}\t{start}\t{end}')
with open('trgt.bed') as f:
    for line in f:
        chrom, start, end, info = line.rstrip('\n').split('\t')
        fields = dict(item.split('=', 1) for item in info.split(';'))
        assert fields['STRUC'] == '(' + fields['MOTIFS'] + ')n', line
        print(f'trgt\t{chrom}\t{start}\t{end}')
with open('hipstr.txt') as f:
    for line in f:
        chrom, start, end, period, copies, name = line.rstrip('\n').split('\t')
        print(f'hipstr\t{chrom}\t{int(start) - 1}\t{end}')
with open('repeats.bed') as f:
    for line in f:
        if not line.startswith('#'):
            chrom, start, end = line.split('\t')[:3]
            print(f'bed\t{chrom}\t{start}\t{end}')
PY
  python3 - <<'PY' || fail "a catalogue holds loci it should not"
import collections, json
bed = {}
with open('repeats.bed') as f:
    for line in f:
        if not line.startswith('#'):
            fields = line.rstrip('\n').split('\t')
            bed[(fields[0], int(fields[1]), int(fields[2]))] = fields
catalogues = collections.defaultdict(list)
for line in open('intervals.txt'):
    format, chrom, start, end = line.split()
    if format != 'bed':
        catalogues[format].append((chrom, int(start), int(end)))
names = {'trgt': [], 'hipstr': []}
for line in open('trgt.bed'):
    names['trgt'].append(line.split('\t')[3].split(';')[0][3:])
for line in open('hipstr.txt'):
    fields = line.rstrip('\n').split('\t')
    assert int(fields[3]) <= 9, line
    names['hipstr'].append(fields[5])
names['expansionhunter'] = [locus['LocusId'] for locus in json.load(open('loci.json'))]
for format, intervals in catalogues.items():
    assert intervals, format
    for (chrom, start, end), name in zip(intervals, names[format]):
        repeat = bed[(chrom, start, end)]
        assert end - start >= 12 and int(repeat[11]) >= 3 * int(repeat[9]), repeat
        assert name == f'{chrom}_{start}_{end}_{repeat[18]}', (name, repeat)
    assert len(set(names[format])) == len(intervals), format
    ordered = sorted(intervals)
    for before, after in zip(ordered, ordered[1:]):
        assert before[0] != after[0] or before[2] <= after[1], (format, before, after)
PY
  awk -F '\t' -v OFS='\t' '$1 == "bed" { print $2, $3, $4 }' intervals.txt >cut.bed
  bedtools getfasta -fi input.fa -bed cut.bed -tab 2>getfasta.txt | cut -f 2 >cut.txt
  [ ! -s getfasta.txt ] || fail "bedtools getfasta on the BED file: $(cat getfasta.txt)"
  cmp -s cut.txt residues.txt || fail "the BED file's intervals do not cut out the report's residues"

  # A repeat without errors reads as its forward motif over and over from
  # its first residue; the copy number is its length by the motif's.
  paste <(grep -v '^#' repeats.bed) residues.txt | awk -F '\t' '
    $14 + $15 + $16 + $17 == 0 {
      unit = $19; text = ""
      while (length(text) < length($20)) text = text unit
      if (substr(text, 1, length($20)) != $20) { print "motif " unit " does not read in " $20; bad = 1 }
    }
    sprintf("%.2f", $12 / $10) != $18 { print "copy number " $18 " for " $12 " by " $10; bad = 1 }
    END { exit bad }' || fail "forward motifs or copy numbers are wrong"

  # The summary: as many repeats as BED lines, and as many residues as the
  # BED intervals cover once merged, in all and for each unit length.
  grep -v '^#' repeats.bed | sort -k1,1 -k2,2n >sorted.bed
  for length in all 1 2 3 4 5 6; do
    if [ "$length" = all ]; then
      row=$(awk -F '\t' '$1 == "run" && $4 == "all"' summary.tsv)
      subset=sorted.bed
    else
      row=$(awk -F '\t' -v k="$length" '$1 == "run" && $4 == "unit_length" && $5 == k' summary.tsv)
      awk -F '\t' -v k="$length" '$10 == k' sorted.bed >subset.bed
      subset=subset.bed
    fi
    count=$(wc -l <"$subset")
    covered=0
    [ "$count" -eq 0 ] || covered=$(bedtools merge -i "$subset" | awk '{ n += $3 - $2 } END { print n }')
    [ -n "$row" ] || { [ "$count" -eq 0 ] && continue; fail "no summary row for unit length $length"; }
    [ "$(cut -f 8,9 <<<"$row")" = "$count	$covered" ] || fail "summary $length: $(cut -f 8,9 <<<"$row"), bedtools: $count $covered"
  done
  echo "$mode: $repeats repeats, every format checked"
done
