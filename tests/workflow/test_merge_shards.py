"""Merging shard outputs: byte for byte one run's outputs, and nothing at all when a shard is not whole.

The comparisons with real runs need the program: VELKOR=path/to/velkor.
"""

import os
import random
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "workflow", "scripts"))
import merge_shards  # noqa: E402

VELKOR = os.environ.get("VELKOR")


def head(input_name, report, bed, first, last, mode="imperfect repeats"):
    return (f"# Results computed with:\n# Parameter settings used in this search:\n"
            f"# Input file name:                    {input_name}\n"
            f"# Output file name:                   {report}\n"
            f"# BED file name:                      {bed}\n"
            f"#    Sequence range to process:       {first} - {last}\n"
            f"#    Satellites searched for:         {mode}\n# \n").encode()


class MergeTest(unittest.TestCase):
    def setUp(self):
        temporary = tempfile.TemporaryDirectory()
        self.addCleanup(temporary.cleanup)
        self.root = temporary.name
        self.shards = []

    def add_shard(self, body, bed_lines, masked=None, closing=merge_shards.CLOSING_LINE, mode="imperfect repeats"):
        number = len(self.shards)
        shard = os.path.join(self.root, f"shard{number}")
        os.mkdir(shard)
        with open(os.path.join(shard, "report.txt"), "wb") as report:
            report.write(head(f"{shard}/g.fa", f"{shard}/report.txt", f"{shard}/repeats.bed", number + 1, number + 1,
                              mode) + body + closing)
        with open(os.path.join(shard, "repeats.bed"), "wb") as bed:
            bed.write(b"#chrom\tchromStart\n" + bed_lines)
        if masked is not None:
            with open(os.path.join(shard, "g.fa.masked"), "wb") as file:
                file.write(masked)
        self.shards.append(shard)

    def merge(self, masked=False):
        out = os.path.join(self.root, "out")
        os.makedirs(out, exist_ok=True)
        args = ["merge_shards.py", "--input", "genomes/g.fa", "--report", f"{out}/report.txt",
                "--bed", f"{out}/repeats.bed"] + (["--masked", f"{out}/g.fa.masked"] if masked else [])
        return merge_shards.main(args + self.shards), out

    def read(self, path):
        with open(path, "rb") as file:
            return file.read()

    def test_shards_become_one_run(self):
        self.add_shard(b">r1\nsequence length: 4\n# Analysis of sequence \"r1\" completed.\n", b"r1\t0\t4\n", b">r1\nXXXX\n")
        self.add_shard(b"", b"", b"")
        self.add_shard(b">r2\nsequence length: 0\n# Analysis of sequence \"r2\" completed.\n", b"", b">r2\n")
        status, out = self.merge(masked=True)
        self.assertEqual(status, 0)
        self.assertEqual(self.read(f"{out}/report.txt"),
                         head("genomes/g.fa", f"{out}/report.txt", f"{out}/repeats.bed", 1, "last sequence")
                         + b">r1\nsequence length: 4\n# Analysis of sequence \"r1\" completed.\n"
                         + b">r2\nsequence length: 0\n# Analysis of sequence \"r2\" completed.\n"
                         + merge_shards.CLOSING_LINE)
        self.assertEqual(self.read(f"{out}/repeats.bed"), b"#chrom\tchromStart\nr1\t0\t4\n")
        self.assertEqual(self.read(f"{out}/g.fa.masked"), b">r1\nXXXX\n>r2\n")
        self.assertEqual(sorted(os.listdir(out)), ["g.fa.masked", "repeats.bed", "report.txt"])

    def check_refused(self, masked=False):
        status, out = self.merge(masked)
        self.assertEqual(status, 1)
        self.assertEqual(os.listdir(out), [])

    def test_an_unfinished_shard_stops_the_merge(self):
        self.add_shard(b">r1\n", b"")
        self.add_shard(b">r2\nsequence length: 7\n", b"", closing=b"")
        self.check_refused()

    def test_shards_run_with_other_settings_stop_the_merge(self):
        self.add_shard(b"", b"")
        self.add_shard(b"", b"", mode="exact repeats")
        self.check_refused()

    def test_a_missing_file_stops_the_merge(self):
        self.add_shard(b"", b"", b">r1\n")
        self.add_shard(b"", b"")
        self.check_refused(masked=True)
        os.remove(os.path.join(self.shards[0], "repeats.bed"))
        self.check_refused()

    def test_a_failed_write_leaves_no_partial_output(self):
        self.add_shard(b">r1\n", b"r1\t0\t4\n")
        out = os.path.join(self.root, "out")
        os.mkdir(out)
        os.mkdir(f"{out}/repeats.bed.merging")  # the report is written, the BED file cannot be
        status = merge_shards.main(["merge_shards.py", "--input", "g.fa", "--report", f"{out}/report.txt",
                                    "--bed", f"{out}/repeats.bed", self.shards[0]])
        self.assertEqual(status, 1)
        self.assertEqual(os.listdir(out), ["repeats.bed.merging"])


@unittest.skipUnless(VELKOR, "set VELKOR to the program to compare with real runs")
class AgainstOneRunTest(unittest.TestCase):
    """Random genomes cut at random places, empty shards and an open last range included."""

    OPTION_SETS = [
        [],
        ["--searchMode", "exact", "--outputFormat", "0", "--printRepeatSeqMode", "1", "--flanking", "3"],
        ["--searchMode", "extendExact", "--outputFormat", "2", "--NsAsMissense", "--reportUnit", "0"],
    ]

    def run_velkor(self, cwd, *args):
        subprocess.run([VELKOR, *args], cwd=cwd, check=True, stderr=subprocess.DEVNULL)

    def test_merged_outputs_equal_one_run(self):
        rng = random.Random(11)
        with tempfile.TemporaryDirectory() as root:
            for case, options in enumerate(self.OPTION_SETS):
                records = rng.randint(1, 7)
                with open(os.path.join(root, "g.fa"), "w") as fasta:
                    for r in range(records):
                        name = "" if r == 1 else f"rec{r} note"
                        units = "".join(rng.choice("ACGT") * rng.randint(1, 3) for _ in range(3))
                        body = "".join(rng.choice([units * 5, "ACGTN"[rng.randint(0, 4)] * 3, "GATTACA"])
                                       for _ in range(rng.randint(0, 40)))
                        fasta.write(f">{name}\n{body}\n")
                cuts = sorted(rng.randint(1, records + 1) for _ in range(rng.randint(0, 3)))
                firsts = [1] + cuts
                shard_dirs = []
                for number, first in enumerate(firsts):
                    last = firsts[number + 1] - 1 if number + 1 < len(firsts) else -1
                    shard = os.path.join(root, f"case{case}", f"shard{number}")
                    os.makedirs(shard)
                    os.symlink(os.path.join(root, "g.fa"), os.path.join(shard, "g.fa"))
                    self.run_velkor(shard, *options, "--maskX", "--firstSeq", str(first), "--lastSeq", str(last),
                                    "--bedFile", "repeats.bed", "--summaryFile", "summary.tsv", "g.fa", "report.txt")
                    shard_dirs.append(shard)
                merged = os.path.join(root, f"case{case}", "merged")
                os.mkdir(merged)
                subprocess.run([sys.executable, merge_shards.__file__, "--input", "g.fa", "--report",
                                "merged/report.txt", "--bed", "merged/repeats.bed", "--masked", "merged/g.fa.masked",
                                "--summary", "merged/summary.tsv",
                                *shard_dirs], cwd=os.path.dirname(merged), check=True)
                whole = os.path.join(root, f"case{case}", "whole")
                os.makedirs(os.path.join(whole, "merged"))
                os.symlink(os.path.join(root, "g.fa"), os.path.join(whole, "g.fa"))
                self.run_velkor(whole, *options, "--maskX", "--bedFile", "merged/repeats.bed",
                                "--summaryFile", "merged/summary.tsv", "g.fa", "merged/report.txt")
                os.rename(os.path.join(whole, "g.fa.masked"), os.path.join(whole, "merged", "g.fa.masked"))
                for name in ("report.txt", "repeats.bed", "summary.tsv", "g.fa.masked"):
                    with open(os.path.join(merged, name), "rb") as got, \
                            open(os.path.join(whole, "merged", name), "rb") as expected:
                        self.assertEqual(got.read(), expected.read(), (case, options, cuts, name))


if __name__ == "__main__":
    unittest.main()
