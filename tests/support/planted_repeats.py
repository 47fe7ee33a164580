#!/usr/bin/env python3
"""Writes FASTA records of random residues with repeats of every unit length
from 1 to 6 planted in them, some with errors or N's, for tests that need
real repeats in their inputs.

    planted_repeats.py SEED LONGEST_GAP 'NAME:REPEATS' ... > input.fa

Each record NAME (blanks allowed) holds REPEATS planted repeats, each after a
stretch of 20 to LONGEST_GAP random residues; REPEATS 0 gives an empty record.
"""
import random
import sys


def record(rng, repeats, longest_gap):
    parts = []
    for _ in range(repeats):
        parts.append(''.join(rng.choice('ACGT') for _ in range(rng.randint(20, longest_gap))))
        unit = ''.join(rng.choice('ACGT') for _ in range(rng.randint(1, 6)))
        copies = list(unit * rng.randint(4, 15))
        for _ in range(rng.randint(0, 2)):
            copies[rng.randrange(len(copies))] = rng.choice('ACGTN')
        parts.append(''.join(copies))
    text = ''.join(parts)
    return ''.join(text[i:i + 60] + '\n' for i in range(0, len(text), 60))


def main(argv):
    rng = random.Random(int(argv[1]))
    longest_gap = int(argv[2])
    for record_request in argv[3:]:
        name, repeats = record_request.rsplit(':', 1)
        sys.stdout.write(f'>{name}\n' + record(rng, int(repeats), longest_gap))


if __name__ == '__main__':
    main(sys.argv)
