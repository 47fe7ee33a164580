#!/usr/bin/env bash
# Installs what building and testing velkor needs, from Debian's packages:
# the build's own (setup_build.sh), and for the tests GoogleTest and Google
# Benchmark, bedtools and GenomeTools (they check the BED and GFF3 files),
# groff (the manual pages), matplotlib (velkor-plot), snakemake (the
# workflow under workflow/), and clang with its runtime libraries (the fuzz
# targets).
set -euo pipefail
cd "$(dirname "$0")"
bash setup_build.sh
bash install_packages.sh libgtest-dev libbenchmark-dev python3 bedtools genometools groff-base \
  python3-matplotlib snakemake clang libclang-rt-14-dev
