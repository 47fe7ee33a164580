# Sourced by the benchmark scripts: sets $bench_data to the folder of the
# benchmark genomes ($VELKOR_BENCH_DATA, else bench/data/genomes in this
# repository) and builds them there with bench/get_data.sh when one is missing.
bench_data=${VELKOR_BENCH_DATA:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/data/genomes}
for bench_genome in dicty_AX4 umaydis human_chr22_blocks human_GRCh37_mini dicty_chr1_first1Mbp \
                    human_chr22_first1Mbp random_pirs_1M synth10M synth1M_4rec; do
  if [ ! -s "$bench_data/$bench_genome.fa" ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/get_data.sh" "$bench_data"
    break
  fi
done
