"""Every file path and ./ command the README names exists in the repository."""

import pathlib
import re
import sys
import unittest

ROOT = pathlib.Path(__file__).resolve().parent.parent
# Paths in backticks or links that point into the repository; build output and Windows paths aside.
CANDIDATE = re.compile(r"(?:`|\]\()(\.?/?(?:[\w.-]+/)*[\w.-]+\.(?:sh|md|py|yml|cmake|png|txt|rc|cpp|h)|"
                       r"(?:src|tests|docs|scripts|cmake|\.github)/[\w./-]*)(?:`|\))")
COMMAND = re.compile(r"(?<![\w/])\./([\w.-]+\.sh)")
GENERATED = ("build/", "kestrin-")


class ReadmePaths(unittest.TestCase):
    def test_every_named_path_and_command_exists(self):
        text = (ROOT / "README.md").read_text(encoding="utf-8")
        named = {m.group(1) for m in CANDIDATE.finditer(text)} | {m.group(1) for m in COMMAND.finditer(text)}
        named = {n.lstrip("./") if n.startswith("./") else n for n in named}
        missing = sorted(n for n in named if not n.startswith(GENERATED) and not (ROOT / n).exists())
        self.assertTrue(named, "no paths found: the pattern is broken")
        self.assertEqual(missing, [], "the README names files that do not exist")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
