"""Checks the bundled example drawing set (examples/): the tracked files are
what the generator writes, the drawings are sound, the main job on a placed
copy leaves every attribute as examples/expected/ says, and the tools
show_attribs.py and make_examples.py --place behave."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import dxfbuild as b

EXAMPLES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                         os.pardir, os.pardir, "examples"))
sys.path.insert(0, EXAMPLES)
import make_examples as mk  # noqa: E402

MULTI = os.path.join(EXAMPLES, mk.MULTI + ".dxf")
SINGLE = os.path.join(EXAMPLES, mk.SINGLE + ".dxf")
UNMANAGED = os.path.join(EXAMPLES, mk.UNMANAGED + ".dxf")
CADHOST = os.path.join(os.environ.get("BRAKON_BIN_DIR", os.path.join(
    os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "build", "bin")), "cadhost")


def run_show(*args):
    return subprocess.run([sys.executable, os.path.join(EXAMPLES, "show_attribs.py"), *args],
                          capture_output=True, text=True)


def run_place(folder):
    return subprocess.run([sys.executable, os.path.join(EXAMPLES, "make_examples.py"),
                           "--place", folder], capture_output=True, text=True)


class Scratch(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="examples-")
        self.addCleanup(shutil.rmtree, self.dir)


class GeneratedFilesTest(Scratch):
    def test_tracked_files_are_what_the_generator_writes(self):
        mk.generate(self.dir)
        produced = sorted(os.listdir(self.dir))
        self.assertEqual(produced, sorted([
            mk.MULTI + ".dxf", mk.MULTI + ".qdx", mk.SINGLE + ".dxf", mk.SINGLE + ".qdx",
            mk.UNMANAGED + ".dxf", mk.SETTINGS]))
        for name in produced:
            with self.subTest(file=name):
                with open(os.path.join(self.dir, name), "rb") as f1, \
                        open(os.path.join(EXAMPLES, name), "rb") as f2:
                    self.assertTrue(f1.read() == f2.read(),
                                    "examples/%s is stale: run /usr/bin/python3 "
                                    "examples/make_examples.py" % name)

    def test_drawings_are_sound_in_three_versions(self):
        for path, version in [(MULTI, "AC1032"), (SINGLE, "AC1018"), (UNMANAGED, "AC1015")]:
            with self.subTest(drawing=os.path.basename(path)):
                self.assertEqual(b.audit_problems(path), [])
                self.assertEqual(b.read(path).dxfversion, version)


class MainJobTest(Scratch):
    def test_the_job_on_a_placed_copy_leaves_every_attribute_as_expected(self):
        for name in (mk.MULTI + ".dxf", mk.MULTI + ".qdx", mk.SINGLE + ".dxf", mk.SINGLE + ".qdx",
                     mk.UNMANAGED + ".dxf", mk.SETTINGS):
            shutil.copy(os.path.join(EXAMPLES, name), self.dir)
        self.assertEqual(run_place(self.dir).returncode, 0)
        drawings = [os.path.join(self.dir, n + ".dxf") for n in (mk.MULTI, mk.SINGLE, mk.UNMANAGED)]
        done = subprocess.run([CADHOST, "open", *drawings], capture_output=True, timeout=300,
                              cwd=self.dir)
        self.assertEqual(done.returncode, 0, done.stderr)
        for path in drawings:
            name = os.path.splitext(os.path.basename(path))[0]
            with self.subTest(drawing=name):
                listing = run_show(path)
                self.assertEqual(listing.returncode, 0, listing.stderr)
                with open(os.path.join(EXAMPLES, "expected", name + ".txt"), encoding="utf-8") as f:
                    self.assertEqual(listing.stdout.split("\n", 1)[1], f.read())
                self.assertEqual(b.audit_problems(path), [])
                self.assertEqual(os.path.exists(path[:-4] + ".bak"), name != mk.UNMANAGED)
        # Nothing left to fill: a second placing says so.
        again = run_place(self.dir)
        self.assertNotEqual(again.returncode, 0)
        self.assertIn("placeholder", again.stderr)


class ShowAttribsTest(Scratch):
    def test_changes_against_the_backup(self):
        doc = b.read(SINGLE)
        (title,) = [i for i in doc.modelspace().query("INSERT") if i.dxf.name == "SCHRIFTFELD_A4"]
        for att in title.attribs:
            if att.dxf.tag == "BENENNUNG1":
                att.dxf.text = "Lagerdeckel groß"
        changed = b.save(doc, os.path.join(self.dir, "new.dxf"))
        result = run_show(changed, SINGLE)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertIn("Model  SCHRIFTFELD_A4 #1", lines)
        self.assertIn("    BENENNUNG1         -  ->  Lagerdeckel groß", lines)
        self.assertEqual(len([x for x in lines if "->" in x]), 1)
        self.assertTrue(any(x.startswith("    unchanged: BENENNUNG2 ZEICHNUNGSNR") for x in lines))
        same = run_show(SINGLE, SINGLE)
        self.assertIn("    no attribute changed", same.stdout.splitlines())

    def test_unreadable_drawing_is_an_error_naming_it(self):
        missing = os.path.join(self.dir, "missing.dxf")
        result = run_show(missing)
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing.dxf", result.stderr)
        self.assertEqual(run_show().returncode, 2)


class PlaceTest(Scratch):
    def test_place_refuses_folders_the_code_page_cannot_name(self):
        folder = os.path.join(self.dir, "Ωmega")
        os.makedirs(folder)
        shutil.copy(b.companion_path(MULTI), folder)
        result = run_place(folder)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("code page 1252", result.stderr)
        with open(os.path.join(folder, mk.MULTI + ".qdx"), "rb") as f:
            self.assertIn(mk.PLACEHOLDER.encode(), f.read())

    def test_place_escapes_xml_characters_in_the_folder(self):
        folder = os.path.join(self.dir, "A&B Müller")
        os.makedirs(folder)
        shutil.copy(b.companion_path(SINGLE), folder)
        self.assertEqual(run_place(folder).returncode, 0)
        with open(os.path.join(folder, mk.SINGLE + ".qdx"), "rb") as f:
            root = ET.fromstring(f.read().split(b"?>", 1)[1].decode("cp1252"))
        self.assertEqual(root.find("config").text.strip(), os.path.join(folder, mk.SETTINGS))


if __name__ == "__main__":
    unittest.main()
