"""The dependency listing command through `cadhost` on trees of DXF drawings
written with ezdxf: the list file it writes (entries, order, CR LF line ends)
against ezdxf's reading of the references, cycles, both command names, another
code page, a command script and typed names. What the listing does with bad
input and unwritable output is pinned by the module's unit tests."""

import os
import shutil
import subprocess
import tempfile
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")


def cadhost(*args):
    return subprocess.run([CADHOST, *args], capture_output=True, timeout=120)


class ListingTest(unittest.TestCase):
    """asm/top.dwg references left.dwg, ..\\parts\\right.dwg and a missing
    drawing; left and right both reference base.dwg (stored differently)."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="deps-")
        self.addCleanup(shutil.rmtree, self.dir)
        b.write_reference_set(self.dir, {
            "asm/top.dwg": ["left.dwg", r"..\parts\right.dwg", "missing.dwg"],
            "asm/left.dwg": [r"..\parts\base.dwg"],
            "parts/right.dwg": ["base.dwg"],
            "parts/base.dwg": [],
        })
        self.top = self.p("asm/top.dwg")
        self.out = self.p("out.txt")

    def p(self, name):
        return os.path.join(self.dir, *name.split("/"))

    def run_listing(self, drawing, fullpath, traverse, out=None, name="vallo_get_dependencies"):
        result = cadhost("run", name, drawing, out or self.out, fullpath, traverse)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode("utf-8")

    def lines(self):
        with open(self.out, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n"), data)
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line ends in CR LF")
        return data.decode("cp1252").split("\r\n")[:-1]

    def test_full_paths_with_traversal_match_ezdxf(self):
        self.run_listing(self.top, "", "Yes")  # Enter: full paths

        def expected(path):
            out = []
            stored = [s for _, s, _ in b.xref_paths(path)]
            resolved = [os.path.normpath(os.path.join(os.path.dirname(path), s.replace("\\", "/")))
                        for s in stored]
            out += resolved
            for r in resolved:
                if os.path.exists(r):
                    out += expected(r)
            return out

        self.assertEqual(self.lines(), expected(self.top))

    def test_tarvik_name_writes_the_same_file(self):
        self.run_listing(self.top, "No", "Yes")
        first = self.lines()
        os.remove(self.out)
        self.run_listing(self.top, "No", "Yes", name="_tarvik_get_dependencies")
        self.assertEqual(self.lines(), first)

    def test_cycle_is_cut_and_named(self):
        b.write_reference_set(self.dir, {"parts/base.dwg": [r"..\asm\top.dwg"]})
        stdout = self.run_listing(self.top, "No", "Yes")
        self.assertEqual(self.lines(), ["left.dwg", "right.dwg", "missing.dwg",
                                        "base.dwg", "top.dwg", "base.dwg", "top.dwg"])
        self.assertEqual(stdout.count("\nCyclic reference skipped: " + self.top), 2, stdout)

    def test_path_in_another_code_page_is_written_in_it(self):
        b.write_reference_set(self.dir, {"asm/top.dwg": ["left.dwg", "\u0416.dwg"]})
        result = cadhost("--codepage", "1251", "run", "vallo_get_dependencies", self.top,
                         self.out, "No", "No")
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.out, "rb") as f:
            self.assertEqual(f.read(), "left.dwg\r\n\u0416.dwg\r\n".encode("cp1251"))

    def test_script_runs_the_listing_as_a_batch_job(self):
        script = self.p("job.scr")
        with open(script, "w", encoding="utf-8") as f:
            f.write("FILEDIA\n0\n_vallo_get_dependencies\n%s\n%s\nNo\nYes\n"
                    % (self.top, self.out))
        result = cadhost("script", script)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.lines(), ["left.dwg", "right.dwg", "missing.dwg", "base.dwg", "base.dwg"])

    def test_prompts_and_typed_names(self):
        # Typed on the command line (FILEDIA 0): ".dwg" and ".txt" are added to bare names.
        result = subprocess.run([CADHOST, "--set", "FILEDIA=0", "run", "vallo_get_dependencies",
                                 "top", "../out", "No", ""],
                                capture_output=True, timeout=120, cwd=self.p("asm"))
        self.assertEqual(result.returncode, 0, result.stderr)
        stdout = result.stdout.decode("utf-8")
        for prompt in ("Enter drawing file:", "Enter output file:", "Fullpath (Yes/No)<Yes>: ",
                       "Traverse (Yes/No)<No>: "):
            self.assertIn(prompt, stdout)
        self.assertEqual(self.lines(), ["left.dwg", "right.dwg", "missing.dwg"])


if __name__ == "__main__":
    unittest.main()
