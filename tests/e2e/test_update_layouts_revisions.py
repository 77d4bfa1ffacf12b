"""The all-layouts update (single-record and multi-layout, variant type
dm_layout included) and the revision windows of the revision table, through
cadhost `open`, read back with ezdxf."""

import unittest

import dxfbuild as b
from test_update_title_blocks import REV, UpdateCase, relation, setUpModule  # noqa: F401

SHEETS = ("Sheet3", "Sheet1", "Sheet2")  # block-table order: the page order


class AllLayoutsTest(UpdateCase):

    def sheets(self):
        doc = self.drawing(SHEETS)
        for lay in (b.MODEL,) + SHEETS:
            b.insert_block(doc, lay, "TB")
            b.insert_block(doc, lay, REV)
        return doc

    def document(self, **extra):
        d = {"dm_title": "P-100", "BENENNUNG1": "doc", "dm_revisionno": "1"}
        d.update(extra)
        return d

    def test_single_record_way_fills_every_layout_without_pages(self):
        path = self.save(self.sheets(), document=self.document(),
                         revisions=[b.revision(1, "A", "c", "d", "u")],
                         settings={"autocad.updatealltitleblock": "1"},
                         relations=[relation("P-100/Sheet1", BENENNUNG1="ignored")])
        self.open(path)
        for lay in (b.MODEL,) + SHEETS:
            with self.subTest(layout=lay):
                t = self.title(path, lay)
                self.assertEqual((t["DM_TITLE"], t["BENENNUNG1"], t["PAGE"], t["PAGES"]),
                                 ("P-100", "doc", "-", "-"))
                self.assertEqual(self.title(path, lay, REV)["DM_REV_LABEL_0"], "A")
        self.assertSound(path)

    def check_multi_layout(self, path):
        expected = {
            b.MODEL: ("P-100", "doc", "-", "3", "A"),
            "Sheet3": ("P-100/Sheet3", "three", "1", "3", "A"),
            "Sheet1": ("-", "-", "-", "-", "-"),
            "Sheet2": ("P-100/Sheet2", "two", "3", "3", "A"),
        }
        for lay, want in expected.items():
            with self.subTest(layout=lay):
                t = self.title(path, lay)
                got = (t["DM_TITLE"], t["BENENNUNG1"], t["PAGE"], t["PAGES"],
                       self.title(path, lay, REV)["DM_REV_LABEL_0"])
                self.assertEqual(got, want)

    def test_multi_layout_way_numbers_pages_in_block_table_order(self):
        path = self.save(self.sheets(), document=self.document(),
                         revisions=[b.revision(1, "A", "c", "d", "u")],
                         settings={"autocad.updatealltitleblock": "1", "autocad.multilayout": "1"},
                         relations=[relation("P-100/Sheet3", BENENNUNG1="three"),
                                    relation("P-100/Sheet2", BENENNUNG1="two"),
                                    relation("P-100/Sheet9", BENENNUNG1="no such layout")])
        self.open(path)
        self.check_multi_layout(path)
        self.assertSound(path)

    def test_layout_variant_takes_the_multi_layout_way(self):
        path = self.save(self.sheets(), document=self.document(dm_vartype="dm_layout"),
                         revisions=[b.revision(1, "A", "c", "d", "u")],
                         settings={"autocad.updatealltitleblock": "1"},
                         relations=[relation("P-100/Sheet3", BENENNUNG1="three"),
                                    relation("P-100/Sheet2", BENENNUNG1="two")])
        self.open(path)
        self.check_multi_layout(path)


class RevisionWindowTest(UpdateCase):

    def run_case(self, count, current, settings=None):
        doc = self.drawing()
        b.insert_block(doc, b.MODEL, "TB")
        b.insert_block(doc, b.MODEL, REV)
        revisions = [b.revision(k, "R%d" % k, "c%d" % k, "d%d" % k, "u%d" % k)
                     for k in range(1, count + 1)]
        path = self.save(doc, document={"dm_title": "P-100", "dm_revisionno": str(current)},
                         revisions=revisions, settings=settings)
        self.open(path)
        table = self.title(path, b.MODEL, REV)
        return [table["DM_REV_LABEL_%d" % r] for r in range(4)], table

    def test_windows(self):
        cases = [
            ("six revisions, the last four", 6, 6, None, ["R3", "R4", "R5", "R6"]),
            ("two revisions, the rest blanked", 2, 2, None, ["R1", "R2", "", ""]),
            ("a revision newer than the current", 6, 4, None, ["R3", "R4", "-", "-"]),
            ("autocad.revision.first", 6, 6, {"autocad.revision.first": "5"}, ["R6", "", "", ""]),
            ("count 0", 6, 6, {"autocad.revision.count": "0"}, ["-", "-", "-", "-"]),
        ]
        for what, count, current, settings, want in cases:
            with self.subTest(what):
                labels, _ = self.run_case(count, current, settings)
                self.assertEqual(labels, want)

    def test_row_fields(self):
        _, table = self.run_case(2, 2)
        self.assertEqual([table["DM_REV_%s_1" % f] for f in b.REV_FIELDS], ["R2", "c2", "d2", "u2"])


if __name__ == "__main__":
    unittest.main()
