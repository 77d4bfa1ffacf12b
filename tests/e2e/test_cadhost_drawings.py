"""cadhost with drawings: `open` with the real module (the "not managed"
message, drawings that cannot be read or saved, --no-save), and scripts that
open and save drawings with the probe module, checked byte for byte and with
ezdxf."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("BRAKON_BIN_DIR",
                     os.path.join(HERE, os.pardir, os.pardir, "build", "bin"))
CORPUS = os.environ.get("BRAKON_CORPUS_DIR",
                        os.path.join(HERE, os.pardir, os.pardir, os.pardir, "shared", "corpus"))
CADHOST = os.path.join(BIN, "cadhost")
PROBE = os.path.join(BIN, "cadhost_probe.so")
BRAKON = os.path.join(BIN, "brakon.so")

INIT = "probe: initialised\n"
UNLOAD = "probe: unloaded\n"

# Small corpus drawings of different versions and writers.
ROUND_TRIP = [
    "ezdxf_dxf_unicode.dxf",             # AC1027, ezdxf
    "librecad_Grundriss_de.dxf",         # AC1021, LibreCAD
    "qcad_din_a4_landscape_de.dxf",      # AC1015, QCAD, code page "ASCII"
    "ezdxf_issue_mlayouts_2004.dxf",     # AC1018
]


def cadhost(*args, cwd=None):
    done = subprocess.run([CADHOST, *args], cwd=cwd, capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def setUpModule():
    for path in (CADHOST, PROBE, BRAKON):
        if not os.path.exists(path):
            raise RuntimeError("%s is not built (BRAKON_BIN_DIR=%s)" % (path, BIN))


class DrawingTestCase(unittest.TestCase):

    def setUp(self):
        self.tmp = os.path.realpath(tempfile.mkdtemp())

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def drawing(self, name="drawing.dxf", corpus=ROUND_TRIP[0]):
        return shutil.copy(os.path.join(CORPUS, corpus), os.path.join(self.tmp, name))


class OpenTest(DrawingTestCase):

    def test_a_drawing_without_companion_file_is_reported_by_its_full_path(self):
        os.mkdir(os.path.join(self.tmp, "sub"))
        path = self.drawing(os.path.join("sub", "Skizze.dxf"))
        before = read_bytes(path)
        for options, message in [([], "\nThe file [%s] is not managed by PDM."),
                                 (["--lang", "de"], "\nDie Datei [%s] ist nicht vom PDM verwaltet.")]:
            with self.subTest(options=options):
                status, out, err = cadhost(*options, "open", os.path.join("sub", ".", "Skizze.dxf"),
                                           cwd=self.tmp)
                self.assertEqual((status, out, err), (0, message % path, ""))
                self.assertEqual(before, read_bytes(path))
                self.assertEqual(["Skizze.dxf"], os.listdir(os.path.dirname(path)))

    def test_drawings_that_cannot_be_read_get_one_line_each_and_the_rest_go_on(self):
        garbage = os.path.join(self.tmp, "garbage.dxf")
        with open(garbage, "wb") as f:
            f.write(b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(256)))
        cut = os.path.join(self.tmp, "cut.dxf")
        cut_bytes = read_bytes(os.path.join(CORPUS, ROUND_TRIP[0]))[:5000]
        with open(cut, "wb") as f:
            f.write(cut_bytes)
        missing = os.path.join(self.tmp, "missing.dxf")
        first, last = self.drawing("first.dxf"), self.drawing("last.dxf")
        status, out, err = cadhost("open", first, garbage, cut, missing, last)
        self.assertEqual(1, status)
        self.assertEqual("\nThe file [%s] is not managed by PDM." % first +
                         "\nThe file [%s] is not managed by PDM." % last, out)
        lines = err.splitlines()
        self.assertEqual(3, len(lines), err)
        for line, path in zip(lines, (garbage, cut, missing)):
            self.assertTrue(line.startswith("cadhost: ") and path in line, err)
        self.assertEqual(cut_bytes, read_bytes(cut))

    def test_a_module_failing_on_load_leaves_the_drawing_unsaved_and_exits_1(self):
        path = self.drawing("throw-on-load.dxf")
        status, out, err = cadhost("--module", PROBE, "open", path)
        self.assertEqual(1, status)
        self.assertIn("probe: loaded [%s]\n" % path, out)
        self.assertIn("drawing-load message: probe load failure", err)
        self.assertIn("cadhost: %s: a module failed while the drawing loaded; it was not saved"
                      % path, err)


class ManagedDrawingTest(DrawingTestCase):

    def managed(self, name, title):
        doc = b.new_drawing()
        b.define_title_block(doc, "TB")
        b.insert_block(doc, b.MODEL, "TB")
        return b.save_managed(doc, os.path.join(self.tmp, name),
                              document={"dm_title": "P-100", "BENENNUNG1": title},
                              attribute_map={"BENENNUNG1": "BENENNUNG1"})

    def test_changed_drawings_are_saved_with_a_backup_unless_they_cannot_be(self):
        locked, path = self.managed("locked.dxf", "Nabe"), self.managed("managed.dxf", "Welle")
        locked_before, before = read_bytes(locked), read_bytes(path)
        os.chmod(locked, 0o444)
        status, out, err = cadhost("open", locked, path)
        self.assertEqual((1, ""), (status, out))
        lines = err.splitlines()
        self.assertEqual(2, len(lines), err)
        self.assertTrue(lines[0].startswith("cadhost: %s: " % locked), err)
        self.assertEqual("cadhost: saved %s" % path, lines[1])
        self.assertEqual(locked_before, read_bytes(locked))
        self.assertEqual(before, read_bytes(os.path.join(self.tmp, "managed.bak")))
        self.assertEqual("Welle", b.attribs(path, b.MODEL, "TB")["BENENNUNG1"])
        self.assertEqual([], b.audit_problems(path))

    def test_no_save_leaves_the_changed_drawing_alone(self):
        path = self.managed("managed.dxf", "Welle")
        before = read_bytes(path)
        status, out, err = cadhost("open", "--no-save", path)
        self.assertEqual((0, ""), (status, err))
        self.assertEqual(before, read_bytes(path))
        self.assertEqual(["managed.dxf", "managed.qdx", "managed_settings.ini"],
                         sorted(os.listdir(self.tmp)))


class ScriptDrawingTest(DrawingTestCase):

    def script(self, text):
        path = os.path.join(self.tmp, "job.scr")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_open_saveas_quit_writes_a_byte_identical_copy(self):
        for name in ROUND_TRIP:
            with self.subTest(drawing=name):
                source = self.drawing("source " + name, corpus=name)
                copy = os.path.join(self.tmp, "copy of " + name)
                job = self.script('OPEN "%s"\nSAVEAS\n%s\nQUIT\n' % (source, copy))
                status, out, err = cadhost("--module", PROBE, "script", job)
                self.assertEqual(0, status, err)
                self.assertEqual(read_bytes(os.path.join(CORPUS, name)), read_bytes(copy))
                self.assertEqual(read_bytes(os.path.join(CORPUS, name)), read_bytes(source))
                self.assertEqual(INIT +
                                 "Command: OPEN\nEnter name of drawing to open: %s\n" % source +
                                 "probe: loaded [%s]\n" % source +
                                 "Command: SAVEAS\nSave drawing as <%s>: %s\n" % (source, copy) +
                                 "Command: QUIT\n" +
                                 "probe: unloading [%s]\n" % copy +
                                 "probe: destroying [%s]\n" % copy + UNLOAD, out)
                self.assertEqual("cadhost: saved %s\n" % copy, err)
                self.assertEqual(b.audit_problems(os.path.join(CORPUS, name)),
                                 b.audit_problems(copy))

    def test_a_drawing_built_elsewhere_survives_a_script_unchanged(self):
        doc = b.new_drawing()
        b.define_title_block(doc, "TB")
        b.insert_block(doc, "Layout1", "TB", invisible=True)
        source = b.save(doc, os.path.join(self.tmp, "built.dxf"))
        before = read_bytes(source)
        job = self.script("OPEN\n%s\nQSAVE\nSAVEAS %s\nCLOSE\nprobe_where\n"
                          % (source, os.path.join(self.tmp, "again.dxf")))
        status, out, err = cadhost("--module", PROBE, "script", job)
        self.assertEqual(0, status, err)
        self.assertEqual(before, read_bytes(source))
        self.assertEqual(before, read_bytes(os.path.join(self.tmp, "again.dxf")))
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "built.bak")))
        self.assertTrue(out.endswith("Command: probe_where\nprobe_where: [none]\n" + UNLOAD), out)
        self.assertEqual("cadhost: saved %s\n" % os.path.join(self.tmp, "again.dxf"), err)

    def test_a_failed_saveas_is_reported_and_one_over_a_file_keeps_it_as_bak(self):
        source = self.drawing("a.dxf")
        failing = os.path.join(self.tmp, "no such folder", "b.dxf")
        target = os.path.join(self.tmp, "b.dxf")
        with open(target, "wb") as f:
            f.write(b"the old b\n")
        job = self.script('OPEN %s\nSAVEAS "%s"\nprobe_where\nSAVEAS %s\n' % (source, failing, target))
        status, out, err = cadhost("--module", PROBE, "script", job)
        self.assertEqual(1, status)
        self.assertIn("Command: probe_where\nprobe_where: [%s]\n" % source, out)
        lines = err.splitlines()
        self.assertEqual(2, len(lines), err)
        self.assertTrue(lines[0].startswith("cadhost: ") and failing in lines[0], err)
        self.assertEqual("cadhost: saved %s" % target, lines[1])
        self.assertFalse(os.path.exists(os.path.dirname(failing)))
        self.assertEqual(read_bytes(source), read_bytes(target))
        self.assertEqual(b"the old b\n", read_bytes(os.path.join(self.tmp, "b.bak")))


if __name__ == "__main__":
    unittest.main()
