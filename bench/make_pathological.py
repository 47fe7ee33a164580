#!/usr/bin/env python3
"""Write the inputs that stress a tandem-repeat search most, one FASTA each.

  python3 make_pathological.py SIZE OUTDIR

SIZE is the number of residues per file. The files are: one letter
(mono.fa), a perfect dinucleotide repeat (di.fa), a trinucleotide repeat
with 5 % substitutions (tri5.fa), a 171-bp satellite with 2 % substitutions
(sat171.fa, meant for --maxUnitLen 200) and N only (allN.fa). A fixed seed
makes every run write the same bytes; only the standard library is used.
"""

import os
import random
import sys


def mutated_repeat(rng, unit, size, rate):
    out = []
    for i in range(size):
        base = unit[i % len(unit)]
        if rng.random() < rate:
            base = rng.choice([b for b in "ACGT" if b != base])
        out.append(base)
    return "".join(out)


def write_fasta(path, name, residues):
    with open(path, "w") as f:
        f.write(">" + name + "\n")
        for i in range(0, len(residues), 70):
            f.write(residues[i:i + 70] + "\n")


def main():
    size = int(sys.argv[1])
    outdir = sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    rng = random.Random(171)
    satellite = "".join(rng.choice("ACGT") for _ in range(171))
    files = {
        "mono": "A" * size,
        "di": "CA" * (size // 2),
        "tri5": mutated_repeat(rng, "CAG", size, 0.05),
        "sat171": mutated_repeat(rng, satellite, size, 0.02),
        "allN": "N" * size,
    }
    for name, residues in files.items():
        write_fasta(os.path.join(outdir, name + ".fa"), name, residues)


if __name__ == "__main__":
    main()
