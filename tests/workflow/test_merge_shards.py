"""Merging shard outputs: one run's outputs, and nothing at all when a shard is not whole.

(The workflow test compares merged outputs of real runs with a single run's.)
"""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "workflow", "scripts"))
import merge_shards  # noqa: E402


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


if __name__ == "__main__":
    unittest.main()
