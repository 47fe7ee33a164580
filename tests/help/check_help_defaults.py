#!/usr/bin/env python3
"""Every default that --help states must be the value a run takes without
the option: a run given the stated value must write the same report,
parameter summary included, as a run without it.

usage: check_help_defaults.py VELKOR
"""
import os
import re
import subprocess
import sys
import tempfile

# Options whose default implies something else when given explicitly
# (--maskWith turns masking on), and their stated words for "none".
SKIPPED = {"maskWith"}
WORDS = {"no limit": "2147483647"}


def stated_defaults(help_text):
    """(long option name, stated default) for each option of the usage."""
    blocks = re.split(r"\n(?=   -)", help_text)
    for block in blocks:
        # Switches have no value to give.
        name = re.search(r"--(\w+) <", block.splitlines()[0])
        if not name:
            continue
        text = " ".join(block.split())
        stated = re.search(r"Default(?: value of \w+)?: (no limit|-?[\w.]+)", text)
        if stated:
            yield name.group(1), WORDS.get(stated.group(1), stated.group(1).rstrip("."))


def run(velkor, args, folder):
    report = os.path.join(folder, "report.txt")
    status = subprocess.run([velkor, "-q", *args, os.path.join(folder, "in.fa"), report],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    with open(report) as f:
        return status, f.read()


def main():
    velkor = sys.argv[1]
    help_text = subprocess.run([velkor, "--help"], capture_output=True, text=True).stdout
    failures, checked = [], 0
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "in.fa"), "w") as f:
            f.write(">r\nACACACACACACACACAGAGAGAGAGTTTTTTTTTTNNACGTACGTACG\n")
        plain = run(velkor, [], folder)
        for option, value in stated_defaults(help_text):
            if option in SKIPPED or not re.fullmatch(r"-?[0-9.]+|[A-Za-z]+", value):
                continue
            checked += 1
            if run(velkor, ["--" + option, value], folder) != plain:
                failures.append(f"--{option}: --help says the default is {value}, a run says otherwise")
    for failure in failures:
        print(failure)
    # Every option that takes a value states its default; fewer means the parse above broke.
    if checked < 20:
        failures.append(f"only {checked} stated defaults found in --help")
        print(failures[-1])
    print(f"{checked - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
