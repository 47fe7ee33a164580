#!/usr/bin/env python3
"""make_inputs.py DIR BIG SATELLITE: writes the inputs of the hostile-input
suite from a fixed seed, so a failure can be reproduced from the same files.
BIG is the length of the long uniform and repetitive records, SATELLITE that
of the mutated minisatellite (searched with units up to 200, it costs far
more per residue)."""
import os
import random
import sys

out_dir, big, satellite = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(20240607)


def write(name, data):
    with open(os.path.join(out_dir, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def record(name, residues, width=60):
    lines = [residues[i:i + width] for i in range(0, len(residues), width)]
    return ">" + name + "\n" + "".join(line + "\n" for line in lines)


def mutated(text, rate):
    """Mismatches, insertions and deletions at the given rate per residue."""
    out = []
    for c in text:
        if rng.random() >= rate:
            out.append(c)
            continue
        kind = rng.random()
        if kind < 0.6:
            out.append(rng.choice("ACGT".replace(c, "")))
        elif kind < 0.8:
            out.append(c + rng.choice("ACGT"))
    return "".join(out)


def random_dna(n):
    return "".join(rng.choice("ACGT") for _ in range(n))


write("empty.fa", b"")
write("random.bin", bytes(rng.getrandbits(8) for _ in range(65536)))
write("headers_only.fa", "".join(">h%d\n" % i for i in range(10000)))
write("huge_header.fa", ">" + "name " * 800000 + "\n" + "AC" * 50 + "\n")

mixed_records = [
    ("first record", random_dna(100) + "CA" * 30 + random_dna(50) + mutated("AGC" * 40, 0.05)),
    ("", ""),
    ("third", random_dna(30) + "N" * 3 + "GATA" * 12 + random_dna(70)),
]

write("all_N.fa", record("all N", "N" * big))
write("one_letter.fa", record("one letter", "A" * big))
write("perfect_repeat.fa", record("perfect", "CA" * (big // 2)))
write("mutated_repeat.fa", record("mutated", mutated("CA" * (big // 2), 0.05)))
unit = random_dna(171)
write("satellite.fa", record("satellite", mutated(unit * (satellite // 171 + 1), 0.03)[:satellite]))
# A long perfect repeat running into random sequence: the extension reaches
# the junk with a high score, where nothing prunes a deep look-ahead.
write("repeat_into_junk.fa", record("into junk", "AC" * 500 + random_dna(5000)))
write("small.fa", "".join(record(n, r) for n, r in mixed_records)
      + record("with N", "ACACNNACACAC" * 10 + random_dna(200) + "GT" * 20 + "NNNNNNNN" + "TTTTTTTTTTT"))
# Periods within periods: three monomers of 60 that differ by a fifth, the
# 180 of them copied forty times at 1 %; and one array cut by a run of N's
# longer than any allowance, between runs of N's.
monomer = random_dna(60)
order = monomer + mutated(monomer, 0.2) + mutated(monomer, 0.2)
write("nested.fa", record("nested", random_dna(500) + mutated(order * 40, 0.01) + random_dna(500)))
octamer = "ACGTTGCA"
write("N_runs.fa", record("N runs", "N" * 10000 + mutated(octamer * 40, 0.02) + "N" * 100
                          + mutated(octamer * 40, 0.02) + "N" * (big // 10)))
