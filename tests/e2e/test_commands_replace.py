"""The referenced-document replacement command through `cadhost run` on DXF
drawings written with ezdxf: the paths it stores (relative to the drawing),
the backup it keeps, what a save changes tag by tag, and the cases in which
the drawing must stay exactly as it was."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")


class ReplaceTest(unittest.TestCase):
    """proj/asm/top.dwg references ..\\..\\old\\a.dwg, sub\\b.dwg and c.dwg."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="replace-")
        self.addCleanup(shutil.rmtree, self.dir)
        (self.top,) = b.write_reference_set(self.dir, {
            "proj/asm/top.dwg": [r"..\..\old\a.dwg", r"sub\b.dwg", "c.dwg"]})
        self.bak = self.p("proj/asm/top.bak")
        self.repl = self.p("r.txt")
        with open(self.top, "rb") as f:
            self.before = f.read()
        self.copy = self.p("before.dxf")
        shutil.copyfile(self.top, self.copy)

    def p(self, name):
        return os.path.join(self.dir, *name.split("/"))

    def run_replace(self, entries, fullpath, drawing=None, name="vallo_replace_referenced_document"):
        b.write_replacements(self.repl, entries)
        result = subprocess.run([CADHOST, "run", name, drawing or self.top, self.repl, fullpath],
                                capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode("utf-8")

    def stored(self):
        return [s for _, s, _ in b.xref_paths(self.top)]

    def assert_untouched(self):
        with open(self.top, "rb") as f:
            self.assertEqual(f.read(), self.before)
        self.assertFalse(os.path.exists(self.bak))

    def assert_saved_cleanly(self, changed_paths):
        self.assertEqual(b.audit_problems(self.top), [])
        with open(self.bak, "rb") as f:
            self.assertEqual(f.read(), self.before, "the backup is the drawing as it was")
        changes = b.tag_changes(self.copy, self.top)
        self.assertEqual(sorted(new[0][1] for _, old, new in changes
                                if len(old) == 1 and old[0][0] == 1),
                         sorted(changed_paths), changes)
        self.assertTrue(all(len(old) == 1 and len(new) == 1 and old[0][0] == new[0][0] == 1
                            for _, old, new in changes),
                        "only xref path groups change: %r" % changes)

    def test_full_paths_store_the_new_path_relative_to_the_drawing(self):
        stdout = self.run_replace([(self.p("old/a.dwg"), self.p("new/a.dwg"))], "Yes")
        self.assertEqual(self.stored(), ["../../new/a.dwg", r"sub\b.dwg", "c.dwg"])
        self.assert_saved_cleanly(["../../new/a.dwg"])
        self.assertNotIn("*ERROR*", stdout)

    def test_names_redirect_a_reference_in_any_folder(self):
        self.run_replace([(r"C:\elsewhere\B.DWG", self.p("proj/lib/b2.dwg")),
                          ("c.dwg", self.p("proj/asm/c.dwg"))], "No")
        # c.dwg already is proj/asm/c.dwg: left as it is.
        self.assertEqual(self.stored(), [r"..\..\old\a.dwg", "../lib/b2.dwg", "c.dwg"])
        self.assert_saved_cleanly(["../lib/b2.dwg"])

    def test_tarvik_name_does_the_same(self):
        self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No",
                         name="_tarvik_replace_referenced_document")
        self.assertEqual(self.stored()[2], "../../new/c.dwg")
        self.assert_saved_cleanly(["../../new/c.dwg"])

    def test_nothing_saved_when_nothing_changes(self):
        cases = {
            "key equal to value but for case": ([(self.p("old/a.dwg"), self.p("OLD/A.dwg"))], "Yes"),
            "full paths, other folder": ([(self.p("x/c.dwg"), self.p("new/c.dwg"))], "Yes"),
            "key is the drawing itself": ([(self.top, self.p("new/top.dwg"))], "No"),
            "lines without =": (["c.dwg", "", "c.dwg" + " " + self.p("new/c.dwg")], "No"),
        }
        for name, (entries, fullpath) in cases.items():
            with self.subTest(name):
                self.run_replace(entries, fullpath)
                self.assert_untouched()

    def test_no_relative_path_keeps_the_reference_and_says_so(self):
        stdout = self.run_replace([("c.dwg", "relative/new.dwg")], "No")
        self.assertIn("No relative path from %s to relative/new.dwg" % self.p("proj/asm"), stdout)
        self.assert_untouched()

    def test_unreadable_drawing_is_left_alone_silently(self):
        with open(self.top, "wb") as f:
            f.write(self.before[: len(self.before) // 2])
        with open(self.top, "rb") as f:
            self.before = f.read()
        stdout = self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No")
        self.assert_untouched()
        self.assertTrue(stdout.endswith("Fullpath (Yes/No) [Y]:<Yes>: No\n"), stdout)

    def test_read_only_drawing_is_left_alone(self):
        os.chmod(self.top, 0o444)
        self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No")
        self.assert_untouched()

    def test_cr_lf_and_lf_replacements_files_read_alike(self):
        entries = [("c.dwg", self.p("new/c.dwg"))]
        for newline in ("\r\n", "\n"):
            with self.subTest(repr(newline)):
                shutil.copyfile(self.copy, self.top)
                if os.path.exists(self.bak):
                    os.remove(self.bak)
                b.write_replacements(self.repl, entries, newline=newline)
                subprocess.run([CADHOST, "run", "vallo_replace_referenced_document", self.top,
                                self.repl, "No"], capture_output=True, timeout=120, check=True)
                self.assertEqual(self.stored()[2], "../../new/c.dwg")


if __name__ == "__main__":
    unittest.main()
