"""Shard plans: every record in exactly one shard, shards as even as the records allow,
and record lengths read the way velkor reads the records."""

import gzip
import itertools
import os
import random
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "workflow", "scripts"))
import shard_plan  # noqa: E402


def best_largest_shard(lengths, shards):
    """The smallest largest shard over every way to cut, by trying them all."""
    best = sum(lengths)
    for cuts in itertools.combinations_with_replacement(range(len(lengths) + 1), shards - 1):
        bounds = (0,) + cuts + (len(lengths),)
        best = min(best, max(sum(lengths[a:b]) for a, b in zip(bounds, bounds[1:])))
    return best


class SplitTest(unittest.TestCase):
    def check_covers_every_record_once(self, lengths, shards):
        ranges = shard_plan.plan_ranges(lengths, shards)
        self.assertEqual(len(ranges), shards)
        self.assertEqual(ranges[0][0], 1)
        self.assertEqual(ranges[-1][1], shard_plan.OPEN_END)
        for (_, last, _), (next_first, _, _) in zip(ranges, ranges[1:]):
            self.assertEqual(next_first, last + 1)
        self.assertEqual(sum(residues for _, _, residues in ranges), sum(lengths))
        return ranges

    def test_random_genomes_get_the_best_largest_shard_and_lose_no_record(self):
        rng = random.Random(7)
        for _ in range(300):
            lengths = [rng.choice([0, 1, 5, 40, 1000]) * rng.randint(0, 3) for _ in range(rng.randint(1, 8))]
            shards = rng.randint(1, 5)
            ranges = self.check_covers_every_record_once(lengths, shards)
            largest = max(residues for _, _, residues in ranges)
            self.assertEqual(largest, best_largest_shard(lengths, shards), (lengths, shards))

    def test_one_huge_record_is_alone_and_the_small_ones_are_spread(self):
        small = [1] * 99
        self.assertEqual(shard_plan.split_lengths([1000] + small, 4), [1, 33, 33, 33])
        self.assertEqual(shard_plan.split_lengths(small + [1000], 4), [33, 33, 33, 1])
        self.assertEqual(shard_plan.split_lengths(small[:50] + [1000] + small[:50], 3), [50, 1, 50])

    def test_fewer_records_than_shards_leaves_empty_ranges_that_search_nothing(self):
        ranges = self.check_covers_every_record_once([5, 5], 4)
        self.assertEqual(ranges, [(1, 1, 5), (2, 2, 5), (3, 2, 0), (3, -1, 0)])
        self.assertEqual(shard_plan.plan_ranges([], 2), [(1, 0, 0), (1, -1, 0)])


class LengthsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, name, data, compress=False):
        with (gzip.open if compress else open)(self.path(name), "wb") as file:
            file.write(data)
        return self.path(name)

    def test_scan_counts_records_as_velkor_does(self):
        text = (b"# comment > not a header\n\n>one two\nAC GT-*\r\nacgtn\n>empty\n>cr\rACG\rT\n>last\nAAAA")
        for compress in (False, True):
            path = self.write("g.fa" + (".gz" if compress else ""), text, compress)
            self.assertEqual(shard_plan.record_lengths(path), [9, 0, 4, 4])
            for chunk_size in range(1, 12):  # records and line ends cut at every place
                self.assertEqual(shard_plan.lengths_from_scan(path, chunk_size), [9, 0, 4, 4])

    def test_a_current_fai_is_used_and_a_stale_one_ignored(self):
        path = self.write("g.fa", b">a\nACGT\n>b\nAC\n")
        fai = self.write("g.fa.fai", b"a\t400\t3\t4\t5\nb\t200\t11\t2\t3\n")
        os.utime(fai, (os.path.getmtime(path) + 10,) * 2)
        self.assertEqual(shard_plan.record_lengths(path), [400, 200])
        os.utime(fai, (os.path.getmtime(path) - 10,) * 2)
        self.assertEqual(shard_plan.record_lengths(path), [4, 2])

    def test_command_writes_the_plan_and_refuses_damaged_input(self):
        path = self.write("g.fa", b">a\nACGT\n>b\nAC\n>c\nA\n")
        plan = self.path("plan.tsv")
        self.assertEqual(shard_plan.main(["shard_plan.py", path, "2", plan]), 0)
        with open(plan) as file:
            self.assertEqual(file.read(), "0\t1\t1\t4\n1\t2\t-1\t3\n")
        broken = self.write("broken.fa.gz", gzip.compress(b">a\nACGT\n" * 100)[:30])
        self.assertEqual(shard_plan.main(["shard_plan.py", broken, "2", self.path("other.tsv")]), 1)
        self.assertFalse(os.path.exists(self.path("other.tsv")))
        self.assertEqual(shard_plan.main(["shard_plan.py", path, "0", plan]), 2)


if __name__ == "__main__":
    unittest.main()
