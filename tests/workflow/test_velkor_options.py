"""Every option of `velkor --help` is judged by the workflow, and every option that writes a file is refused.

The program is $VELKOR (ctest sets it), else build/velkor of the source tree.
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "workflow", "scripts"))
import velkor_options  # noqa: E402

VELKOR = os.environ.get("VELKOR") or os.path.join(HERE, "..", "..", "build", "velkor")
# An option's line in the usage: "   -M <a|b>,  --searchMode <a|b>" or "   --bedFile <path>"; a long label may
# go on in the next line.
OPTION_LINE = re.compile(r"^   (?:(-\w|--)(?: <([^>]*)>)?,  )?(--\w*)(?: <([^>]*)>?)?")


def help_options():
    """{option name: its value's label, or None for a switch}, short and long names alike."""
    usage = subprocess.run([VELKOR, "--help"], capture_output=True, text=True, check=True).stdout
    options = {}
    for line in usage[usage.index("Where:"):].splitlines():
        found = OPTION_LINE.match(line)
        if found:
            short, short_label, long, long_label = found.groups()
            # Both names take the same value; the short one's label is never cut by the line's end.
            options[long] = short_label if short else long_label
            if short:
                options[short] = short_label
    return options


def a_value(label):
    """A value the option takes, from its label in the usage."""
    if label is None:
        return []
    if "|" in label:
        return [label.split("|")[-1]]
    if "PATH" in label:
        return ["trgt:written.out"]
    return {"path": ["written.out"], "int": ["2"], "float": ["1"]}[label]


class EveryOptionJudged(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.options = help_options()

    def test_usage_is_read(self):
        self.assertIn("--bedFile", self.options)
        self.assertGreater(len(self.options), 40)

    def test_each_option_in_one_table_with_its_value(self):
        for option, label in self.options.items():
            with self.subTest(option=option):
                mergeable = option in velkor_options.MERGEABLE
                self.assertNotEqual(mergeable, option in velkor_options.REFUSED,
                                    "judge the option in workflow/scripts/velkor_options.py")
                if mergeable:
                    self.assertEqual(velkor_options.MERGEABLE[option], label is not None)
        for option in list(velkor_options.MERGEABLE) + list(velkor_options.REFUSED):
            with self.subTest(option=option):
                self.assertIn(option, self.options, "velkor has no such option")

    # An option is tried on a real run: if a file appears beside the report,
    # the option writes one and must be refused, naming a config key.
    def test_options_that_write_files_are_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "in.fa"), "w") as fasta:
                fasta.write(">r\nGGACACACACACACACACTTT\n")
            writers = set()
            for option, label in self.options.items():
                if option in ("-h", "--help", "-v", "--version", "--", "--ignore_rest"):
                    continue
                subprocess.run([VELKOR, "-q", option, *a_value(label), "in.fa", "report.txt"], cwd=folder,
                               capture_output=True)
                made = set(os.listdir(folder)) - {"in.fa", "report.txt"}
                for name in made:
                    os.remove(os.path.join(folder, name))
                if made:
                    writers.add(option)
        self.assertTrue({"--bedFile", "--catalog", "--maskX", "--maskWith"} <= writers, writers)
        for option in writers:
            with self.subTest(option=option):
                why = velkor_options.refusal(" ".join([option, *a_value(self.options[option])]))
                self.assertIsNotNone(why)
                self.assertIn("config key", why)

    def test_refusal_of_words_that_are_no_option(self):
        self.assertIsNone(velkor_options.refusal("--minScore 8 -Dq -M exact --catalogMinLength 20"))
        self.assertIn("'threads'", velkor_options.refusal("-Dt 2"))
        self.assertIn("'genomes'", velkor_options.refusal("--minScore 8 genome.fa"))
        self.assertIn("not an option", velkor_options.refusal("--no-such-option"))


if __name__ == "__main__":
    unittest.main()
