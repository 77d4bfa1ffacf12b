"""Checks the bundled example drawing set (examples/): the tracked files are
what the generator writes, the drawings are sound, and drawings, companion
files and settings file fit together, so that the main job has something to
do on every sheet."""

import configparser
import fnmatch
import os
import re
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
import show_attribs  # noqa: E402

MULTI = os.path.join(EXAMPLES, mk.MULTI + ".dxf")
SINGLE = os.path.join(EXAMPLES, mk.SINGLE + ".dxf")
UNMANAGED = os.path.join(EXAMPLES, mk.UNMANAGED + ".dxf")


def companion(path):
    with open(b.companion_path(path), "rb") as f:
        data = f.read()
    declaration, body = data.split(b"?>", 1)
    return declaration, ET.fromstring(body.decode("cp1252"))


def settings():
    ini = configparser.ConfigParser(interpolation=None, comment_prefixes=(";",),
                                    strict=False)
    ini.optionxform = str
    with open(os.path.join(EXAMPLES, mk.SETTINGS), encoding="cp1252") as f:
        ini.read_file(f)
    return ini


def matches(pattern, name):
    """Name matching as the module does it: equal ignoring case, or a
    pattern with "*" matched as a wildcard."""
    if pattern.upper() == name.upper():
        return True
    return "*" in pattern and fnmatch.fnmatchcase(name.upper(), pattern.upper())


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

    def test_drawings_are_sound_in_their_versions(self):
        for path, version, active in [(MULTI, "AC1032", "Blatt1"), (SINGLE, "AC1018", b.MODEL),
                                      (UNMANAGED, "AC1015", b.MODEL)]:
            with self.subTest(drawing=os.path.basename(path)):
                self.assertEqual(b.audit_problems(path), [])
                self.assertEqual(b.read(path).dxfversion, version)
                self.assertEqual(b.active_layout(path), active)
        self.assertFalse(os.path.exists(b.companion_path(UNMANAGED)))


class CompanionFileTest(unittest.TestCase):
    def test_companion_files_are_cp1252_and_name_the_settings_by_placeholder(self):
        for path in (MULTI, SINGLE):
            with self.subTest(drawing=os.path.basename(path)):
                declaration, root = companion(path)
                self.assertIn(b'encoding="ISO-8859-1"', declaration)
                self.assertEqual(root.find("config").text.strip(), mk.CONFIG_PATH)
                with open(b.companion_path(path), "rb") as f:
                    data = f.read()
                self.assertIn(b"M\xfcller", data)  # cp1252 bytes, not UTF-8
                self.assertNotIn("ü".encode("utf-8"), data)
                self.assertIn(b"\r\n", data)

    def test_every_sheet_has_its_layout_object(self):
        _, root = companion(MULTI)
        title = root.find("document").get("dm_title")
        titles = [r.get("dm_title").lower() for r in root.iter("relation")]
        for name in b.layout_names(MULTI):
            self.assertIn(("%s/%s" % (title, name)).lower(), titles)
        self.assertEqual(root.find("document").get("dm_vartype"), "dm_layout")
        self.assertEqual(root.find("settings").get("autocad.multilayout"), "1")
        self.assertGreaterEqual(len(root.find("document/revisions")), 5)

    def test_single_record_drawing_has_no_layout_objects(self):
        _, root = companion(SINGLE)
        self.assertEqual(list(root.find("relations")), [])
        self.assertEqual(root.find("settings").get("autocad.multilayout"), "0")
        self.assertEqual(root.find("settings").get("autocad.updatealltitleblock"), "1")


class SettingsFitDrawingsTest(unittest.TestCase):
    def blocks_with_attributes(self, path):
        doc = b.read(path)
        return {blk.name: [a.dxf.tag for a in blk.query("ATTDEF")]
                for blk in doc.blocks if not blk.name.startswith("*")}

    def test_title_and_revision_block_names_find_the_blocks(self):
        ini = settings()
        title_names = [v for k, v in ini["TITLE_BLOCK"].items()]
        revision_names = [v for k, v in ini["REVISION_BLOCK"].items()]
        for path in (MULTI, SINGLE):
            with self.subTest(drawing=os.path.basename(path)):
                names = self.blocks_with_attributes(path)
                self.assertTrue([n for n in names if any(matches(p, n) for p in title_names)])
                self.assertTrue([n for n in names if any(matches(p, n) for p in revision_names)])
        # The Mechanical title is found through its border only, not by name.
        self.assertFalse(any(matches(p, "AM_ISO_TITEL") for p in title_names))

    def test_every_mapped_tag_exists_in_a_drawing(self):
        tags = set()
        for path in (MULTI, SINGLE):
            for block_tags in self.blocks_with_attributes(path).values():
                tags.update(block_tags)
        for prop, value in settings()["ATTRIBUTE_MAP"].items():
            for entry in re.split(r"[ ,;]+", value.strip()):
                with self.subTest(property=prop, tag=entry):
                    self.assertTrue(any(matches(entry, t) for t in tags))

    def test_revision_rows_fit_the_configured_count(self):
        _, root = companion(MULTI)
        rows = int(root.find("settings").get("autocad.revision.count"))
        tags = self.blocks_with_attributes(MULTI)["AENDERUNGSTABELLE"]
        self.assertEqual(tags, b.revision_tags(rows))

    def test_sheet3_carries_a_linked_title_border(self):
        doc = b.read(MULTI)
        inserts = list(doc.layouts.get("Blatt3").query("INSERT"))
        linked = [i for i in inserts if i.has_xdata(b.GENOREF_APP)]
        self.assertEqual([i.dxf.name for i in linked], ["AM_ISO_A3", "AM_ISO_TITEL"])
        handles = {v for i in linked for c, v in i.get_xdata(b.GENOREF_APP) if c == 1005}
        self.assertEqual(len(handles), 1)
        border = doc.blocks.get("AM_ISO_A3")
        self.assertTrue(any(a.dxf.tag.upper().endswith("INSERT") for a in border.query("ATTDEF")))
        self.assertIn(b.GENOREF_APP, doc.appids)


def expected(name):
    """The expected attributes after the main job, as show_attribs lists them:
    {(layout, block, n): [(tag, text), ...]}."""
    refs, current = {}, None
    with open(os.path.join(EXAMPLES, "expected", name + ".txt"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("    "):
                tag, _, text = line.strip().partition(" ")
                text = text.strip()
                refs[current].append((tag, "" if text == '""' else text))
            else:
                layout, block, number = re.match(r"(\S+)  (\S+) #(\d+)", line).groups()
                current = (layout, block, int(number))
                refs[current] = []
    return refs


class ExpectedResultTest(unittest.TestCase):
    def test_expected_results_fit_the_drawings(self):
        """Same references and tags; every managed reference changes, the unmanaged
        drawing stays as it is."""
        for name in (mk.MULTI, mk.SINGLE, mk.UNMANAGED):
            _, now = show_attribs.collect(os.path.join(EXAMPLES, name + ".dxf"))
            want = expected(name)
            with self.subTest(drawing=name):
                self.assertEqual(list(want), list(now))
            for key in now:
                with self.subTest(drawing=name, reference=key):
                    self.assertEqual([t for t, _ in want[key]], [t for t, _ in now[key][1]])
                    if name == mk.UNMANAGED:
                        self.assertEqual(want[key], now[key][1])
                    else:
                        self.assertNotEqual(want[key], now[key][1])


class ShowAttribsTest(Scratch):
    def run_show(self, *args):
        return subprocess.run([sys.executable, os.path.join(EXAMPLES, "show_attribs.py")]
                              + list(args), capture_output=True, text=True)

    def test_changes_against_the_backup(self):
        doc = b.read(SINGLE)
        (title,) = [i for i in doc.modelspace().query("INSERT") if i.dxf.name == "SCHRIFTFELD_A4"]
        for att in title.attribs:
            if att.dxf.tag == "BENENNUNG1":
                att.dxf.text = "Lagerdeckel groß"
        changed = b.save(doc, os.path.join(self.dir, "new.dxf"))
        result = self.run_show(changed, SINGLE)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertIn("Model  SCHRIFTFELD_A4 #1", lines)
        self.assertIn("    BENENNUNG1         -  ->  Lagerdeckel groß", lines)
        self.assertEqual(len([x for x in lines if "->" in x]), 1)
        self.assertTrue(any(x.startswith("    unchanged: BENENNUNG2 ZEICHNUNGSNR") for x in lines))
        same = self.run_show(SINGLE, SINGLE)
        self.assertIn("    no attribute changed", same.stdout.splitlines())

    def test_unreadable_drawing_is_an_error_naming_it(self):
        missing = os.path.join(self.dir, "missing.dxf")
        result = self.run_show(missing)
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing.dxf", result.stderr)
        self.assertEqual(self.run_show().returncode, 2)


class PlaceTest(Scratch):
    def run_place(self, folder):
        return subprocess.run([sys.executable, os.path.join(EXAMPLES, "make_examples.py"),
                               "--place", folder], capture_output=True, text=True)

    def test_place_fills_in_the_copy_folder(self):
        for name in (mk.MULTI + ".qdx", mk.SINGLE + ".qdx"):
            shutil.copy(os.path.join(EXAMPLES, name), self.dir)
        result = self.run_place(self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in (mk.MULTI + ".qdx", mk.SINGLE + ".qdx"):
            with open(os.path.join(self.dir, name), "rb") as f:
                data = f.read()
            self.assertNotIn(mk.PLACEHOLDER.encode(), data)
            self.assertIn(("%s/%s" % (self.dir, mk.SETTINGS)).encode(), data)
        # A second run finds nothing left to fill and says so.
        again = self.run_place(self.dir)
        self.assertNotEqual(again.returncode, 0)
        self.assertIn("placeholder", again.stderr)

    def test_place_refuses_folders_the_code_page_cannot_name(self):
        folder = os.path.join(self.dir, "Ωmega")
        os.makedirs(folder)
        shutil.copy(b.companion_path(MULTI), folder)
        result = self.run_place(folder)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("code page 1252", result.stderr)
        with open(os.path.join(folder, mk.MULTI + ".qdx"), "rb") as f:
            self.assertIn(mk.PLACEHOLDER.encode(), f.read())

    def test_place_escapes_xml_characters_in_the_folder(self):
        folder = os.path.join(self.dir, "A&B Müller")
        os.makedirs(folder)
        shutil.copy(b.companion_path(SINGLE), folder)
        self.assertEqual(self.run_place(folder).returncode, 0)
        with open(os.path.join(folder, mk.SINGLE + ".qdx"), "rb") as f:
            root = ET.fromstring(f.read().split(b"?>", 1)[1].decode("cp1252"))
        self.assertEqual(root.find("config").text.strip(), os.path.join(folder, mk.SETTINGS))


if __name__ == "__main__":
    unittest.main()
