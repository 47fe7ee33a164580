#!/usr/bin/env python3
"""Splits a FASTA file into shards of consecutive records with about equal residue counts.

    shard_plan.py GENOME SHARDS PLAN_TSV

writes one line per shard: its number (from 0), the first and the last record
of its range as velkor's --firstSeq and --lastSeq take them, and the residues
it was given. The last shard's range is open (--lastSeq -1), and the ranges
follow each other without a gap, so every record is searched exactly once
however good the lengths were: they only decide how even the shards are.

The record lengths come from GENOME.fai when there is one that is not older
than the file, otherwise from one pass over the file (plain or gzip).
"""

import gzip
import os
import sys
import zlib

GZIP_MAGIC = b"\x1f\x8b"
OPEN_END = -1
# Bytes that never count as residues: line ends, blanks, and what velkor skips.
NOT_RESIDUES = b" \t\r\n\v\f-*"


def lengths_from_fai(fai_path):
    """Record lengths from a FASTA index (name, length, ... per line)."""
    lengths = []
    with open(fai_path, "r", encoding="utf-8", errors="replace") as fai:
        for line in fai:
            fields = line.rstrip("\n").split("\t")
            if len(fields) >= 2 and fields[1].isdigit():
                lengths.append(int(fields[1]))
    return lengths


def open_fasta(path):
    with open(path, "rb") as probe:
        compressed = probe.read(2) == GZIP_MAGIC
    return gzip.open(path, "rb") if compressed else open(path, "rb")


class ForwardFinder:
    """Finds texts in one chunk at ever later starts, remembering each text's next place,
    so that a text that is rare or absent (CRs in most files, LFs in old Mac ones) is not
    looked for over the whole chunk again and again."""

    def __init__(self, chunk):
        self.chunk = chunk
        self.next = {}

    def find(self, text, start):
        known = self.next.get(text)
        if known is None or 0 <= known < start:
            known = self.chunk.find(text, start)
            self.next[text] = known
        return known

    def first_of(self, start, *texts):
        """Index of the first of texts at or after start, or -1."""
        found = [i for i in (self.find(text, start) for text in texts) if i >= 0]
        return min(found) if found else -1


def residue_count(piece):
    return len(piece) - sum(piece.count(byte) for byte in NOT_RESIDUES)


def lengths_from_scan(path, chunk_size=1 << 24):
    """Record lengths counted in one pass, a chunk at a time: a record starts at each line
    that begins with '>'. Before the first one only blank and comment lines are skipped,
    and a lone CR ends a line, as velkor reads them.
    """
    lengths = []
    at_line_start = True
    skipping_line = False  # a header, or a line before the first header
    with open_fasta(path) as fasta:
        while chunk := fasta.read(chunk_size):
            finder = ForwardFinder(chunk)
            pos = 0
            while pos < len(chunk):
                if skipping_line:
                    end = finder.first_of(pos, b"\n", b"\r")
                    if end < 0:
                        break
                    skipping_line, at_line_start, pos = False, True, end + 1
                elif at_line_start and chunk[pos] == ord(">"):
                    lengths.append(0)
                    skipping_line, pos = True, pos + 1
                elif not lengths:
                    if chunk[pos] not in b"\r\n":
                        skipping_line = True
                    pos += 1
                else:
                    header = finder.first_of(pos, b"\n>", b"\r>")
                    end = header + 1 if header >= 0 else len(chunk)
                    lengths[-1] += residue_count(chunk[pos:end])
                    at_line_start = chunk[end - 1] in b"\r\n"
                    pos = end
    return lengths


def record_lengths(path):
    fai = path + ".fai"
    if os.path.isfile(fai) and os.path.getmtime(fai) >= os.path.getmtime(path):
        return lengths_from_fai(fai)
    return lengths_from_scan(path)


def fair_share(lengths, shards):
    """The residues a shard should get when records too long to share one are left alone.

    A record longer than the share of the rest fills a shard by itself, so
    it is taken out and the share of the others computed again.
    """
    total = sum(lengths)
    alone = 0
    for length in sorted(lengths, reverse=True):
        if shards - alone <= 1 or length * (shards - alone) <= total:
            break
        total -= length
        alone += 1
    return total / (shards - alone)


def shards_needed(lengths, cap):
    """needed[i]: the fewest shards of at most cap residues that hold records i.. (one pass from the right)."""
    n = len(lengths)
    needed = [0] * (n + 1)
    end = n
    in_window = 0
    for i in range(n - 1, -1, -1):
        in_window += lengths[i]
        while in_window > cap:
            end -= 1
            in_window -= lengths[end]
        needed[i] = 1 + needed[end]
    return needed


def smallest_cap(lengths, shards):
    """The smallest largest shard any split into consecutive ranges can have."""
    low, high = max(lengths), sum(lengths)
    while low < high:
        middle = (low + high) // 2
        if shards_needed(lengths, middle)[0] <= shards:
            high = middle
        else:
            low = middle + 1
    return low


def split_lengths(lengths, shards):
    """Cuts the records into `shards` consecutive ranges; returns the record count of each.

    No range gets more residues than the best possible largest one, and each
    takes records while that brings it nearer to an even share of what is
    left, so a genome with one huge record and many small ones gets the huge
    one alone and the small ones spread over the other shards.
    """
    if not lengths:
        return [0] * shards
    cap = smallest_cap(lengths, shards)
    needed = shards_needed(lengths, cap)
    counts = []
    i = 0
    for left in range(shards, 0, -1):
        target = fair_share(lengths[i:], left) if i < len(lengths) else 0
        start, size = i, 0
        while i < len(lengths):
            rest_needs_it = needed[i] > left - 1  # the rest would not fit into the shards after this one
            fits = size + lengths[i] <= cap
            nearer = abs(size + lengths[i] - target) < abs(size - target)
            if not (rest_needs_it or (fits and (i == start or nearer))):
                break
            size += lengths[i]
            i += 1
        counts.append(i - start)
    return counts


def plan_ranges(lengths, shards):
    """(firstSeq, lastSeq, residues) per shard; the last range is open, an empty one has lastSeq = firstSeq - 1."""
    ranges = []
    first = 1
    for number, count in enumerate(split_lengths(lengths, shards)):
        residues = sum(lengths[first - 1:first - 1 + count])
        last = OPEN_END if number == shards - 1 else first + count - 1
        ranges.append((first, last, residues))
        first += count
    return ranges


def main(argv):
    if len(argv) != 4 or not argv[2].isdigit() or int(argv[2]) < 1:
        sys.stderr.write("usage: shard_plan.py GENOME SHARDS PLAN_TSV (SHARDS at least 1)\n")
        return 2
    genome, shards, plan_path = argv[1], int(argv[2]), argv[3]
    try:
        lengths = record_lengths(genome)
    except (OSError, EOFError, zlib.error) as error:
        sys.stderr.write(f"shard_plan.py: cannot read the records of {genome}: {error}\n")
        return 1
    temporary = plan_path + ".part"
    with open(temporary, "w", encoding="utf-8") as plan:
        for number, (first, last, residues) in enumerate(plan_ranges(lengths, shards)):
            plan.write(f"{number}\t{first}\t{last}\t{residues}\n")
    os.replace(temporary, plan_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
