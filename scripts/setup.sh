#!/usr/bin/env bash
# Installs what building and testing velkor needs, from Debian's packages
# (zlib reads compressed input; the tests check the BED file with bedtools,
# the GFF3 file with GenomeTools, the manual pages with groff, velkor-plot
# draws with matplotlib, and the workflow under workflow/ runs on snakemake).
set -euo pipefail
# clang and its runtime libraries build the fuzz targets.
packages=(cmake ninja-build g++ libtclap-dev libgtest-dev libbenchmark-dev python3 zlib1g-dev bedtools genometools
          groff-base python3-matplotlib snakemake
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
