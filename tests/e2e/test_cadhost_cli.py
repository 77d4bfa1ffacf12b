"""cadhost as a program: options, usage errors, exit statuses, running commands
and scripts, and what goes to standard output (the command line) versus
standard error (the host's own messages). Uses the probe module built beside
cadhost (tests/host/cli/probe_module.cpp), so no drawing is needed."""

import os
import shutil
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("BRAKON_BIN_DIR",
                     os.path.join(HERE, os.pardir, os.pardir, "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")
PROBE = os.path.join(BIN, "cadhost_probe.so")

INIT = "probe: initialised\n"
UNLOAD = "probe: unloaded\n"


def cadhost(*args, cwd=None, executable=CADHOST):
    """Runs cadhost; returns (exit status, stdout, stderr) as text."""
    done = subprocess.run([executable, *args], cwd=cwd, capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def setUpModule():
    for path in (CADHOST, PROBE):
        if not os.path.exists(path):
            raise RuntimeError("%s is not built (BRAKON_BIN_DIR=%s)" % (path, BIN))


def with_probe(*args, **kwargs):
    return cadhost("--module", PROBE, *args, **kwargs)


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


class ScriptTest(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def script(self, text, name="job.scr", encoding="utf-8"):
        path = os.path.join(self.tmp, name)
        with open(path, "wb") as f:
            f.write(text.encode(encoding))
        return path

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


if __name__ == "__main__":
    unittest.main()
