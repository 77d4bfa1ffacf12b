"""The referenced-document replacement command through `cadhost run` on DXF
drawings written with ezdxf: the paths it stores (relative to the drawing),
the backup it keeps, what a save changes tag by tag, and an unreadable
drawing left exactly as it was. The choice of replacement and the cases that
save nothing are pinned by the module's unit tests."""

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

    def test_tarvik_name_does_the_same(self):
        self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No",
                         name="_tarvik_replace_referenced_document")
        self.assertEqual(self.stored()[2], "../../new/c.dwg")
        self.assert_saved_cleanly(["../../new/c.dwg"])

    def test_unreadable_drawing_is_left_alone_silently(self):
        with open(self.top, "wb") as f:
            f.write(self.before[: len(self.before) // 2])
        with open(self.top, "rb") as f:
            self.before = f.read()
        stdout = self.run_replace([("c.dwg", self.p("new/c.dwg"))], "No")
        self.assert_untouched()
        self.assertTrue(stdout.endswith("Fullpath (Yes/No) [Y]:<Yes>: No\n"), stdout)


if __name__ == "__main__":
    unittest.main()
