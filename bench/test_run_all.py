#!/usr/bin/python3
"""Tests of the parts of run_all.py that turn program output into figures and figures into the
README: a misread phase line or a README section written twice would silently spoil the record.

usage: /usr/bin/python3 -m unittest bench/test_run_all.py   (from the repository root)
"""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_all  # noqa: E402


class ParsingTest(unittest.TestCase):
    def test_keyed_floats_reads_pairs_and_skips_words_that_are_not_numbers(self):
        cases = [
            ("read 0.0023 update 0.0186 save 0.0266 close 0.0002 total 0.0477 peak_kb 7856",
             {"read": 0.0023, "update": 0.0186, "save": 0.0266, "close": 0.0002, "total": 0.0477,
              "peak_kb": 7856.0}),
            ("read 0.5 edit x save 0.2", {"read": 0.5, "save": 0.2}),
            ("", {}),
            ("read", {}),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(run_all.keyed_floats(text), expected)

    def test_ezdxf_phases_takes_the_last_line_of_stderr(self):
        stderr = ("some warning\n"
                  "companion+ini 0.001 s, read 0.210 s, update 0.060 s, save 0.160 s\n")
        self.assertEqual(run_all.ezdxf_phases(stderr),
                         {"companion+ini": 0.001, "read": 0.21, "update": 0.06, "save": 0.16})

    def test_fmt_s_gives_median_and_range(self):
        self.assertEqual(run_all.fmt_s([0.3, 0.1, 0.2]), "0.200 [0.100–0.300]")
        self.assertEqual(run_all.fmt_s([]), "-")


class WrapTest(unittest.TestCase):
    def test_tables_and_headings_stay_whole_prose_and_list_items_wrap(self):
        row = "| " + " | ".join(["cell"] * 40) + " |"
        prose = " ".join(["word"] * 40)
        item = "- " + " ".join(["item"] * 40)
        out = run_all.wrap_prose(["# Title " + "x" * 120, row, prose, item], width=50)
        self.assertEqual(out[0], "# Title " + "x" * 120)
        self.assertEqual(out[1], row)
        self.assertTrue(all(len(line) <= 50 for line in out[2:]))
        self.assertTrue(any(line.startswith("  item") for line in out))


class ReadmeTest(unittest.TestCase):
    RECORD = "# Performance record\n\nintro\n\n## Update job\n\n| a | b |\n|---|---|\n| 1 | 2 |\n"

    def readme(self, text):
        fd, path = tempfile.mkstemp(suffix=".md")
        with os.fdopen(fd, "w") as f:
            f.write(text)
        self.addCleanup(os.unlink, path)
        return path

    def read(self, path):
        with open(path) as f:
            return f.read()

    def test_section_goes_before_layout_and_is_replaced_not_repeated(self):
        path = self.readme("# brakon\n\n## Fuzzing\n\ntext\n\n## Layout\n\ntree\n")
        run_all.update_readme(path, self.RECORD)
        first = self.read(path)
        run_all.update_readme(path, self.RECORD.replace("| 1 | 2 |", "| 3 | 4 |"))
        second = self.read(path)
        self.assertEqual(second.count("## Performance"), 1)
        self.assertIn("| 3 | 4 |", second)
        self.assertNotIn("| 1 | 2 |", second)
        self.assertLess(second.index("## Performance"), second.index("## Layout"))
        self.assertIn("### Update job", first)
        # The sections around it are left as they were.
        self.assertTrue(second.startswith("# brakon\n\n## Fuzzing\n\ntext\n\n## Performance"))
        self.assertTrue(second.endswith("## Layout\n\ntree\n"))

    def test_section_is_appended_when_there_is_no_layout_section(self):
        path = self.readme("# brakon\n\ntext\n")
        run_all.update_readme(path, self.RECORD)
        text = self.read(path)
        self.assertTrue(text.startswith("# brakon\n\ntext\n"))
        self.assertIn("## Performance", text)

    def test_a_last_section_is_replaced_up_to_the_end(self):
        path = self.readme("# brakon\n\n## Performance\n\nold figures\n")
        run_all.update_readme(path, self.RECORD)
        text = self.read(path)
        self.assertNotIn("old figures", text)
        self.assertEqual(text.count("## Performance"), 1)


if __name__ == "__main__":
    unittest.main()
