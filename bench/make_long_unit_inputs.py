#!/usr/bin/env python3
"""Write the inputs of the long-unit comparisons and benchmarks, one FASTA each.

  python3 make_long_unit_inputs.py OUTDIR DATA_DIR

From the real genomes in DATA_DIR: pieces of 10 and 20 kbp of human chr22
(several records), D. discoideum and U. maydis (piece_<genome>_<kbp>k.fa),
some way into each file. Made up: satellite arrays of several unit lengths with
substitutions and small insertions and deletions at several rates, one of
them broken by runs of N's (sat<unit>_<rate>.fa, sat<unit>_Ns.fa). A fixed
seed makes every run write the same bytes; only the standard library is used.
"""

import os
import random
import sys

from make_pathological import write_fasta


def piece(path, skip, size):
    """The FASTA lines after `skip` residues, up to `size` residues, records
    and their names as they are (a header is made for the first one)."""
    out = []
    seen = 0
    with open(path) as f:
        for line in f:
            if line.startswith(">"):
                if seen >= skip:
                    out.append(line.rstrip("\n"))
                continue
            if seen >= skip:
                out.append(line.strip().upper())
            seen += len(line.strip())
            if seen >= skip + size:
                break
    if not out[0].startswith(">"):
        out.insert(0, ">piece")
    return "\n".join(out) + "\n"


def mutated_array(rng, unit, size, rate, indel_share=0.2):
    out = []
    i = 0
    while len(out) < size:
        base = unit[i % len(unit)]
        i += 1
        r = rng.random()
        if r < rate * (1 - indel_share):
            out.append(rng.choice([b for b in "ACGT" if b != base]))
        elif r < rate * (1 - indel_share / 2):
            out.append(base)
            out.append(rng.choice("ACGT"))  # insertion
        elif r < rate:
            pass  # deletion
        else:
            out.append(base)
    return "".join(out[:size])


def main():
    outdir, data = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    rng = random.Random(24)
    # Offsets where each genome holds letters, some of them repeats.
    genomes = {"human": ("human_chr22_first1Mbp.fa", 300000),
               "dicty": ("dicty_chr1_first1Mbp.fa", 100000),
               "umaydis": ("umaydis.fa", 100000)}
    for name, (fname, offset) in genomes.items():
        for kbp in (10, 20):
            with open(os.path.join(outdir, "piece_%s_%dk.fa" % (name, kbp)), "w") as f:
                f.write(piece(os.path.join(data, fname), offset, kbp * 1000))
    flank = "".join(rng.choice("ACGT") for _ in range(1500))
    for unit_len in (23, 64, 171):
        unit = "".join(rng.choice("ACGT") for _ in range(unit_len))
        for rate in (0.02, 0.10):
            array = mutated_array(rng, unit, 5000, rate)
            write_fasta(os.path.join(outdir, "sat%d_%02d.fa" % (unit_len, round(rate * 100))),
                        "sat", flank + array + flank[::-1])
        array = list(mutated_array(rng, unit, 5000, 0.05))
        for at, run in ((700, 3), (1900, 4), (3100, 5), (4000, 1)):
            array[at:at + run] = "N" * run
        write_fasta(os.path.join(outdir, "sat%d_Ns.fa" % unit_len), "sat", flank + "".join(array) + flank)


if __name__ == "__main__":
    main()
