"""The two batch commands through cadhost on DXF drawings written with ezdxf:
the dependency listing (the list file against ezdxf's reading of the
references, cycles, another code page, a command script with typed names)
and the referenced-document replacement (stored paths, backup, what a save
changes tag by tag, an unreadable drawing). Choices and failure paths are
pinned by the module's unit tests."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")


class CommandCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="commands-")
        self.addCleanup(shutil.rmtree, self.dir)

    def p(self, name):
        return os.path.join(self.dir, *name.split("/"))

    def cadhost(self, *args, cwd=None):
        result = subprocess.run([CADHOST, *args], capture_output=True, timeout=120, cwd=cwd)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode("utf-8")


class ListingTest(CommandCase):
    """asm/top.dwg references left.dwg, ..\\parts\\right.dwg and a missing
    drawing; left and right both reference base.dwg (stored differently)."""

    def setUp(self):
        super().setUp()
        b.write_reference_set(self.dir, {
            "asm/top.dwg": ["left.dwg", r"..\parts\right.dwg", "missing.dwg"],
            "asm/left.dwg": [r"..\parts\base.dwg"],
            "parts/right.dwg": ["base.dwg"],
            "parts/base.dwg": [],
        })
        self.top = self.p("asm/top.dwg")
        self.out = self.p("out.txt")

    def lines(self):
        with open(self.out, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n"), data)
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line ends in CR LF")
        return data.decode("cp1252").split("\r\n")[:-1]

    def test_full_paths_with_traversal_match_ezdxf(self):
        self.cadhost("run", "vallo_get_dependencies", self.top, self.out, "", "Yes")  # Enter: full

        def expected(path):
            resolved = [os.path.normpath(os.path.join(os.path.dirname(path), s.replace("\\", "/")))
                        for _, s, _ in b.xref_paths(path)]
            return resolved + [x for r in resolved if os.path.exists(r) for x in expected(r)]

        self.assertEqual(self.lines(), expected(self.top))

    def test_cycle_is_cut_and_named(self):
        b.write_reference_set(self.dir, {"parts/base.dwg": [r"..\asm\top.dwg"]})
        stdout = self.cadhost("run", "vallo_get_dependencies", self.top, self.out, "No", "Yes")
        self.assertEqual(self.lines(), ["left.dwg", "right.dwg", "missing.dwg",
                                        "base.dwg", "top.dwg", "base.dwg", "top.dwg"])
        self.assertEqual(stdout.count("\nCyclic reference skipped: " + self.top), 2, stdout)

    def test_path_in_another_code_page_is_written_in_it(self):
        b.write_reference_set(self.dir, {"asm/top.dwg": ["left.dwg", "\u0416.dwg"]})
        self.cadhost("--codepage", "1251", "run", "vallo_get_dependencies", self.top,
                     self.out, "No", "No")
        with open(self.out, "rb") as f:
            self.assertEqual(f.read(), "left.dwg\r\n\u0416.dwg\r\n".encode("cp1251"))

    def test_script_with_typed_names_runs_the_listing_as_a_batch_job(self):
        # Typed on the command line (FILEDIA 0): ".dwg" and ".txt" are added to bare names.
        script = self.p("job.scr")
        with open(script, "w", encoding="utf-8") as f:
            f.write("FILEDIA\n0\n_vallo_get_dependencies\ntop\n../out\nNo\n\n")
        stdout = self.cadhost("script", script, cwd=self.p("asm"))
        for prompt in ("Enter drawing file:", "Enter output file:", "Fullpath (Yes/No)<Yes>: ",
                       "Traverse (Yes/No)<No>: "):
            self.assertIn(prompt, stdout)
        self.assertEqual(self.lines(), ["left.dwg", "right.dwg", "missing.dwg"])


class ReplaceTest(CommandCase):
    """proj/asm/top.dwg references ..\\..\\old\\a.dwg, sub\\b.dwg and c.dwg."""

    def setUp(self):
        super().setUp()
        (self.top,) = b.write_reference_set(self.dir, {
            "proj/asm/top.dwg": [r"..\..\old\a.dwg", r"sub\b.dwg", "c.dwg"]})
        self.copy = shutil.copyfile(self.top, self.p("before.dxf"))
        with open(self.top, "rb") as f:
            self.before = f.read()

    def run_replace(self, entries, fullpath, name="vallo_replace_referenced_document"):
        b.write_replacements(self.p("r.txt"), entries)
        return self.cadhost("run", name, self.top, self.p("r.txt"), fullpath)

    def test_the_new_path_is_stored_relative_to_the_drawing(self):
        cases = [
            ("vallo_replace_referenced_document", (self.p("old/a.dwg"), self.p("new/a.dwg")), "Yes",
             ["../../new/a.dwg", r"sub\b.dwg", "c.dwg"]),
            ("_tarvik_replace_referenced_document", ("c.dwg", self.p("new/c.dwg")), "No",
             [r"..\..\old\a.dwg", r"sub\b.dwg", "../../new/c.dwg"]),
        ]
        for name, entry, fullpath, stored in cases:
            with self.subTest(name):
                shutil.copyfile(self.copy, self.top)
                stdout = self.run_replace([entry], fullpath, name)
                self.assertNotIn("*ERROR*", stdout)
                self.assertEqual([s for _, s, _ in b.xref_paths(self.top)], stored)
                self.assertEqual(b.audit_problems(self.top), [])
                with open(self.p("proj/asm/top.bak"), "rb") as f:
                    self.assertEqual(f.read(), self.before, "the backup is the drawing as it was")
                changes = b.tag_changes(self.copy, self.top)
                self.assertEqual([(old, new) for _, old, new in changes],
                                 [([(1, s)], [(1, n)]) for s, n in zip(
                                     [s for _, s, _ in b.xref_paths(self.copy)], stored) if s != n],
                                 "only the xref path changes")

    def test_unreadable_drawing_is_left_alone_silently(self):
        with open(self.top, "wb") as f:
            f.write(self.before[: len(self.before) // 2])
        stdout = self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No")
        with open(self.top, "rb") as f:
            self.assertEqual(f.read(), self.before[: len(self.before) // 2])
        self.assertFalse(os.path.exists(self.p("proj/asm/top.bak")))
        self.assertTrue(stdout.endswith("Fullpath (Yes/No) [Y]:<Yes>: No\n"), stdout)


if __name__ == "__main__":
    unittest.main()
