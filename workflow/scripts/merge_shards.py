#!/usr/bin/env python3
"""Merges the outputs of velkor runs over consecutive record ranges into those of one run.

    merge_shards.py --input NAME --report PATH [--bed PATH] [--gff PATH] [--trgt PATH] [--hipstr PATH]
                    [--expansionhunter PATH] [--summary PATH] [--masked PATH] SHARD_DIR...

Each SHARD_DIR holds one shard's report.txt and, for each other output asked
for, the shard's file of that output (repeats.bed, repeats.gff3, trgt.bed,
hipstr.txt, expansionhunter.json, summary.tsv, its one file ending in
.masked), the shards in record order. The report written to PATH is the one
velkor writes for the whole file NAME with the outputs at the paths given:
the head of the first shard with the lines that name the files and the range
put right, every shard's record blocks in order, and one closing line. The
BED file is the header and the shards' lines in order; the masked file is the
shards' masked files in order. The GFF3 file is the head line and the
shards' lines in order, its repeats numbered on from the shards before and
no sequence-region repeated for a name an earlier shard's record had. A
catalogue is the shards' loci in order, without those of records named like
a record of an earlier shard (one run keeps only the first record of a
name). The summary is the header, the shards' record rows in order, and the
run's rows made again from the shards' run rows, as velkor sums its records.

Nothing is written unless every shard finished: a report without velkor's
closing line, shards run with different settings, or a missing file stops the
merge with a message and leaves no output behind. The outputs are written
next to their final names and renamed into place only once all are complete.
"""

import argparse
import json
import os
import re
import sys

CLOSING_LINE = b"## Finished successfully. ##\n"
HEAD_PREFIX = b"# "
# The head lines that differ between a shard's run and the whole run.
INPUT_LABEL = b"# Input file name:                    "
OUTPUT_LABEL = b"# Output file name:                   "
BED_LABEL = b"# BED file name:                      "
SUMMARY_LABEL = b"# Summary file name:                  "
GFF_LABEL = b"# GFF3 file name:                     "
CATALOGUE_LABEL = b"# Catalogue file name:                "
CATALOGUE_FORMATS = ("trgt", "hipstr", "expansionhunter")
RECORD_END = re.compile(rb'^# Analysis of sequence "(.*)" completed\.$')
GFF_ID = re.compile(rb"^ID=TR(\d+);")
RANGE_LABEL = b"#    Sequence range to process:       "
WHOLE_RANGE = b"1 - last sequence"
SHARD_REPORT = "report.txt"
SHARD_BED = "repeats.bed"
SHARD_SUMMARY = "summary.tsv"
SHARD_GFF = "repeats.gff3"
SHARD_CATALOGUES = {"trgt": "trgt.bed", "hipstr": "hipstr.txt", "expansionhunter": "expansionhunter.json"}
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

    def chromosomes(self):
        """The names other tools know this shard's records by, as velkor makes them: the first word of each."""
        names = []
        with open_for_reading(self.path) as report:
            report.seek(self.body_start)
            for line in report:
                found = RECORD_END.match(line.rstrip(b"\n"))
                if found:
                    words = found.group(1).split()
                    names.append(words[0] if words else b"")
        return names


def whole_run_head(head, input_name, report_name, files):
    """The shard's head with its file names and range replaced by those of one run over everything.

    files maps the label of each other output's line (for a catalogue, the label and its format) to its name."""
    replacements = [(INPUT_LABEL, b"", input_name), (OUTPUT_LABEL, b"", report_name), (RANGE_LABEL, b"", WHOLE_RANGE)]
    for label, name in files.items():
        if isinstance(label, tuple):
            replacements.append((label[0], b" (" + label[1].encode() + b" format)", name))
        else:
            replacements.append((label, b"", name))
    result = list(head)
    for label, suffix, value in replacements:
        found = [i for i, line in enumerate(result) if line.startswith(label) and line.endswith(suffix + b"\n")]
        if len(found) != 1:
            raise MergeError(f"the shard report head has {len(found)} lines starting with {label.decode().strip()!r}")
        result[found[0]] = label + value + suffix + b"\n"
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


def gff_seqid(name):
    """A record name as velkor writes it in GFF3's first column."""
    plain = b".:^*$@!+_?-|"
    return b"".join(bytes([c]) if chr(c).isalnum() and c < 128 or c in plain else b"%%%02X" % c for c in name)


def read_lines(path):
    with open_for_reading(path) as file:
        return file.read().splitlines(keepends=True)


def merged_gff(paths, shard_chromosomes):
    """One run's GFF3 file: repeats numbered on, one sequence-region per name."""
    head = None
    pieces = []
    numbered = 0
    regions = set()
    for path, chromosomes in zip(paths, shard_chromosomes):
        lines = read_lines(path)
        if not lines or (head is not None and lines[0] != head):
            raise MergeError(f"{path} does not start with the GFF3 head line")
        head = lines[0]
        features = 0
        for line in lines[1:]:
            if line.startswith(b"##sequence-region "):
                if line.split(b" ")[1] not in regions:
                    pieces.append(line)
                continue
            columns = line.split(b"\t", 8)
            number = GFF_ID.match(columns[-1]) if len(columns) == 9 else None
            if not number:
                raise MergeError(f"{path} holds a line that is not a repeat of velkor's")
            features += 1
            columns[-1] = b"ID=TR%d;" % (numbered + int(number.group(1))) + columns[-1][number.end():]
            pieces.append(b"\t".join(columns))
        numbered += features
        regions.update(gff_seqid(name) for name in chromosomes)
    return b"".join([head] + pieces)


def catalogue_loci(path, format):
    """A shard catalogue's loci, each as written without what joins it to others, with its record's name."""
    lines = read_lines(path)
    if format != "expansionhunter":
        return [(line.split(b"\t", 1)[0], line) for line in lines]
    if len(lines) < 2 or lines[0] != b"[\n" or lines[-1] != b"]\n":
        raise MergeError(f"{path} is not an ExpansionHunter catalogue of velkor's")
    loci = []
    for line in lines[1:-1]:
        text = line[:-2] if line.endswith(b",\n") else line[:-1]
        try:
            region = json.loads(text)["ReferenceRegion"]
        except (ValueError, KeyError) as error:
            raise MergeError(f"{path} holds a locus that cannot be read") from error
        loci.append((region.rsplit(":", 1)[0].encode("utf-8", "surrogateescape"), text))
    return loci


def merged_catalogue(paths, format, shard_chromosomes):
    """One run's catalogue: no loci of a record named like a record of an earlier shard."""
    earlier = set()
    kept = []
    for path, chromosomes in zip(paths, shard_chromosomes):
        kept += [text for name, text in catalogue_loci(path, format) if name not in earlier]
        earlier.update(chromosomes)
    if format != "expansionhunter":
        return b"".join(kept)
    return b"[" + b",".join(b"\n" + text for text in kept) + b"\n]\n"


def plan_merge(shard_dirs, input_name, report_path, outputs):
    """Checks every shard and returns {output path: [pieces]}, a piece being bytes or
    (file, start, end); raises MergeError before anything is written.

    outputs maps each output asked for besides the report (bed, gff, a catalogue format, summary, masked) to its
    path."""
    if not shard_dirs:
        raise MergeError("no shards to merge")
    labels = {"bed": BED_LABEL, "gff": GFF_LABEL, "summary": SUMMARY_LABEL}
    labels.update((format, (CATALOGUE_LABEL, format)) for format in CATALOGUE_FORMATS)
    named = {labels[output]: os.fsencode(path) for output, path in outputs.items() if output in labels}
    names = (os.fsencode(input_name), os.fsencode(report_path), named)
    reports = [ShardReport(os.path.join(d, SHARD_REPORT)) for d in shard_dirs]
    head = whole_run_head(reports[0].head, *names)
    for shard_dir, report in zip(shard_dirs[1:], reports[1:]):
        if whole_run_head(report.head, *names) != head:
            raise MergeError(f"the shard in {shard_dir} was run with other settings than the one in {shard_dirs[0]}")
    plan = {report_path: [head] + [(r.path, r.body_start, r.body_end) for r in reports] + [CLOSING_LINE]}
    if "bed" in outputs:
        beds = [os.path.join(d, SHARD_BED) for d in shard_dirs]
        bed_header = bed_header_of(beds[0])
        for bed in beds[1:]:
            if bed_header_of(bed) != bed_header:
                raise MergeError(f"{bed} has another header line than {beds[0]}")
        plan[outputs["bed"]] = [bed_header] + [(bed, len(bed_header), None) for bed in beds]
    if "gff" in outputs or any(format in outputs for format in CATALOGUE_FORMATS):
        chromosomes = [report.chromosomes() for report in reports]
        if "gff" in outputs:
            plan[outputs["gff"]] = [merged_gff([os.path.join(d, SHARD_GFF) for d in shard_dirs], chromosomes)]
        for format in CATALOGUE_FORMATS:
            if format in outputs:
                paths = [os.path.join(d, SHARD_CATALOGUES[format]) for d in shard_dirs]
                plan[outputs[format]] = [merged_catalogue(paths, format, chromosomes)]
    if "masked" in outputs:
        plan[outputs["masked"]] = [(masked_file_of(d), 0, None) for d in shard_dirs]
    if "summary" in outputs:
        paths = [os.path.join(d, SHARD_SUMMARY) for d in shard_dirs]
        plan[outputs["summary"]] = [merged_summary(paths, input_name)]
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
    parser.add_argument("--bed", help="the merged BED file (the shards were run with --bedFile)")
    parser.add_argument("--gff", help="the merged GFF3 file (the shards were run with --gffFile)")
    for format in CATALOGUE_FORMATS:
        parser.add_argument(f"--{format}", help=f"the merged {format} catalogue (the shards were run with it)")
    parser.add_argument("--summary", help="the merged summary (the shards were run with --summaryFile)")
    parser.add_argument("--masked", help="the merged masked file (the shards were run with --maskX)")
    parser.add_argument("shard_dirs", nargs="+", metavar="SHARD_DIR", help="shard directories in record order")
    args = parser.parse_args(argv[1:])
    outputs = {name: getattr(args, name) for name in ("bed", "gff", *CATALOGUE_FORMATS, "summary", "masked")
               if getattr(args, name) is not None}
    try:
        write_all(plan_merge(args.shard_dirs, args.input, args.report, outputs))
    except MergeError as error:
        sys.stderr.write(f"merge_shards.py: {error}; nothing was merged\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
