#!/bin/bash
# Builds the benchmark genomes (*.fa) from Debian packages and make_synthetic.py,
# then checks them against their md5 sums. Needs root (or sudo) for apt-get and
# about 300 MB of downloads; the packages and what each file is are listed in
# bench/SOURCES.md.
#
#   bash bench/get_data.sh [OUTDIR]
#
# OUTDIR defaults to $VELKOR_BENCH_DATA, else bench/data/genomes (git-ignored).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-${VELKOR_BENCH_DATA:-$here/data/genomes}}
mkdir -p "$out"
need=""
for p in spaln-data maffilter-examples artfastqgenerator-examples pirs-examples; do
    dpkg -s "$p" >/dev/null 2>&1 || need="$need $p"
done
if [ -n "$need" ]; then
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends $need
fi
cd "$out"
zcat /usr/share/spaln/seqdb/dictdisc_g.gf.gz > dicty_AX4.fa
zcat /usr/share/doc/maffilter/examples/Umaydis/Umaydis.fasta.gz > umaydis.fa
zcat /usr/share/doc/maffilter/examples/Gorilla/Compara.epo_5_catarrhini_hsap-projected.chr22.subset.nogap.cleaned_aln.maf.gz \
  | awk '$1=="s" && $2=="Hsap.22"{s=$7; gsub("-","",s); printf ">Hsap.22:%d-%d %s\n", $3+1, $3+$4, $5; for(i=1;i<=length(s);i+=60) print substr(s,i,60)}' \
  > human_chr22_blocks.fa
zcat /usr/share/doc/artfastqgenerator/examples/miniReference.fasta.gz > human_GRCh37_mini.fa
zcat /usr/share/doc/pirs/examples/pirs/ref_seq.fa.gz > random_pirs_1M.fa
awk 'BEGIN{t=0} /^>/{if(t>=1000000) exit} {print} !/^>/{t+=length($0)}' human_chr22_blocks.fa > human_chr22_first1Mbp.fa
awk 'NR==1{print; next} /^>/{exit} {print; t+=length($0); if(t>=1000000) exit}' dicty_AX4.fa > dicty_chr1_first1Mbp.fa
python3 "$here/make_synthetic.py" --size 10000000 --seed 1 --out "$out/synth10M"
python3 "$here/make_synthetic.py" --size 1000000 --seed 2 --records 4 --n-runs 20 --out "$out/synth1M_4rec"
cat > md5.expected <<'EOF'
058e7efe1e8aa38d9680901f94970002  dicty_AX4.fa
9229ec582f994ef52be61f9873044456  dicty_chr1_first1Mbp.fa
37098cbb333c94cb86d0b17b4fd5bfc6  human_GRCh37_mini.fa
6587abfb26f01080d0be7b366e6d9a84  human_chr22_blocks.fa
499aa883453000ca87652ed65152e09e  human_chr22_first1Mbp.fa
c79e9fce670d31c5808b4618623a8142  random_pirs_1M.fa
cdf429fa7355c413dc92fac1a3e85c9d  synth10M.fa
3207f7348ee6ccb577da384f910574e4  synth1M_4rec.fa
134f5e67898d501aa4183839c72e7d19  umaydis.fa
8618e42a147b23f83e92de6c984e774c  synth10M.truth.bed
567f785828ed4e8606b494eb82a3e20e  synth1M_4rec.truth.bed
EOF
md5sum -c md5.expected
