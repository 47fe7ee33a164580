#!/usr/bin/env python3
"""Plant tandem arrays of periods 7 to 2,000 at known places, for measuring
what a search for minisatellites and satellites finds.

  python3 make_arrays_truth.py truth PREFIX DATA_DIR [--seed N] [--arrays N]
  python3 make_arrays_truth.py satellites OUTDIR

truth writes PREFIX.fa and PREFIX.truth.bed. Records alternate flanks and
arrays; half the records have random flanks, half flanks cut from the real
genomes in DATA_DIR (human chr22, D. discoideum, U. maydis; N's left out).
Each array has a random primitive unit of a period drawn log-uniformly from
7 to 2,000, 2 to 50 copies (log-uniform, at least 60 residues in all) plus a
partial copy, or 1,000 copies for one in twenty units of at most 200, and a
divergence drawn evenly from the bands 0, 0-5, 5-10, 10-15, 15-20 and
20-25 %. A fifth of the arrays are higher-order repeats: their unit is 2 to
12 monomers of one shorter unit, each monomer diverged 5 to 30 % from it,
and that whole unit is then repeated like any other (its divergence is that
of the copies of the whole unit).

Divergence is applied to every copy on its own, as copies drift from the
ancestral unit: each residue of the ideal array is changed with the chosen
probability, 60 % of changes a substitution, 20 % an insertion of one
residue, 20 % a deletion. The divergence written is the realised number of
changes divided by the ideal array's length.

satellites writes the 171-bp satellite arrays: with 2 % substitutions of
8, 16, 32 and 64 kbp and of 3,000 copies (513 kbp) -- the same residues
make_pathological.py writes for those sizes -- and the same lengths at 10 %
divergence with insertions and deletions, one file each (sat171_2_SIZE.fa,
sat171_10indel_SIZE.fa) and sat171.truth.bed for all of them.

Truth BED columns (tab-separated, 0-based half-open, '#' header):
  record start end period copies divergence kind flank monomer
kind is simple or hor, flank random or the genome's name, monomer the
period of a higher-order repeat's monomer (0 for simple arrays); copies is
the ideal array's length over the period. A fixed seed gives the same bytes;
only the standard library is used.
"""

import argparse
import math
import os
import random
import sys

from make_pathological import mutated_repeat

BASES = "ACGT"
BANDS = [(0.0, 0.0), (0.0, 0.05), (0.05, 0.10), (0.10, 0.15), (0.15, 0.20), (0.20, 0.25)]
GENOMES = {"human": "human_chr22_first1Mbp.fa", "dicty": "dicty_chr1_first1Mbp.fa",
           "umaydis": "umaydis.fa"}
RECORD_TARGET = 400000


def is_primitive(unit):
    n = len(unit)
    return all(n % p or unit[:p] * (n // p) != unit for p in range(1, n))


def random_unit(rng, length):
    while True:
        unit = "".join(rng.choices(BASES, k=length))
        if is_primitive(unit):
            return unit


def diverge(rng, ideal, rate):
    """ideal with each residue changed with probability rate; returns the new
    text and the number of changes. Steps between changes are drawn
    geometrically, so the cost grows with the changes, not the residues."""
    if rate <= 0:
        return ideal, 0
    out = []
    changes = 0
    at = 0
    log_keep = math.log(1.0 - rate)
    while True:
        step = int(math.log(1.0 - rng.random()) / log_keep)
        if at + step >= len(ideal):
            out.append(ideal[at:])
            return "".join(out), changes
        out.append(ideal[at:at + step])
        at += step
        changes += 1
        kind = rng.random()
        base = ideal[at]
        if kind < 0.6:
            out.append(rng.choice([b for b in BASES if b != base]))
        elif kind < 0.8:
            out.append(base + rng.choice(BASES))
        # else: deleted
        at += 1


def log_uniform_int(rng, low, high):
    return int(round(math.exp(rng.uniform(math.log(low), math.log(high)))))


def draw_divergence(rng):
    low, high = rng.choice(BANDS)
    return rng.uniform(low, high) if high > 0 else 0.0


def make_array(rng):
    """One planted array: (residues, period, ideal length, changes, kind, monomer)."""
    hor = rng.random() < 0.2
    if hor:
        monomer = log_uniform_int(rng, 7, 250)
        count = rng.randint(2, max(2, min(12, 2000 // monomer)))
        base = random_unit(rng, monomer)
        rate = rng.uniform(0.05, 0.30)
        while True:
            unit = "".join(diverge(rng, base, rate)[0] for _ in range(count))
            if 7 <= len(unit) <= 2000 and is_primitive(unit):
                break
    else:
        monomer = 0
        unit = random_unit(rng, log_uniform_int(rng, 7, 2000))
    period = len(unit)
    if period <= 200 and rng.random() < 0.05:
        copies = 1000
    else:
        copies = log_uniform_int(rng, max(2, math.ceil(60 / period)), 50)
    ideal = unit * copies + unit[:rng.randrange(period)]
    residues, changes = diverge(rng, ideal, draw_divergence(rng))
    return residues, period, len(ideal), changes, ("hor" if hor else "simple"), monomer


def genome_pool(data_dir, name, size, skip=50000):
    """size residues of a real genome, after skipping its first ones, upper case,
    N's left out."""
    parts = []
    seen = 0
    with open(os.path.join(data_dir, GENOMES[name])) as f:
        for line in f:
            if line.startswith(">"):
                continue
            line = line.strip().upper().replace("N", "")
            seen += len(line)
            if seen > skip:
                parts.append(line)
            if seen >= skip + size:
                break
    return "".join(parts)


class FlankSource:
    def __init__(self, rng, pool):
        self.rng = rng
        self.pool = pool
        self.at = 0

    def take(self, length):
        if self.pool is None:
            return "".join(self.rng.choices(BASES, k=length))
        if self.at + length > len(self.pool):
            self.at = 0
        piece = self.pool[self.at:self.at + length]
        self.at += length
        return piece


def write_truth(prefix, data_dir, seed, arrays):
    rng = random.Random(seed)
    pools = {name: genome_pool(data_dir, name, 3000000) for name in GENOMES}
    flank_kinds = ["random", "random", "random"] + list(GENOMES)
    records = []
    truth = []
    planted = 0
    while planted < arrays:
        flank_kind = flank_kinds[len(records) % len(flank_kinds)]
        source = FlankSource(rng, pools.get(flank_kind))
        name = "arrays_%d_%s" % (len(records) + 1, flank_kind)
        parts = []
        length = 0
        while length < RECORD_TARGET and planted < arrays:
            residues, period, ideal_length, changes, kind, monomer = make_array(rng)
            flank = source.take(rng.randint(500, 3000) + period)
            parts.append(flank)
            length += len(flank)
            truth.append("%s\t%d\t%d\t%d\t%.2f\t%.4f\t%s\t%s\t%d" % (
                name, length, length + len(residues), period, ideal_length / period,
                changes / ideal_length, kind, flank_kind, monomer))
            parts.append(residues)
            length += len(residues)
            planted += 1
        parts.append(source.take(rng.randint(500, 3000)))
        records.append((name, "".join(parts)))
    with open(prefix + ".fa", "w") as f:
        for name, residues in records:
            write_record(f, name, residues)
    with open(prefix + ".truth.bed", "w") as f:
        f.write("#record\tstart\tend\tperiod\tcopies\tdivergence\tkind\tflank\tmonomer\n")
        f.write("\n".join(truth) + "\n")


def write_record(f, name, residues):
    f.write(">" + name + "\n")
    for i in range(0, len(residues), 70):
        f.write(residues[i:i + 70] + "\n")


def write_satellites(outdir):
    os.makedirs(outdir, exist_ok=True)
    truth = []
    for size in (8000, 16000, 32000, 64000, 513000):
        # The generator's draws in their original order, so the arrays are
        # byte for byte those make_pathological.py makes.
        rng = random.Random(171)
        unit = "".join(rng.choice("ACGT") for _ in range(171))
        mutated_repeat(rng, "CAG", size, 0.05)
        name = "sat171_2_%d" % size
        residues = mutated_repeat(rng, unit, size, 0.02)
        with open(os.path.join(outdir, name + ".fa"), "w") as f:
            write_record(f, "sat171", residues)
        truth.append("sat171\t0\t%d\t171\t%.2f\t0.0200\tsimple\t%s\t0" % (size, size / 171, name))

        rng = random.Random(1710 + size)
        ideal = unit * (size // 171 + 1)
        residues, changes = diverge(rng, ideal, 0.10)
        residues = residues[:size]
        name = "sat171_10indel_%d" % size
        with open(os.path.join(outdir, name + ".fa"), "w") as f:
            write_record(f, "sat171", residues)
        truth.append("sat171\t0\t%d\t171\t%.2f\t%.4f\tsimple\t%s\t0" % (
            len(residues), size / 171, changes / len(ideal), name))
    with open(os.path.join(outdir, "sat171.truth.bed"), "w") as f:
        f.write("#record\tstart\tend\tperiod\tcopies\tdivergence\tkind\tfile\tmonomer\n")
        f.write("\n".join(truth) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="what", required=True)
    t = sub.add_parser("truth")
    t.add_argument("prefix")
    t.add_argument("data_dir")
    t.add_argument("--seed", type=int, default=47)
    t.add_argument("--arrays", type=int, default=300)
    s = sub.add_parser("satellites")
    s.add_argument("outdir")
    args = parser.parse_args()
    if args.what == "truth":
        write_truth(args.prefix, args.data_dir, args.seed, args.arrays)
    else:
        write_satellites(args.outdir)


if __name__ == "__main__":
    sys.exit(main())
