#!/usr/bin/env python3
"""The masked file that keeps the input's letters must mask exactly what the
plain masked file masks, and leave every other residue as the input has it.
Random inputs with mixed case, IUPAC codes, gaps, odd line lengths and CR LF
line ends are run both ways, on one thread and on two.

usage: compare_keep_input.py VELKOR
"""
import os
import random
import subprocess
import sys
import tempfile

IUPAC = "RYKMSWBDHVN"
TO_STORED = str.maketrans("U" + IUPAC[:-1], "T" + "N" * (len(IUPAC) - 1))


def random_fasta(rng, records):
    text, letters = [], []
    for r in range(records):
        text.append(f">rec{r} some words\n")
        unit = "".join(rng.choice("ACGT") for _ in range(rng.randint(1, 6)))
        seq = []
        while len(seq) < rng.randint(0, 600):
            if rng.random() < 0.3:
                seq.extend(unit * rng.randint(3, 12))
            else:
                seq.append(rng.choice("ACGTACGTACGTNU" + IUPAC))
        seq = [c.lower() if rng.random() < 0.2 else c for c in seq]
        letters.append(seq)
        width = rng.randint(1, 120)
        end = "\r\n" if rng.random() < 0.3 else "\n"
        for i in range(0, len(seq), width):
            line = "".join(seq[i:i + width])
            if rng.random() < 0.1:
                line += "-*"
            text.append(line + end)
    # Blank lines, comments and blanks may stand before the first header.
    lead = rng.choice(["", "\n# a comment > with a sign\n", "  \t"])
    return lead + "".join(text), letters


def masked_records(path):
    with open(path) as f:
        return [block.split("\n", 1)[1].replace("\n", "") for block in f.read().split(">")[1:]]


def run(velkor, folder, args):
    subprocess.run([velkor, "-q", *args, "--maskFile", os.path.join(folder, "out.fa"),
                    os.path.join(folder, "in.fa")], stdout=subprocess.DEVNULL, check=True)
    return masked_records(os.path.join(folder, "out.fa"))


def main():
    velkor = sys.argv[1]
    rng = random.Random(45)
    failures = checked = masked_residues = 0
    with tempfile.TemporaryDirectory() as folder:
        for trial in range(40):
            text, letters = random_fasta(rng, rng.randint(1, 5))
            with open(os.path.join(folder, "in.fa"), "w", newline="") as f:
                f.write(text)
            threads = ["-t", "2"] if trial % 2 else []
            plain = run(velkor, folder, threads + ["--maskX"])
            kept = run(velkor, folder, threads + ["--maskKeepInput"])
            soft = run(velkor, folder, threads + ["--maskKeepInput", "--maskWith", "lower"])
            if not len(plain) == len(kept) == len(soft) == len(letters):
                failures += 1
                print(f"trial {trial}: the masked files hold different numbers of records")
            for p, k, s, original in zip(plain, kept, soft, letters):
                checked += 1
                original = "".join(original)
                expected_kept = "".join("X" if m == "X" else o for m, o in zip(p, original))
                expected_soft = "".join(o.lower() if m == "X" else o for m, o in zip(p, original))
                masked_residues += p.count("X")
                if k != expected_kept or s != expected_soft or k.upper().translate(TO_STORED) != p:
                    failures += 1
                    print(f"trial {trial}: masked file differs\n plain {p}\n kept  {k}\n soft  {s}")
    # The comparison means something only where repeats were masked.
    if masked_residues == 0:
        failures += 1
        print("no residue was masked")
    print(f"{checked - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
