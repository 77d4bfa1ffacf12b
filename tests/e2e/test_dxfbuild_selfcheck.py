"""Every kind of drawing dxfbuild builds passes ezdxf's audit, so that an
end-to-end failure points at cadhost and not at its input."""

import os
import tempfile
import unittest

import dxfbuild as b


class AuditTest(unittest.TestCase):
    def test_every_kind_of_drawing_is_clean(self):
        with tempfile.TemporaryDirectory() as tmp:
            for version in ("R2018", "R2004", "R2000"):
                with self.subTest(version=version):
                    doc = b.new_drawing(version)
                    b.set_layouts(doc, ["S3", "S1", "S2"], active="S1", taborder=["S1", "S2", "S3"])
                    b.define_title_block(doc, "TB")
                    b.define_revision_block(doc, "REVTABLE")
                    b.insert_block(doc, b.MODEL, "TB", {"DM_TITLE": "Größe Ω"})
                    b.insert_block(doc, "S1", "TB", invisible=True)
                    b.insert_block(doc, "S1", "REVTABLE")
                    b.define_border_block(doc, "AM_BORDER")
                    b.define_border_block(doc, "AM_BORDER_TXT", marker="text")
                    b.define_attrib_block(doc, "AM_TITLE", ["GEN-TITLE-NR"])
                    b.add_border_pair(doc, "S2", "AM_BORDER", "AM_TITLE")
                    b.add_lone_border(doc, "S3", "AM_BORDER_TXT")
                    reps = b.define_dynamic_block(doc, "DYN", ["DM_TITLE"])
                    b.insert_dynamic(doc, b.MODEL, "DYN", reps[0])
                    b.insert_dynamic(doc, b.MODEL, "DYN")
                    b.add_xref(doc, "XR", r"..\parts\b.dxf", overlay=True)
                    path = b.save(doc, os.path.join(tmp, version + ".dxf"))
                    self.assertEqual(b.audit_problems(path), [])
            for path in b.write_reference_set(tmp, {"a/top.dwg": ["x.dwg", r"..\b\y.dwg"],
                                                    "b/y.dwg": [r"..\a\top.dwg"]}):
                self.assertEqual(b.audit_problems(path), [])


if __name__ == "__main__":
    unittest.main()
