#!/usr/bin/env python3
"""Merges the outputs of velkor runs over consecutive record ranges into those of one run.

    merge_shards.py --input NAME --report PATH --bed PATH [--summary PATH] [--masked PATH] SHARD_DIR...

Each SHARD_DIR holds one shard's report.txt and repeats.bed (with --summary,
its summary.tsv; with --masked, its one file ending in .masked), the shards in
record order. The
report written to PATH is the one velkor writes for the whole file NAME with
the report PATH and the BED file PATH: the head of the first shard with the
lines that name the files and the range put right, every shard's record
blocks in order, and one closing line. The BED file is the header and the
shards' lines in order; the masked file is the shards' masked files in order.
The summary is the header, the shards' record rows in order, and the run's
rows made again from the shards' run rows, as velkor sums its records.

Nothing is written unless every shard finished: a report without velkor's
closing line, shards run with different settings, or a missing file stops the
merge with a message and leaves no output behind. The outputs are written
next to their final names and renamed into place only once all are complete.
"""

import argparse
import os
import sys

CLOSING_LINE = b"## Finished successfully. ##\n"
HEAD_PREFIX = b"# "
# The head lines that differ between a shard's run and the whole run.
INPUT_LABEL = b"# Input file name:                    "
OUTPUT_LABEL = b"# Output file name:                   "
BED_LABEL = b"# BED file name:                      "
SUMMARY_LABEL = b"# Summary file name:                  "
RANGE_LABEL = b"#    Sequence range to process:       "
WHOLE_RANGE = b"1 - last sequence"
SHARD_REPORT = "report.txt"
SHARD_BED = "repeats.bed"
SHARD_SUMMARY = "summary.tsv"
MASKED_SUFFIX = ".masked"
COPY_CHUNK = 1 << 20


class MergeError(Exception):
    pass


def open_for_reading(path):
    try:
        return open(path, "rb")
    except OSError as error:
        raise MergeError(f"cannot read {path}: {error.strerror}") from error


class ShardReport:
    """A finished shard report: its head lines and where its record blocks lie in the file."""

    def __init__(self, path):
        self.path = path
        with open_for_reading(path) as report:
            size = report.seek(0, os.SEEK_END)
            report.seek(max(0, size - len(CLOSING_LINE)))
            if size < len(CLOSING_LINE) or report.read() != CLOSING_LINE:
                raise MergeError(f"{path} has no closing line: the shard did not finish successfully")
            report.seek(0)
            self.head = []
            while True:
                line = report.readline()
                if not line.startswith(HEAD_PREFIX):
                    break
                self.head.append(line)
            if not self.head:
                raise MergeError(f"{path} does not start with a velkor report head")
            self.body_start = sum(len(line) for line in self.head)
            self.body_end = size - len(CLOSING_LINE)


def whole_run_head(head, input_name, report_name, bed_name, summary_name=None):
    """The shard's head with its file names and range replaced by those of one run over everything."""
    replacements = [
        (INPUT_LABEL, input_name),
        (OUTPUT_LABEL, report_name),
        (BED_LABEL, bed_name),
        (RANGE_LABEL, WHOLE_RANGE),
    ]
    if summary_name is not None:
        replacements.append((SUMMARY_LABEL, summary_name))
    result = list(head)
    for label, value in replacements:
        found = [i for i, line in enumerate(result) if line.startswith(label)]
        if len(found) != 1:
            raise MergeError(f"the shard report head has {len(found)} lines starting with {label.decode().strip()!r}")
        result[found[0]] = label + value + b"\n"
    return b"".join(result)


def bed_header_of(path):
    with open_for_reading(path) as bed:
        header = bed.readline()
    if not header.startswith(b"#") or not header.endswith(b"\n"):
        raise MergeError(f"{path} does not start with a BED header line")
    return header


def summary_name_of(input_name):
    """The name velkor gives the whole run in the summary: the input's file name without .gz."""
    name = os.path.basename(input_name)
    return name[:-3] if len(name) > 3 and name.endswith(".gz") else name


def run_row_key(fields):
    """The order of velkor's run rows: by table, then unit length and repeat length, or motifs by length and
    then alphabetically."""
    table, unit_length, motif, repeat_length = fields
    order = ["all", "unit_length", "motif", "repeat_length"].index(table)
    if table == "motif":
        return (order, len(motif), motif.encode())
    return (order, 0 if unit_length == "." else int(unit_length), 0 if repeat_length == "." else int(repeat_length))


def merged_summary(paths, input_name):
    """The summary of one run over all the shards' records, as bytes."""
    header = None
    record_rows = []
    searched = 0
    tallies = {}
    for path in paths:
        with open_for_reading(path) as summary:
            lines = summary.read().decode("utf-8", "surrogateescape").splitlines(keepends=True)
        if not lines or (header is not None and lines[0] != header):
            raise MergeError(f"{path} does not start with the summary header line")
        header = lines[0]
        run_searched = None
        for line in lines[1:]:
            scope, rest = line.split("\t", 1)
            if scope == "record":
                record_rows.append(line)
                continue
            # The run's name may hold tabs, its last ten fields cannot.
            fields = rest.rstrip("\n").rsplit("\t", 9)
            if scope != "run" or len(fields) != 10:
                raise MergeError(f"{path} holds a line that is not a summary row")
            run_searched = int(fields[1])
            key = tuple(fields[2:6])
            repeats, residues = tallies.get(key, (0, 0))
            tallies[key] = (repeats + int(fields[6]), residues + int(fields[7]))
        if run_searched is None:
            raise MergeError(f"{path} has no row for its whole run")
        searched += run_searched
    per_mbp = 0.0 if searched == 0 else 1e6 / float(searched)
    name = summary_name_of(input_name)
    run_rows = [
        "run\t%s\t%d\t%s\t%s\t%s\t%s\t%d\t%d\t%.2f\t%.2f\n"
        % (name, searched, *key, repeats, residues, repeats * per_mbp, residues * per_mbp)
        for key, (repeats, residues) in sorted(tallies.items(), key=lambda item: run_row_key(item[0]))
    ]
    return "".join([header] + record_rows + run_rows).encode("utf-8", "surrogateescape")


def masked_file_of(shard_dir):
    names = [name for name in sorted(os.listdir(shard_dir)) if name.endswith(MASKED_SUFFIX)]
    if len(names) != 1:
        raise MergeError(f"{shard_dir} holds {len(names)} masked files, not one")
    return os.path.join(shard_dir, names[0])


def copy_part(source_path, start, end, target):
    with open_for_reading(source_path) as source:
        source.seek(start)
        left = None if end is None else end - start
        while left is None or left > 0:
            chunk = source.read(COPY_CHUNK if left is None else min(COPY_CHUNK, left))
            if not chunk:
                break
            target.write(chunk)
            if left is not None:
                left -= len(chunk)


def plan_merge(shard_dirs, input_name, report_path, bed_path, masked_path=None, summary_path=None):
    """Checks every shard and returns {output path: [pieces]}, a piece being bytes or
    (file, start, end); raises MergeError before anything is written."""
    if not shard_dirs:
        raise MergeError("no shards to merge")
    names = [os.fsencode(name) for name in (input_name, report_path, bed_path)]
    if summary_path is not None:
        names.append(os.fsencode(summary_path))
    reports = [ShardReport(os.path.join(d, SHARD_REPORT)) for d in shard_dirs]
    head = whole_run_head(reports[0].head, *names)
    for shard_dir, report in zip(shard_dirs[1:], reports[1:]):
        if whole_run_head(report.head, *names) != head:
            raise MergeError(f"the shard in {shard_dir} was run with other settings than the one in {shard_dirs[0]}")
    beds = [os.path.join(d, SHARD_BED) for d in shard_dirs]
    bed_header = bed_header_of(beds[0])
    for bed in beds[1:]:
        if bed_header_of(bed) != bed_header:
            raise MergeError(f"{bed} has another header line than {beds[0]}")
    plan = {
        report_path: [head] + [(r.path, r.body_start, r.body_end) for r in reports] + [CLOSING_LINE],
        bed_path: [bed_header] + [(bed, len(bed_header), None) for bed in beds],
    }
    if masked_path is not None:
        plan[masked_path] = [(masked_file_of(d), 0, None) for d in shard_dirs]
    if summary_path is not None:
        plan[summary_path] = [merged_summary([os.path.join(d, SHARD_SUMMARY) for d in shard_dirs], input_name)]
    return plan


def write_all(plan):
    """Writes every output beside its name and renames them into place once all are written."""
    written = {}
    try:
        for path, pieces in plan.items():
            temporary = f"{path}.merging"
            with open(temporary, "wb") as target:
                written[path] = temporary
                for piece in pieces:
                    if isinstance(piece, bytes):
                        target.write(piece)
                    else:
                        copy_part(*piece, target)
        # The report goes last: its closing line tells a reader the merge is whole.
        for path, temporary in reversed(list(written.items())):
            os.replace(temporary, path)
    except (OSError, MergeError) as error:
        for temporary in written.values():
            if os.path.exists(temporary):
                os.remove(temporary)
        if isinstance(error, MergeError):
            raise
        raise MergeError(f"cannot write {error.filename}: {error.strerror}") from error


def main(argv):
    parser = argparse.ArgumentParser(description="Merge velkor shard outputs into those of one run.")
    parser.add_argument("--input", required=True, help="the genome's name as the whole run would be given it")
    parser.add_argument("--report", required=True, help="the merged report")
    parser.add_argument("--bed", required=True, help="the merged BED file")
    parser.add_argument("--masked", help="the merged masked file (the shards were run with --maskX)")
    parser.add_argument("--summary", help="the merged summary (the shards were run with --summaryFile)")
    parser.add_argument("shard_dirs", nargs="+", metavar="SHARD_DIR", help="shard directories in record order")
    args = parser.parse_args(argv[1:])
    try:
        write_all(plan_merge(args.shard_dirs, args.input, args.report, args.bed, args.masked, args.summary))
    except MergeError as error:
        sys.stderr.write(f"merge_shards.py: {error}; nothing was merged\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
