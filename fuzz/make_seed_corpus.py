#!/usr/bin/env python3
"""Writes the seed corpus of both fuzz targets (run once; the files are kept).

A whole-run seed is 19 steering bytes (see options_from in fuzz_whole_run.cpp)
followed by the input file; a reader seed is one steering byte and the file.
"""
import os
import random

here = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(7)


def mutated_repeat(unit, copies, every):
    text = list(unit * copies)
    for i in range(every // 2, len(text), every):
        text[i] = rng.choice("ACGT".replace(text[i], ""))
    return "".join(text)


sequences = {
    "plain": ">s1\nGGACACACACATACACACACGTTTTTTTTTAGAGAGAG\n",
    "two_records": ">a\nCCAGTAGTAGAAGTAGTACAGTAGTTAGG\n>b\nTTGACACACACGCACACAGACACACTTG\n",
    "n_runs": ">n\nACACACACNACACACNNNNNACACACNNACGTACGTACGT\nNNNN\n",
    "crlf": ">w\r\nACACACACAC\r\nACACACAC\r\n>x\r\nTTTTTTTTTTTTTTTTT\r\n",
    "lone_cr": ">m\rAGCAGCAGCAGCAGCAGC\rAGCAGCAGCTGCAGC\r",
    "iupac_lower": "# comment\n\n>lower case\nacgtuRYKMSWBDHVX-*acacacacacac\n",
    "empty_records": ">\n>e2\n>e3 name with blanks  \nACGT\n>",
    "indels": ">i\nACACACACTACACACACCACACACACACGCACACACAC\n",
    "satellite": ">sat\n" + mutated_repeat("ACGTTGCA", 40, 23) + "\n",
    "micro": ">mic\n" + mutated_repeat("CA", 150, 17) + "\n",
}
errors = {
    "bad_char": ">e\nACGT\nACEGT\n",
    "no_header": "ACGT\n>s\nAC\n",
    "comment_after_record": ">s\nACGT\n#late\n",
    "last_byte": ">s\nACGT1",
}

options = [
    bytes(19),                                                          # defaults, unit length 1
    bytes([2, 0, 5, 0, 0, 0, 0, 0, 1 + 3 * 2 + 9 * 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]),   # imperfect 1-6
    bytes([0, 0, 9, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 2, 0]),     # exact 1-10, flanks, masking
    bytes([1, 1, 4, 1, 1, 3, 5, 2, 2 + 3, 2, 3, 1, 3, 1, 0, 1, 0, 4, 0]),  # extendExact, gentle penalties
    bytes([2, 0, 3, 9, 10, 6, 0, 6, 1 + 6, 5, 4, 2, 4, 2, 2, 4, 1, 5, 0]),  # extreme values
    bytes([2, 2, 7, 1, 1, 7, 4, 3, 2 * 27 + 1, 1, 1, 0, 2, 3, 0, 3, 0, 7, 0]),  # NsAsMissense, keep overlaps
]

os.makedirs(os.path.join(here, "corpus", "whole_run"), exist_ok=True)
os.makedirs(os.path.join(here, "corpus", "fasta_reader"), exist_ok=True)
for name, text in sequences.items():
    for number, option_bytes in enumerate(options):
        with open(os.path.join(here, "corpus", "whole_run", f"{name}_{number}"), "wb") as f:
            f.write(option_bytes + text.encode())
for name, text in {**sequences, **errors}.items():
    with open(os.path.join(here, "corpus", "fasta_reader", name), "wb") as f:
        f.write(b"\x00" + text.encode())
    with open(os.path.join(here, "corpus", "fasta_reader", name + "_shifted"), "wb") as f:
        f.write(b"\x23" + text.encode())
