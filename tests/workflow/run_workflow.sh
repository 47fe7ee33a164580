#!/usr/bin/env bash
# The Snakemake workflow end to end: three small genomes (one gzip-compressed,
# one masked, one with every output, record names repeated across shards and
# names ExpansionHunter cannot take) in three shards each on two cores must
# give the very files that one velkor run over each genome gives; options
# that write files must be refused before any job starts; then a genome with
# a format error must fail with velkor's message and leave no merged output,
# while the good genome beside it is still merged.
set -euo pipefail
velkor=$1
snakefile=$(cd "$(dirname "$0")/../../workflow" && pwd)/Snakefile
plant=$(cd "$(dirname "$0")/../support" && pwd)/planted_repeats.py

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 "$plant" 28 80 'plain_0 record 0:36' 'plain_1 record 1:3' 'plain_2 record 2:1' 'plain_3 record 3:22' \
  'plain_4 record 4:11' >plain.fa
python3 "$plant" 29 80 packed_0:8 packed_1:30 packed_2:0 packed_3:14 | gzip -c >packed.fa.gz
python3 "$plant" 31 80 'dup first:40' 'chr:1-9:30' 'chr%2 x:25' 'dup again:30' 'HLA-A:28' 'dup third:20' >every.fa
python3 "$plant" 30 80 b1:4 b2:4 b3:0 >broken.fa
echo $(($(wc -l <broken.fa) + 1)) >broken.line
echo ACGT1ACGT >>broken.fa

cat >config.yaml <<EOF
velkor: $velkor
shards: 3
options: --minScore 8
genomes:
  plain:
    path: plain.fa
    mask: true
  packed:
    path: packed.fa.gz
    options: --searchMode extendExact --outputFormat 0
  every:
    path: every.fa
    options: -U 12 --catalogMinLength 10
    outputs: [report, bed, gff, trgt, hipstr, expansionhunter, summary, masked]
    mask_with: N
EOF

# Every option that names a file, turns on an output or cannot be merged is
# refused before any job starts, with the config key to use instead.
refused=("--gffFile x.gff3|'outputs'" "--catalog trgt:t.bed|'outputs'" "--maskWith N|'mask_with'"
         "-t 2|'threads'" "--firstSeq 2|'shards'" "extra.fa|'genomes'")
for pair in "${refused[@]}"; do
  option=${pair%|*}
  key=${pair#*|}
  sed "s/^options: .*/options: $option/" config.yaml >refused.yaml
  if snakemake -s "$snakefile" --configfile refused.yaml --cores 1 -n >refused.log 2>&1 ||
     ! grep -qF "$key" refused.log || [ -e results ]; then
    cat refused.log
    echo "FAIL: options '$option' were not refused before any job with a message naming $key"
    exit 1
  fi
done

snakemake -s "$snakefile" --configfile config.yaml --cores 2 --quiet >snakemake.log 2>&1 || {
  cat snakemake.log
  echo "FAIL: the workflow did not finish"
  exit 1
}

# The same runs by hand, from a directory laid out alike so that the reports
# name the same files.
single() {  # genome input options...
  local genome=$1 input=$2
  shift 2
  mkdir -p "single/results/genomes/$genome"
  ln -sf "$work/$input" "single/$input"
  (cd single && "$velkor" "$@" --bedFile "results/genomes/$genome/repeats.bed" \
    --summaryFile "results/genomes/$genome/summary.tsv" "$input" \
    "results/genomes/$genome/report.txt" 2>/dev/null)
}
single plain plain.fa --minScore 8 --maskX
mv single/plain.fa.masked single/results/genomes/plain/
single packed packed.fa.gz --searchMode extendExact --outputFormat 0
every=results/genomes/every
single every every.fa -U 12 --catalogMinLength 10 --gffFile $every/repeats.gff3 --catalog trgt:$every/trgt.bed \
  --catalog hipstr:$every/hipstr.txt --catalog expansionhunter:$every/expansionhunter.json --maskWith N
mv single/every.fa.masked single/$every/

failures=0
for file in plain/report.txt plain/repeats.bed plain/summary.tsv plain/plain.fa.masked packed/report.txt \
            packed/repeats.bed packed/summary.tsv every/report.txt every/repeats.bed every/repeats.gff3 \
            every/trgt.bed every/hipstr.txt every/expansionhunter.json every/summary.tsv every/every.fa.masked; do
  if ! cmp "results/genomes/$file" "single/results/genomes/$file"; then
    echo "FAIL: merged $file differs from one run's"
    failures=$((failures + 1))
  fi
done
grep -q '^>packed_2$' results/genomes/packed/report.txt || { echo "FAIL: empty record lost"; failures=$((failures + 1)); }
# What the merge puts right must have happened: loci of a repeated name left
# out, names ExpansionHunter cannot take left out, three shards.
if [ "$(cut -f1 $every/trgt.bed | grep -c '^dup$')" -ge "$(grep -c '^dup	' $every/repeats.bed)" ] ||
   grep -q 'HLA-A' $every/expansionhunter.json || ! grep -q 'HLA-A' $every/hipstr.txt ||
   [ "$(ls results/logs/every | wc -l)" -ne 3 ]; then
  echo "FAIL: every.fa does not test what it should"
  failures=$((failures + 1))
fi

cat >>config.yaml <<EOF
  broken: broken.fa
EOF
if snakemake -s "$snakefile" --configfile config.yaml --cores 2 --keep-going >broken.log 2>&1; then
  echo "FAIL: the workflow succeeded with a broken genome"
  failures=$((failures + 1))
fi
if ! grep -q 'velkor failed on shard [0-9] of broken' broken.log ||
   ! grep -q 'It might not be a valid fasta file' broken.log ||
   ! grep -q "File position: line $(cat broken.line)\$" broken.log; then
  echo "FAIL: velkor's message about the broken genome is not shown"
  failures=$((failures + 1))
fi
if [ -e results/genomes/broken ]; then
  echo "FAIL: a merged output exists for the broken genome"
  failures=$((failures + 1))
fi
cmp results/genomes/plain/report.txt single/results/genomes/plain/report.txt || failures=$((failures + 1))

if [ "$failures" -ne 0 ]; then
  cat broken.log
  exit 1
fi
echo "workflow: merged outputs equal one run's; a broken genome is not merged"
