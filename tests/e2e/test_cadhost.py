"""cadhost as a program: options, usage errors, exit statuses, `run` and
`script` (with the probe module built beside cadhost), `open` with the real
module (the "not managed" message, drawings that cannot be read or saved,
--no-save), and scripts that open and save drawings, checked byte for byte
and with ezdxf. Standard output is the command line, standard error the
host's own messages."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(HERE, os.pardir, os.pardir, "build", "bin"))
CORPUS = os.environ.get("BRAKON_CORPUS_DIR",
                        os.path.join(HERE, os.pardir, os.pardir, os.pardir, "shared", "corpus"))
CADHOST = os.path.join(BIN, "cadhost")
PROBE = os.path.join(BIN, "cadhost_probe.so")

INIT = "probe: initialised\n"
UNLOAD = "probe: unloaded\n"

# Small corpus drawings of different versions and writers.
ROUND_TRIP = [
    "ezdxf_dxf_unicode.dxf",             # AC1027, ezdxf
    "librecad_Grundriss_de.dxf",         # AC1021, LibreCAD
    "qcad_din_a4_landscape_de.dxf",      # AC1015, QCAD, code page "ASCII"
    "ezdxf_issue_mlayouts_2004.dxf",     # AC1018
]


def cadhost(*args, cwd=None, executable=CADHOST):
    """Runs cadhost; returns (exit status, stdout, stderr) as text."""
    done = subprocess.run([executable, *args], cwd=cwd, capture_output=True, timeout=120)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def with_probe(*args, **kwargs):
    return cadhost("--module", PROBE, *args, **kwargs)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def setUpModule():
    for path in (CADHOST, PROBE, os.path.join(BIN, "brakon.so")):
        if not os.path.exists(path):
            raise RuntimeError("%s is not built (BRAKON_BIN_DIR=%s)" % (path, BIN))


class UsageTest(unittest.TestCase):

    def test_usage_errors_exit_2_with_usage_text_and_run_nothing(self):
        cases = [
            ([], None),
            (["frobnicate"], None),
            (["open"], None),
            (["open", "--bogus", "a.dxf"], None),
            (["run"], None),
            (["script"], None),
            (["script", "a.scr", "b.scr"], None),
            (["--lang", "fr", "open", "a.dxf"], None),
            (["--codepage", "abc", "open", "a.dxf"], None),
            (["--codepage", "99999", "open", "a.dxf"], None),
            (["--set", "NOSUCHVAR=1", "open", "a.dxf"],
             "cadhost: --set NOSUCHVAR=1: unknown system variable NOSUCHVAR\n"),
            (["--set", "FILEDIA=2", "open", "a.dxf"],
             "cadhost: --set FILEDIA=2: Requires an integer between 0 and 1.\n"),
            (["--set", "FILEDIA", "open", "a.dxf"], "cadhost: --set FILEDIA: expected NAME=VALUE\n"),
            (["--set", "=1", "open", "a.dxf"], None),
            (["--set", "DWGNAME=x.dwg", "open", "a.dxf"], None),
        ]
        for args, first_line in cases:
            with self.subTest(args=args):
                status, out, err = with_probe(*args)
                self.assertEqual(2, status)
                self.assertEqual("", out, "no module loaded, nothing on the command line")
                self.assertTrue(err.startswith(first_line or "cadhost: "), err)
                self.assertIn("usage: cadhost [OPTIONS] open [--no-save] DRAWING...", err)

    def test_help_prints_usage_on_stdout(self):
        status, out, err = cadhost("--help")
        self.assertEqual(0, status)
        self.assertTrue(out.startswith("usage: cadhost [OPTIONS] open"), out)
        self.assertEqual("", err)

    def test_a_module_that_does_not_load_stops_the_run_with_status_1(self):
        with tempfile.TemporaryDirectory() as tmp:
            missing = os.path.join(tmp, "missing.so")
            not_a_module = os.path.join(tmp, "text.so")
            with open(not_a_module, "w") as f:
                f.write("not a shared object\n")
            for module in (missing, not_a_module):
                with self.subTest(module=module):
                    status, out, err = cadhost("--module", PROBE, "--module", module,
                                               "run", "probe_where")
                    self.assertEqual(1, status)
                    # The probe was loaded first and is unloaded again; nothing ran.
                    self.assertEqual(INIT + UNLOAD, out)
                    self.assertEqual(1, len(err.splitlines()), err)
                    self.assertTrue(err.startswith("cadhost: %s: " % module), err)

    def test_a_module_that_fails_its_initialisation_stops_the_run_with_status_1(self):
        with tempfile.TemporaryDirectory() as tmp:
            failing = shutil.copy(PROBE, os.path.join(tmp, "throw-on-init.so"))
            status, out, err = with_probe("--module", failing, "run", "probe_where")
            self.assertEqual(1, status)
            self.assertEqual(INIT + UNLOAD + UNLOAD, out)
            self.assertEqual("cadhost: %s: initialisation message: probe init failure\n"
                             "cadhost: %s: the module failed to initialise and was unloaded\n"
                             % (failing, failing), err)

    def test_the_default_module_is_brakon_so_beside_cadhost(self):
        with tempfile.TemporaryDirectory() as tmp:
            shutil.copy(CADHOST, tmp)
            shutil.copy(os.path.join(BIN, "libcadhost.so"), tmp)
            shutil.copy(PROBE, os.path.join(tmp, "brakon.so"))
            status, out, err = cadhost("run", "probe_where",
                                       executable=os.path.join(tmp, "cadhost"))
            self.assertEqual(0, status, err)
            self.assertEqual(INIT + "probe_where: [none]\n" + UNLOAD, out)
            os.remove(os.path.join(tmp, "brakon.so"))
            status, out, err = cadhost("run", "probe_where",
                                       executable=os.path.join(tmp, "cadhost"))
            self.assertEqual(1, status)
            self.assertIn(os.path.join(tmp, "brakon.so"), err)


class RunTest(unittest.TestCase):

    def test_answers_feed_the_prompts_and_the_command_line_goes_to_stdout(self):
        cases = [
            (["probe_frage", "a b", ""], 0, "First: a b\nSecond: \nprobe_ask: [a b] []\n", ""),
            (["_PROBE_ASK", "-1", "--x"], 0, "First: -1\nSecond: --x\nprobe_ask: [-1] [--x]\n", ""),
            (["probe_frage", "x"], 0, "First: x\nSecond: *Cancel*\nprobe_ask: cancelled at Second\n", ""),
            (["probe_frage", "^C"], 0, "First: *Cancel*\nprobe_ask: cancelled at First\n", ""),
            (["probe_frage", "1", "2", "3"], 0, "First: 1\nSecond: 2\nprobe_ask: [1] [2]\n",
             "cadhost: 1 answer was not used by probe_frage\n"),
            (["probe_frage", "Straße", "Ω"], 0, "First: Straße\nSecond: Ω\nprobe_ask: [Straße] [Ω]\n", ""),
            (["probe_nothing", "x"], 2, "", 'cadhost: unknown command "probe_nothing"\n'),
            (["probe_throw"], 0, "", "cadhost: command _probe_throw: probe failure\n"),
        ]
        for args, expected_status, command_line, messages in cases:
            with self.subTest(args=args):
                status, out, err = with_probe("run", *args)
                self.assertEqual(expected_status, status, err)
                self.assertEqual(INIT + command_line + UNLOAD, out)
                self.assertEqual(messages, err)


class Scratch(unittest.TestCase):

    def setUp(self):
        self.tmp = os.path.realpath(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.tmp)

    def script(self, text, encoding="utf-8"):
        path = os.path.join(self.tmp, "job.scr")
        with open(path, "wb") as f:
            f.write(text.encode(encoding))
        return path

    def drawing(self, name="drawing.dxf", corpus=ROUND_TRIP[0]):
        return shutil.copy(os.path.join(CORPUS, corpus), os.path.join(self.tmp, name))


class ScriptTest(Scratch):

    def test_a_script_echoes_its_input_as_the_host_does_until_quit(self):
        path = self.script("; answers on the following lines\r\n"
                           "probe_frage\r\nfirst answer\r\n\r\n"
                           "FILEDIA 0\r\nprobe_where\r\nQUIT\r\nprobe_where\r\n")
        status, out, err = with_probe("script", path)
        self.assertEqual(0, status, err)
        self.assertEqual(INIT +
                         "Command: probe_frage\nFirst: first answer\nSecond: \n"
                         "probe_ask: [first answer] []\n"
                         "Command: FILEDIA\nEnter new value for FILEDIA <1>: 0\n"
                         "Command: probe_where\nprobe_where: [none]\nCommand: QUIT\n" + UNLOAD, out)
        self.assertEqual("", err)

    def test_options_set_the_host_up_before_the_script_runs(self):
        path = self.script("FILEDIA\n\nLOCALE\n")
        status, out, _ = with_probe("--set", "filedia=0", "--lang", "de", "script", path)
        self.assertEqual(0, status)
        self.assertEqual(INIT +
                         "Command: FILEDIA\nEnter new value for FILEDIA <0>: \n"
                         'Command: LOCALE\nLOCALE = "DEU" (read only)\n' + UNLOAD, out)

    def test_a_script_that_is_not_utf8_is_read_in_the_ansi_code_page(self):
        cases = [
            ([], "cp1252", "Grüße"),
            (["--codepage", "1253"], "cp1253", "Ωμέγα"),
            (["--codepage", "1253"], "utf-8", "Grüße Ωμέγα"),
        ]
        for options, encoding, text in cases:
            with self.subTest(encoding=encoding):
                path = self.script("probe_frage\n%s\nx\n" % text, encoding=encoding)
                status, out, _ = with_probe(*options, "script", path)
                self.assertEqual(0, status)
                self.assertIn("probe_ask: [%s] [x]\n" % text, out)

    def test_failed_steps_go_to_stderr_with_the_line_and_give_status_1(self):
        path = self.script("probe_where\nBOGUS\nQSAVE\nprobe_where\n")
        status, out, err = with_probe("script", path)
        self.assertEqual(1, status)
        self.assertEqual(INIT +
                         "Command: probe_where\nprobe_where: [none]\n"
                         'Command: BOGUS\nUnknown command "BOGUS".  Press F1 for help.\n'
                         "Command: QSAVE\n"
                         "Command: probe_where\nprobe_where: [none]\n" + UNLOAD, out)
        self.assertEqual('cadhost: %s:2: unknown command "BOGUS"\n'
                         "cadhost: %s:3: QSAVE: no drawing is open\n" % (path, path), err)

    def test_a_script_that_cannot_be_read_exits_1(self):
        missing = os.path.join(self.tmp, "missing.scr")
        for path in (missing, self.tmp):
            with self.subTest(path=path):
                status, out, err = with_probe("script", path)
                self.assertEqual(1, status)
                self.assertEqual(INIT + UNLOAD, out)
                self.assertTrue(err.startswith("cadhost: %s: cannot read the script: " % path), err)


class OpenTest(Scratch):

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


class ManagedDrawingTest(Scratch):

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


class ScriptDrawingTest(Scratch):

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
