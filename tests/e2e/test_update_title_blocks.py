"""The title block update that cadhost's `open` runs on every managed drawing:
the active paper layout with and without its PDM layout object, model space
with the document's record, wildcard tags and block name patterns,
invisible references in both search modes, dynamic blocks, mechanical title
borders paired through GENIUS_GENOREF_13, and a drawing that already shows
the PDM values. Every result is read back with ezdxf, not with our reader.

UpdateCase is shared by the other test_update_* files.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("BRAKON_BIN_DIR",
                     os.path.join(HERE, os.pardir, os.pardir, "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")
BRAKON = os.path.join(BIN, "brakon.so")

TAGS = ("DM_TITLE", "BENENNUNG1", "BENENNUNG2", "ZEICHNUNGSNR", "PAGE", "PAGES")
REV = "REVTABLE"


def setUpModule():
    for path in (CADHOST, BRAKON):
        if not os.path.exists(path):
            raise RuntimeError("%s is not built (BRAKON_BIN_DIR=%s)" % (path, BIN))


class UpdateCase(unittest.TestCase):
    """A scratch folder, a drawing written there with its companion and
    settings files, and cadhost run over it."""

    maxDiff = None

    def setUp(self):
        self.tmp = os.path.realpath(tempfile.mkdtemp(prefix="update-"))
        self.addCleanup(shutil.rmtree, self.tmp)

    def drawing(self, layouts=("Layout1",), active=b.MODEL, version="R2018"):
        doc = b.new_drawing(version)
        b.set_layouts(doc, layouts, active=active)
        b.define_title_block(doc, "TB", TAGS)
        b.define_revision_block(doc, REV, rows=4)
        return doc

    def save(self, doc, name="plan.dxf", document=None, revisions=(), relations=(),
             settings=None, title_blocks=("TB",), revision_blocks=(REV,),
             attribute_map=None, qdx_encoding="cp1252"):
        """Writes the drawing, its companion file and its settings file;
        returns the drawing's path."""
        path = b.save(doc, os.path.join(self.tmp, name))
        ini = os.path.join(self.tmp, "settings.ini")
        b.write_ini(ini, [
            ("TITLE_BLOCK", {str(k + 1): n for k, n in enumerate(title_blocks)}),
            ("ATTRIBUTE_MAP", dict(attribute_map or {})),
            ("REVISION_BLOCK", {str(k + 1): n for k, n in enumerate(revision_blocks)}),
        ])
        b.write_qdx(b.companion_path(path), encoding=qdx_encoding, config=ini,
                    settings=settings or {},
                    document=document if document is not None else {"dm_title": "P-100"},
                    revisions=list(revisions), relations=list(relations))
        return path

    def open(self, *paths, expect_status=0):
        done = subprocess.run([CADHOST, "open", *paths], capture_output=True, timeout=300)
        out, err = done.stdout.decode("utf-8"), done.stderr.decode("utf-8")
        self.assertEqual(done.returncode, expect_status, err)
        return out, err

    def read_bytes(self, path):
        with open(path, "rb") as f:
            return f.read()

    def assertSound(self, path):
        self.assertEqual(b.audit_problems(path), [])

    def title(self, path, layout, block="TB", n=0):
        return b.attribs(path, layout, block, n)


def relation(title, **props):
    p = {"dm_title": title}
    p.update(props)
    return (p, None)


class ActiveLayoutTest(UpdateCase):

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
        self.assertEqual(self.title(path, "Sheet2", REV)["DM_REV_COMMENT_0"], "first")
        self.assertEqual(self.title(path, "Sheet2", REV)["DM_REV_LABEL_1"], "")
        self.assertSound(path)

    def test_active_paper_layout_without_layout_object_is_not_touched(self):
        doc = self.drawing(("Sheet1",), active="Sheet1")
        b.insert_block(doc, "Sheet1", "TB")
        b.insert_block(doc, "Sheet1", REV)
        path = self.save(doc, revisions=[b.revision(1, "A", "c", "d", "u")],
                         document={"dm_title": "P-100", "dm_revisionno": "1"})
        before = self.read_bytes(path)
        out, err = self.open(path)
        self.assertEqual(out, "")
        self.assertEqual(self.read_bytes(path), before)
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "plan.bak")), err)

    def test_model_space_shows_the_document_with_the_page_count(self):
        doc = self.drawing(("Sheet1", "Sheet2"))
        b.insert_block(doc, b.MODEL, "TB")
        b.insert_block(doc, "Sheet1", "TB")
        path = self.save(doc, document={"dm_title": "P-100", "BENENNUNG2": "Welle"})
        self.open(path)
        self.assertEqual(self.title(path, b.MODEL), {
            "DM_TITLE": "P-100", "BENENNUNG1": "-", "BENENNUNG2": "Welle",
            "ZEICHNUNGSNR": "-", "PAGE": "-", "PAGES": "2"})
        self.assertEqual(self.title(path, "Sheet1")["DM_TITLE"], "-")

    def test_wildcard_tags_and_block_name_patterns(self):
        doc = self.drawing(("Sheet1",))
        b.define_title_block(doc, "SF_A3", ("DM_TITLE", "BENENNUNG1", "BENENNUNG2", "NR"))
        b.define_title_block(doc, "SFA3", ("DM_TITLE",))
        b.insert_block(doc, b.MODEL, "SF_A3")
        b.insert_block(doc, b.MODEL, "SFA3")
        path = self.save(doc, document={"dm_title": "P-1", "dm_name": "Welle", "dm_no": "4711"},
                         title_blocks=("sf_*",),
                         attribute_map={"dm_name": "BENENNUNG*", "dm_no": "nr"})
        self.open(path)
        self.assertEqual(self.title(path, b.MODEL, "SF_A3"), {
            "DM_TITLE": "P-1", "BENENNUNG1": "Welle", "BENENNUNG2": "Welle", "NR": "4711"})
        self.assertEqual(self.title(path, b.MODEL, "SFA3"), {"DM_TITLE": "-"})

    def test_invisible_references_in_both_search_modes(self):
        for mode, expected in (("0", "-"), ("1", "P-100")):
            with self.subTest(mode=mode):
                doc = self.drawing()
                b.insert_block(doc, b.MODEL, "TB", invisible=True)
                path = self.save(doc, name="mode%s.dxf" % mode,
                                 settings={"autocad.titlebordermode": mode})
                self.open(path)
                self.assertEqual(self.title(path, b.MODEL)["DM_TITLE"], expected)

    def test_dynamic_block_references_use_the_definitions_name(self):
        doc = self.drawing()
        reps = b.define_dynamic_block(doc, "DYN_TB", ["DM_TITLE"], representations=2)
        b.insert_dynamic(doc, b.MODEL, "DYN_TB", reps[1])
        b.insert_dynamic(doc, b.MODEL, "DYN_TB")
        path = self.save(doc, title_blocks=("DYN_TB",))
        self.open(path)
        rows = [r for r in b.dump_attribs(path, ["DYN_TB"]) if r[3] == "DM_TITLE"]
        self.assertEqual([r[4] for r in rows], ["P-100", "P-100"])
        self.assertSound(path)

    def test_mechanical_border_pairs_and_a_lone_border(self):
        doc = self.drawing(("Sheet1", "Sheet2"))
        b.define_border_block(doc, "AM_BORDER", tags=("FORMAT",))
        b.define_attrib_block(doc, "AM_TITLE", ["DM_TITLE", "GEN-TITLE-NR"])
        b.add_border_pair(doc, b.MODEL, "AM_BORDER", "AM_TITLE")
        b.add_lone_border(doc, b.MODEL, "AM_BORDER", link="FFFF")
        path = self.save(doc, document={"dm_title": "P-100", "FORMAT": "A3",
                                        "GEN-TITLE-NR": "4711"}, title_blocks=("NONE",))
        self.open(path)
        borders = [r for r in b.dump_attribs(path, ["AM_BORDER"]) if r[3] == "FORMAT"]
        self.assertEqual([r[4] for r in borders], ["A3", "-"])
        self.assertEqual(self.title(path, b.MODEL, "AM_TITLE"),
                         {"DM_TITLE": "P-100", "GEN-TITLE-NR": "4711"})
        self.assertSound(path)

    def test_drawing_that_already_shows_the_values_is_not_rewritten(self):
        doc = self.drawing()
        b.insert_block(doc, b.MODEL, "TB")
        b.insert_block(doc, b.MODEL, REV)
        path = self.save(doc, document={"dm_title": "P-100", "dm_revisionno": "1"},
                         revisions=[b.revision(1, "A", "c", "d", "u")])
        self.open(path)
        first = self.read_bytes(path)
        backup = self.read_bytes(os.path.join(self.tmp, "plan.bak"))
        self.assertNotEqual(first, backup)
        _, err = self.open(path)
        self.assertEqual(self.read_bytes(path), first)
        self.assertEqual(self.read_bytes(os.path.join(self.tmp, "plan.bak")), backup)
        self.assertNotIn("saved", err)

    def test_drawing_built_with_the_values_is_left_byte_for_byte(self):
        doc = self.drawing(("Sheet1",))
        b.insert_block(doc, b.MODEL, "TB", {"DM_TITLE": "P-100", "BENENNUNG1": "Welle",
                                            "PAGES": "1"})
        b._regapp(doc, b.GENOREF_APP)  # what the border search registers
        path = self.save(doc, document={"dm_title": "P-100", "BENENNUNG1": "Welle"})
        before = self.read_bytes(path)
        out, err = self.open(path)
        self.assertEqual(out, "")
        self.assertEqual(self.read_bytes(path), before)
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "plan.bak")), err)


if __name__ == "__main__":
    unittest.main()
