"""Bad and unusual input to the update runs through cadhost `open`: companion
values outside the drawing's code page, unusual tags and block names, values
that an attribute cannot hold, layout objects for layouts the drawing lacks,
settings that name no blocks, and many layouts and attributes. Nothing may
crash or hang, and every saved drawing must read back soundly with ezdxf."""

import subprocess
import unittest

import dxfbuild as b
from test_update_title_blocks import CADHOST, REV, UpdateCase, relation, setUpModule  # noqa: F401


class BadInputTest(UpdateCase):

    def test_values_outside_the_drawings_code_page(self):
        for version in ("R2000", "R2018"):
            with self.subTest(version=version):
                doc = self.drawing(version=version)
                b.insert_block(doc, b.MODEL, "TB")
                path = self.save(doc, name="cp%s.dxf" % version, qdx_encoding="cp1251",
                                 document={"dm_title": "Вал", "BENENNUNG1": "№ 5 €"})
                self.open_cp(path)
                t = self.title(path, b.MODEL)
                self.assertEqual((t["DM_TITLE"], t["BENENNUNG1"]), ("Вал", "№ 5 €"))
                self.assertSound(path)
                if version == "R2000":
                    with open(path, "rb") as f:
                        self.assertIn(b"\\U+0412\\U+0430\\U+043B", f.read())

    def open_cp(self, path):
        done = subprocess.run([CADHOST, "--codepage", "1251", "open", path],
                              capture_output=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8"))
        return done.stdout.decode("utf-8"), done.stderr.decode("utf-8")

    def test_unusual_tags_and_block_names(self):
        long_tag = "T" * 250
        doc = self.drawing()
        b.define_attrib_block(doc, "Schriftfeld Ä-1 (A3)", ["DM_TITLE", long_tag, "X$1-_"])
        b.define_attrib_block(doc, "B" * 250, ["DM_TITLE"])
        b.insert_block(doc, b.MODEL, "Schriftfeld Ä-1 (A3)")
        b.insert_block(doc, b.MODEL, "B" * 250)
        path = self.save(doc, document={"dm_title": "P", "long": "L", "odd": "O"},
                         title_blocks=("schriftfeld ä-1 (a3)", "B" * 250, "[~*"),
                         attribute_map={"long": long_tag, "odd": "x$1-_"})
        self.open(path)
        self.assertEqual(self.title(path, b.MODEL, "Schriftfeld Ä-1 (A3)"),
                         {"DM_TITLE": "P", long_tag: "L", "X$1-_": "O"})
        self.assertEqual(self.title(path, b.MODEL, "B" * 250), {"DM_TITLE": "P"})
        self.assertSound(path)

    def test_values_an_attribute_cannot_hold_keep_the_old_text(self):
        doc = self.drawing()
        b.insert_block(doc, b.MODEL, "TB")
        path = self.save(doc, document={"dm_title": "P", "BENENNUNG1": "line&#10;break",
                                        "BENENNUNG2": "x" * 5000, "ZEICHNUNGSNR": "ok"})
        # The companion file carries an encoded line break inside an attribute value.
        qdx = b.companion_path(path)
        with open(qdx, "rb") as f:
            data = f.read().replace(b"&amp;#10;", b"&#10;")
        with open(qdx, "wb") as f:
            f.write(data)
        self.open(path)
        t = self.title(path, b.MODEL)
        self.assertEqual(t["DM_TITLE"], "P")
        self.assertEqual(t["ZEICHNUNGSNR"], "ok")
        self.assertEqual((t["BENENNUNG1"], t["BENENNUNG2"]), ("-", "-"))
        self.assertSound(path)

    def test_layout_objects_for_layouts_the_drawing_lacks(self):
        doc = self.drawing(("Sheet1",), active="Sheet1")
        b.insert_block(doc, "Sheet1", "TB")
        path = self.save(doc, relations=[relation("P-100/Sheet9"), relation("P-100/"),
                                         relation("other/Sheet1")])
        before = self.read_bytes(path)
        out, _ = self.open(path)
        self.assertEqual(out, "")
        self.assertEqual(self.read_bytes(path), before)

    def test_settings_that_name_no_blocks(self):
        doc = self.drawing(("Sheet1",))
        b.insert_block(doc, b.MODEL, "TB")
        b.insert_block(doc, b.MODEL, REV)
        path = self.save(doc, title_blocks=(), revision_blocks=(),
                         document={"dm_title": "P", "dm_revisionno": "1"},
                         revisions=[b.revision(1, "A", "c", "d", "u")],
                         settings={"autocad.updatealltitleblock": "1"})
        out, _ = self.open(path)
        self.assertEqual(out, "")
        self.assertEqual(self.title(path, b.MODEL)["DM_TITLE"], "-")
        self.assertEqual(self.title(path, b.MODEL, REV)["DM_REV_LABEL_0"], "-")
        self.assertSound(path)

    def test_thousands_of_attributes(self):
        tags = ["A%04d" % k for k in range(2000)]
        doc = self.drawing()
        b.define_attrib_block(doc, "BIG", tags, frame=False, labels={t: "" for t in tags})
        b.insert_block(doc, b.MODEL, "BIG")
        path = self.save(doc, title_blocks=("BIG",), document={"dm_title": "P", "v": "V"},
                         attribute_map={"v": "A*"})
        self.open(path)
        t = self.title(path, b.MODEL, "BIG")
        self.assertEqual(len(t), 2000)
        self.assertEqual(set(t.values()), {"V"})
        self.assertSound(path)

    def test_many_layouts_multi_layout_way(self):
        names = ["S%03d" % k for k in range(150)]
        doc = self.drawing(names)
        for name in names:
            b.insert_block(doc, name, "TB")
        path = self.save(doc, document={"dm_title": "P"},
                         settings={"autocad.updatealltitleblock": "1", "autocad.multilayout": "1"},
                         relations=b.layout_relations("P", names))
        self.open(path)
        rows = {(r[0], r[3]): r[4] for r in b.dump_attribs(path, ["TB"]) if r[3] in ("PAGE", "PAGES")}
        self.assertEqual(rows[("S000", "PAGE")], "1")
        self.assertEqual(rows[("S149", "PAGE")], "150")
        self.assertEqual(rows[("S075", "PAGES")], "150")
        self.assertSound(path)


if __name__ == "__main__":
    unittest.main()
