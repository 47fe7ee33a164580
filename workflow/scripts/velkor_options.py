"""Which velkor options a genome's `options` may hold, and which outputs the workflow writes.

Every option of `velkor --help` is in exactly one of the two tables below; the
workflow's test fails for an option in neither, so that one added to velkor
later is judged here before it can reach a shard. An option may go to the
shards when every shard applies it to its own records alike and the merged
outputs are then those of one run. Options that name a file, turn on an
output or cannot be merged are refused, with the config key to use instead.
"""

import shlex

# Options a shard may take, and whether each takes a value.
MERGEABLE = {
    "-M": True, "--searchMode": True,
    "-g": True, "--indelScore": True,
    "-m": True, "--mismatchScore": True,
    "-s": True, "--minScore": True,
    "--minScore_a": True,
    "--minScore_b": True,
    "-l": True, "--minLength": True,
    "--minLength_a": True,
    "--minLength_b": True,
    "-U": True, "--maxUnitLen": True,
    "-u": True, "--minUnitLen": True,
    "-r": True, "--recursion": True,
    "-R": True, "--maximum_score_reduction": True,
    "-D": False, "--dontRemoveMostlyOverlapping": False,
    "-P": True, "--minPerfection": True,
    "-f": True, "--flanking": True,
    "--catalogMinCopies": True,
    "--catalogMinLength": True,
    "--outputFormat": True,
    "--printRepeatSeqMode": True,
    "--NPerfectionMode": True,
    "--reportUnit": True,
    "--NsAsMissense": False,
    "-N": True, "--succN": True,
    "-q": False, "--quiet": False,
}

_OUTPUTS_KEY = "use the config key 'outputs', a list holding {}"
_SHARDS = "the workflow gives each shard its records; use the config key 'shards'"
_FILES = "the workflow names the files; give the genome's path under 'genomes'"
_NO_RUN = "it ends velkor before any search"
# Options refused in `options`, with what to do instead.
REFUSED = {
    "--firstSeq": _SHARDS,
    "--lastSeq": _SHARDS,
    "-t": "use the config key 'threads'",
    "--threads": "use the config key 'threads'",
    "--bedFile": _OUTPUTS_KEY.format("bed"),
    "--gffFile": _OUTPUTS_KEY.format("gff"),
    "--summaryFile": _OUTPUTS_KEY.format("summary"),
    "--catalog": _OUTPUTS_KEY.format("trgt, hipstr or expansionhunter"),
    "--maskX": _OUTPUTS_KEY.format("masked"),
    "--maskFile": _OUTPUTS_KEY.format("masked"),
    "--maskWith": "use the config keys 'outputs', a list holding masked, and 'mask_with'",
    "--maskKeepInput": "use the config keys 'outputs', a list holding masked, and 'mask_keep_input: true'",
    "--": _FILES,
    "--ignore_rest": _FILES,
    "-v": _NO_RUN,
    "--version": _NO_RUN,
    "-h": _NO_RUN,
    "--help": _NO_RUN,
}

# The outputs a genome may ask for in 'outputs': the merged file's name in
# OUTDIR/genomes/NAME/ (the masked file's is GENOME's file name with
# .masked), and the option that makes a shard write it into its folder.
OUTPUT_FILES = {
    "bed": "repeats.bed",
    "gff": "repeats.gff3",
    "summary": "summary.tsv",
    "trgt": "trgt.bed",
    "hipstr": "hipstr.txt",
    "expansionhunter": "expansionhunter.json",
    "masked": None,
}
DEFAULT_OUTPUTS = ["bed", "summary"]
MASK_WITH = ("X", "N", "lower")


def output_options(outputs, folder, mask_with="X", mask_keep_input=False):
    """The velkor options that write the chosen outputs into folder, in the order velkor's report head lists them."""
    options = []
    for name, option in (("bed", "--bedFile"), ("gff", "--gffFile")):
        if name in outputs:
            options += [option, f"{folder}/{OUTPUT_FILES[name]}"]
    for name in ("trgt", "hipstr", "expansionhunter"):
        if name in outputs:
            options += ["--catalog", f"{name}:{folder}/{OUTPUT_FILES[name]}"]
    if "summary" in outputs:
        options += ["--summaryFile", f"{folder}/{OUTPUT_FILES['summary']}"]
    if "masked" in outputs:
        options += ["--maskX"] + ([] if mask_with == "X" else ["--maskWith", mask_with])
        options += ["--maskKeepInput"] if mask_keep_input else []
    return options


def refusal(options_text):
    """Why options_text cannot go to the shards, or None when it can."""
    try:
        words = shlex.split(options_text)
    except ValueError as error:
        return f"the options cannot be read ({error})"
    i = 0
    while i < len(words):
        word = words[i]
        option, has_value, _ = word.partition("=")
        if option in REFUSED:
            return f"{option} cannot be given in 'options': {REFUSED[option]}"
        if option in MERGEABLE:
            i += 2 if MERGEABLE[option] and not has_value else 1
            continue
        if word.startswith("-") and not word.startswith("--") and len(word) > 2:
            # One-letter switches run together (-Dq).
            for letter in word[1:]:
                short = "-" + letter
                if short in REFUSED:
                    return f"{short} (in {word}) cannot be given in 'options': {REFUSED[short]}"
                if MERGEABLE.get(short) is not False:
                    return f"{word} is not an option the workflow knows"
            i += 1
            continue
        if word.startswith("-"):
            return f"{word} is not an option the workflow knows"
        return f"{word!r} would be taken as a file name: {_FILES}"
    return None
