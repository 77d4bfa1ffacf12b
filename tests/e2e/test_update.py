"""The title block update that `cadhost open` runs on every managed drawing,
one scenario per family (active layout, model space, all layouts at scale,
block name patterns, invisible, dynamic and Mechanical title blocks, nothing
to change), and bad or unusual input, each read back with ezdxf. The rules
themselves are pinned by the module's unit tests."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")
TAGS = ("DM_TITLE", "BENENNUNG1", "BENENNUNG2", "ZEICHNUNGSNR", "PAGE", "PAGES")
REV = "REVTABLE"


def relation(title, **props):
    return (dict(dm_title=title, **props), None)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class UpdateCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.tmp = os.path.realpath(tempfile.mkdtemp(prefix="update-"))
        self.addCleanup(shutil.rmtree, self.tmp)

    def drawing(self, layouts=("Layout1",), active=b.MODEL, version="R2018", taborder=None):
        doc = b.new_drawing(version)
        b.set_layouts(doc, layouts, active=active, taborder=taborder)
        b.define_title_block(doc, "TB", TAGS)
        b.define_revision_block(doc, REV)
        return doc

    def save(self, doc, name="plan.dxf", **kwargs):
        return b.save_managed(doc, os.path.join(self.tmp, name), **kwargs)

    def open(self, path, *options):
        done = subprocess.run([CADHOST, *options, "open", path], capture_output=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8"))
        return done.stdout.decode("utf-8"), done.stderr.decode("utf-8")

    def title(self, path, layout, block="TB", n=0):
        return b.attribs(path, layout, block, n)

    def assertSound(self, path):
        self.assertEqual(b.audit_problems(path), [])


class UpdateTest(UpdateCase):

    def test_active_paper_layout_shows_its_layout_object(self):
        doc = self.drawing(("Sheet1", "Sheet2", "Sheet3"), active="Sheet2")
        for lay in (b.MODEL, "Sheet1", "Sheet2"):
            b.insert_block(doc, lay, "TB")
        b.insert_block(doc, "Sheet2", REV)
        path = self.save(doc, document={"dm_title": "P-100", "dm_revisionno": "1",
                                        "BENENNUNG1": "document"},
                         revisions=[b.revision(1, "A", "first", "2024-01-02", "ada")],
                         relations=[relation("p-100/SHEET2", BENENNUNG1="sheet two")])
        out, _ = self.open(path)
        self.assertEqual(out, "")
        self.assertEqual(self.title(path, "Sheet2"), {
            "DM_TITLE": "p-100/SHEET2", "BENENNUNG1": "sheet two", "BENENNUNG2": "-",
            "ZEICHNUNGSNR": "-", "PAGE": "2", "PAGES": "3"})
        self.assertEqual(self.title(path, b.MODEL)["DM_TITLE"], "-")
        self.assertEqual(self.title(path, "Sheet1")["DM_TITLE"], "-")
        table = self.title(path, "Sheet2", REV)
        self.assertEqual([table["DM_REV_%s_0" % f] for f in b.REV_FIELDS],
                         ["A", "first", "2024-01-02", "ada"])
        self.assertEqual(table["DM_REV_LABEL_1"], "")
        self.assertSound(path)

    def test_model_space_shows_the_document_and_a_second_open_saves_nothing(self):
        doc = self.drawing(("Sheet1", "Sheet2"))
        b.insert_block(doc, b.MODEL, "TB")
        b.insert_block(doc, "Sheet1", "TB")
        path = self.save(doc, document={"dm_title": "P-100", "BENENNUNG2": "Welle"})
        self.open(path)
        self.assertEqual(self.title(path, b.MODEL), {
            "DM_TITLE": "P-100", "BENENNUNG1": "-", "BENENNUNG2": "Welle",
            "ZEICHNUNGSNR": "-", "PAGE": "-", "PAGES": "2"})
        self.assertEqual(self.title(path, "Sheet1")["DM_TITLE"], "-")
        first, backup = read_bytes(path), read_bytes(os.path.join(self.tmp, "plan.bak"))
        _, err = self.open(path)
        self.assertEqual(read_bytes(path), first)
        self.assertEqual(read_bytes(os.path.join(self.tmp, "plan.bak")), backup)
        self.assertNotIn("saved", err)

    def test_block_name_patterns_wildcard_tags_and_unusual_names(self):
        long_tag = "T" * 250
        doc = self.drawing()
        b.define_title_block(doc, "SF_A3", ("DM_TITLE", "BENENNUNG1", "BENENNUNG2", long_tag))
        b.define_title_block(doc, "SFA3", ("DM_TITLE",))
        b.define_attrib_block(doc, "Schriftfeld Ä-1 (A3)", ["DM_TITLE", "X$1-_"])
        b.define_attrib_block(doc, "B" * 250, ["DM_TITLE"])
        for name in ("SF_A3", "SFA3", "Schriftfeld Ä-1 (A3)", "B" * 250):
            b.insert_block(doc, b.MODEL, name)
        path = self.save(doc, document={"dm_title": "P", "dm_name": "Welle", "long": "L", "odd": "O"},
                         title_blocks=("sf_*", "schriftfeld ä-1 (a3)", "B" * 250, "[~*"),
                         attribute_map={"dm_name": "BENENNUNG*", "long": long_tag, "odd": "x$1-_"})
        self.open(path)
        self.assertEqual(self.title(path, b.MODEL, "SF_A3"), {
            "DM_TITLE": "P", "BENENNUNG1": "Welle", "BENENNUNG2": "Welle", long_tag: "L"})
        self.assertEqual(self.title(path, b.MODEL, "SFA3"), {"DM_TITLE": "-"})
        self.assertEqual(self.title(path, b.MODEL, "Schriftfeld Ä-1 (A3)"),
                         {"DM_TITLE": "P", "X$1-_": "O"})
        self.assertEqual(self.title(path, b.MODEL, "B" * 250), {"DM_TITLE": "P"})
        self.assertSound(path)

    def test_invisible_references_in_both_search_modes(self):
        for mode, expected in (("0", "-"), ("1", "P-100")):
            with self.subTest(mode=mode):
                doc = self.drawing()
                b.insert_block(doc, b.MODEL, "TB", invisible=True)
                path = self.save(doc, name="mode%s.dxf" % mode,
                                 settings={"autocad.titlebordermode": mode})
                self.open(path)
                self.assertEqual(self.title(path, b.MODEL)["DM_TITLE"], expected)

    def test_dynamic_blocks_and_mechanical_border_pairs(self):
        doc = self.drawing()
        reps = b.define_dynamic_block(doc, "DYN_TB", ["DM_TITLE"], representations=2)
        b.insert_dynamic(doc, b.MODEL, "DYN_TB", reps[1])
        b.insert_dynamic(doc, b.MODEL, "DYN_TB")
        b.define_border_block(doc, "AM_BORDER", tags=("FORMAT",))
        b.define_attrib_block(doc, "AM_TITLE", ["DM_TITLE", "GEN-TITLE-NR"])
        b.add_border_pair(doc, b.MODEL, "AM_BORDER", "AM_TITLE")
        b.add_lone_border(doc, b.MODEL, "AM_BORDER", link="FFFF")
        path = self.save(doc, document={"dm_title": "P-100", "FORMAT": "A3", "GEN-TITLE-NR": "4711"},
                         title_blocks=("DYN_TB",))
        self.open(path)
        rows = [r[4] for r in b.dump_attribs(path, ["DYN_TB"]) if r[3] == "DM_TITLE"]
        self.assertEqual(rows, ["P-100", "P-100"])
        borders = [r[4] for r in b.dump_attribs(path, ["AM_BORDER"]) if r[3] == "FORMAT"]
        self.assertEqual(borders, ["A3", "-"])
        self.assertEqual(self.title(path, b.MODEL, "AM_TITLE"),
                         {"DM_TITLE": "P-100", "GEN-TITLE-NR": "4711"})
        self.assertSound(path)

    def test_nothing_to_change_leaves_the_file_alone(self):
        def paper_without_layout_object(doc):
            b.insert_block(doc, "Sheet1", "TB")
            b.insert_block(doc, "Sheet1", REV)
            return {"revisions": [b.revision(1, "A", "c", "d", "u")],
                    "document": {"dm_title": "P-100", "dm_revisionno": "1"}}

        def layout_objects_for_missing_layouts(doc):
            b.insert_block(doc, "Sheet1", "TB")
            return {"relations": [relation("P-100/Sheet9"), relation("P-100/"),
                                  relation("other/Sheet1")]}

        def built_with_the_values(doc):
            b.insert_block(doc, b.MODEL, "TB", {"DM_TITLE": "P-100", "BENENNUNG1": "Welle",
                                                "PAGES": "1"})
            b._regapp(doc, b.GENOREF_APP)  # what the border search registers
            return {"document": {"dm_title": "P-100", "BENENNUNG1": "Welle"}}

        def settings_naming_no_blocks(doc):
            b.insert_block(doc, b.MODEL, "TB")
            b.insert_block(doc, b.MODEL, REV)
            b._regapp(doc, b.GENOREF_APP)
            return {"title_blocks": (), "revision_blocks": (),
                    "document": {"dm_title": "P", "dm_revisionno": "1"},
                    "revisions": [b.revision(1, "A", "c", "d", "u")],
                    "settings": {"autocad.updatealltitleblock": "1"}}

        for case, active in ((paper_without_layout_object, "Sheet1"),
                             (layout_objects_for_missing_layouts, "Sheet1"),
                             (built_with_the_values, b.MODEL), (settings_naming_no_blocks, b.MODEL)):
            with self.subTest(case.__name__):
                doc = self.drawing(("Sheet1",), active=active)
                path = self.save(doc, name=case.__name__ + ".dxf", **case(doc))
                before = read_bytes(path)
                out, err = self.open(path)
                self.assertEqual(out, "")
                self.assertEqual(read_bytes(path), before)
                self.assertFalse(os.path.exists(path[:-4] + ".bak"), err)

    def test_values_outside_the_code_page_or_that_an_attribute_cannot_hold(self):
        for version in ("R2000", "R2018"):
            with self.subTest(version=version):
                doc = self.drawing(version=version)
                b.insert_block(doc, b.MODEL, "TB")
                path = self.save(doc, name="cp%s.dxf" % version, qdx_encoding="cp1251",
                                 document={"dm_title": "Вал", "BENENNUNG1": "№ 5 €",
                                           "BENENNUNG2": "x" * 5000, "ZEICHNUNGSNR": "line&#10;break"})
                # An encoded line break inside an attribute value of the companion file.
                qdx = b.companion_path(path)
                data = read_bytes(qdx).replace(b"&amp;#10;", b"&#10;")
                with open(qdx, "wb") as f:
                    f.write(data)
                self.open(path, "--codepage", "1251")
                t = self.title(path, b.MODEL)
                self.assertEqual((t["DM_TITLE"], t["BENENNUNG1"], t["BENENNUNG2"], t["ZEICHNUNGSNR"]),
                                 ("Вал", "№ 5 €", "-", "-"))
                self.assertSound(path)
                if version == "R2000":
                    self.assertIn(b"\\U+0412\\U+0430\\U+043B", read_bytes(path))

    def test_multi_layout_way_numbers_pages_in_block_table_order_at_scale(self):
        tags = ["A%04d" % k for k in range(2000)]
        names = ["S%03d" % k for k in range(150)]
        doc = self.drawing(names[::-1], taborder=names)  # page 1 is S149, the first tab S000
        b.define_attrib_block(doc, "BIG", tags, frame=False, labels={t: "" for t in tags})
        b.insert_block(doc, b.MODEL, "BIG")
        for name in names:
            b.insert_block(doc, name, "TB")
            b.insert_block(doc, name, REV)
        with_objects = [n for n in names if n != "S075"] + ["S999"]
        path = self.save(doc, title_blocks=("BIG", "TB"), document={"dm_title": "P", "v": "V",
                                                                  "dm_revisionno": "1"},
                         revisions=[b.revision(1, "A", "c", "d", "u")], attribute_map={"v": "A*"},
                         settings={"autocad.updatealltitleblock": "1", "autocad.multilayout": "1"},
                         relations=b.layout_relations("P", with_objects))
        self.open(path)
        big = self.title(path, b.MODEL, "BIG")
        self.assertEqual((len(big), set(big.values())), (2000, {"V"}))
        rows = {(r[0], r[3]): r[4] for r in b.dump_attribs(path, ["TB", REV])}
        self.assertEqual([rows[(lay, tag)] for lay, tag in [
            ("S149", "PAGE"), ("S000", "PAGE"), ("S001", "PAGES"), ("S000", "DM_TITLE"),
            ("S000", "DM_REV_LABEL_0"), ("S075", "DM_TITLE"), ("S075", "PAGE"),
            ("S075", "DM_REV_LABEL_0")]], ["1", "150", "150", "P/S000", "A", "-", "-", "-"])
        self.assertSound(path)


if __name__ == "__main__":
    unittest.main()
