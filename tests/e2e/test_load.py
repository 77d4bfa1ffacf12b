"""Load: cadhost over hundreds of drawings in one `open`, a command script
that opens, saves and closes as many, and the dependency listing over a
reference tree of a few thousand drawings. Everything must be processed and
written right, and memory must not grow with the number of drawings beyond
what the job has to hold: `open` keeps every document until all are loaded
and saved, a script that closes each drawing holds none, and the listing reads
one drawing at a time.

Peak memory is cadhost's maximum resident set (/usr/bin/time), compared
between a smaller and a larger run of the same kind, so that start-up costs
cancel out. Under a sanitizer build the runs and their outputs are checked
(LeakSanitizer fails a run that leaks) but memory is not, as the sanitizer's
own bookkeeping dominates it. Set BRAKON_LOAD_REPORT=1 to print the figures.
"""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")
EXAMPLES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                         os.pardir, os.pardir, "examples"))
MANAGED = "A-1001-Lagerdeckel"
UNMANAGED = "Skizze-Halter"
REPORT = os.environ.get("BRAKON_LOAD_REPORT") == "1"


def sanitized():
    with open(CADHOST, "rb") as f:
        return b"__asan_init" in f.read()


def cadhost(*args):
    """Runs cadhost; returns (exit status, stdout bytes, stderr text, peak RSS KiB, seconds)."""
    # /usr/bin/time measures cadhost alone: a child forked from this Python process would
    # count Python's own pages until it runs cadhost.
    with tempfile.TemporaryDirectory() as tmp:
        rss_file = os.path.join(tmp, "rss")
        start = time.monotonic()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file, CADHOST, *args],
                              capture_output=True)
        seconds = time.monotonic() - start
        with open(rss_file) as f:
            rss = int(f.read().split()[-1])
    return proc.returncode, proc.stdout, proc.stderr.decode("utf-8", "replace"), rss, seconds


def report(name, count, seconds, rss):
    if REPORT:
        print("\n  %s: %d drawings, %.2f s, peak %d KiB" % (name, count, seconds, rss))


class OpenManyTest(unittest.TestCase):
    """400 copies of the single-sheet managed example (with companion file)
    and 40 copies of the unmanaged one in one folder."""

    MANAGED_COUNT = 400
    UNMANAGED_COUNT = 40

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="load-open-")
        with open(os.path.join(EXAMPLES, MANAGED + ".dxf"), "rb") as f:
            cls.before = f.read()
        with open(os.path.join(EXAMPLES, MANAGED + ".qdx"), "rb") as f:
            qdx = f.read().replace(b"@EXAMPLE_DIR@", os.fsencode(cls.dir))
        with open(os.path.join(EXAMPLES, UNMANAGED + ".dxf"), "rb") as f:
            cls.unmanaged = f.read()
        shutil.copy(os.path.join(EXAMPLES, "pdm_settings.ini"), cls.dir)
        cls.managed = [cls.path("m%03d.dxf" % i) for i in range(cls.MANAGED_COUNT)]
        cls.others = [cls.path("u%02d.dxf" % i) for i in range(cls.UNMANAGED_COUNT)]
        for p in cls.managed:
            with open(p[:-4] + ".qdx", "wb") as f:
                f.write(qdx)
        # What one drawing becomes on its own: every copy must end the same.
        single = cls.path("single.dxf")
        cls.reset([single])
        with open(single[:-4] + ".qdx", "wb") as f:
            f.write(qdx)
        status, _, err, _, _ = cadhost("open", single)
        assert status == 0, err
        with open(single, "rb") as f:
            cls.after = f.read()
        assert cls.after != cls.before

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    @classmethod
    def path(cls, name):
        return os.path.join(cls.dir, name)

    @classmethod
    def reset(cls, paths):
        """Puts the drawings back as they were before any run; no backups of earlier runs."""
        for name in os.listdir(cls.dir):
            if name.endswith(".bak") and name != "single.bak":
                os.remove(cls.path(name))
        for p in paths:
            data = cls.unmanaged if os.path.basename(p).startswith("u") else cls.before
            with open(p, "wb") as f:
                f.write(data)

    def check_saved(self, managed, others, stderr):
        self.assertEqual(stderr.splitlines(), ["cadhost: saved " + p for p in managed])
        for p in managed:
            with open(p, "rb") as f:
                self.assertTrue(f.read() == self.after, p)
            with open(p[:-4] + ".bak", "rb") as f:
                self.assertTrue(f.read() == self.before, p)
        for p in others:
            with open(p, "rb") as f:
                self.assertTrue(f.read() == self.unmanaged, p)
            self.assertFalse(os.path.exists(p[:-4] + ".bak"))
        expected = {os.path.basename(p) for p in self.managed + self.others}
        expected |= {n[:-4] + ".qdx" for n in expected if n.startswith("m")}
        expected |= {os.path.basename(p)[:-4] + ".bak" for p in managed}
        expected |= {"pdm_settings.ini", "single.dxf", "single.qdx", "single.bak", "s.scr"}
        self.assertEqual(sorted(set(os.listdir(self.dir)) - expected), [], "stray files")

    def run_open(self, count):
        """`cadhost open` over count drawings, one in ten unmanaged; returns peak RSS."""
        others = self.others[:count // 10]
        managed = self.managed[:count - len(others)]
        drawings = managed + others
        self.reset(drawings)
        status, _, err, rss, seconds = cadhost("open", *drawings)
        report("open", len(drawings), seconds, rss)
        self.assertEqual(status, 0, err[-2000:])
        self.check_saved(managed, others, err)
        return rss

    def run_script(self, count):
        """A script that opens, saves and closes count managed drawings; returns peak RSS."""
        drawings = self.managed[:count]
        self.reset(drawings)
        script = self.path("s.scr")
        with open(script, "w", encoding="utf-8") as f:
            for p in drawings:
                f.write('OPEN "%s"\nQSAVE\nCLOSE\n' % p)
        status, _, err, rss, seconds = cadhost("script", script)
        report("script open/qsave/close", count, seconds, rss)
        self.assertEqual(status, 0, err[-2000:])
        self.check_saved(drawings, [], err)
        return rss

    def test_open_processes_and_saves_every_drawing_in_one_call(self):
        small = self.run_open(100)
        large = self.run_open(400)
        if sanitized():
            return
        # By contract every document stays open until all are loaded and saved: memory grows by
        # what one open drawing holds, which must stay within a few times its file size.
        per_drawing = (large - small) * 1024 / 300
        if REPORT:
            print("  open: %.1f KiB more per drawing" % (per_drawing / 1024))
        self.assertLess(per_drawing, 5 * len(self.before))

    def test_documents_closed_one_by_one_leave_memory_flat(self):
        small = self.run_script(100)
        large = self.run_script(400)
        if sanitized():
            return
        per_drawing = (large - small) * 1024 / 300
        if REPORT:
            print("  script: %.2f KiB more per drawing" % (per_drawing / 1024))
        self.assertLess(per_drawing, 4096, "a closed document or its database is not released")


class DependencyTreeTest(unittest.TestCase):
    """A reference tree: n0 references n1..n3, each node three more, seven
    levels deep (3280 drawings), leaves referencing nothing. Drawings are one
    ezdxf-written template with its stored paths patched, as writing
    thousands with ezdxf would take long."""

    DEPTH = 7
    FANOUT = 3

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="load-deps-")
        node_doc = b.new_drawing()
        placeholders = ["@@REF%d@@.dwg" % k for k in range(cls.FANOUT)]
        for k, stored in enumerate(placeholders, 1):
            b.add_xref(node_doc, "XR_%d" % k, stored, at=(30.0 * k, 0))
        node = b.save(node_doc, os.path.join(cls.dir, "node.tmpl"))
        leaf = b.save(b.new_drawing(), os.path.join(cls.dir, "leaf.tmpl"))
        with open(node, "rb") as f:
            node_bytes = f.read()
        with open(leaf, "rb") as f:
            leaf_bytes = f.read()
        for p in placeholders:
            assert node_bytes.count(p.encode()) >= 1, p
        os.remove(node)
        os.remove(leaf)

        cls.children = {}
        count = sum(cls.FANOUT ** level for level in range(cls.DEPTH + 1))
        for i in range(count):
            first = i * cls.FANOUT + 1
            if first < count:
                kids = ["n%04d.dwg" % c for c in range(first, first + cls.FANOUT)]
                data = node_bytes
                for p, kid in zip(placeholders, kids):
                    data = data.replace(p.encode(), kid.encode())
            else:
                kids, data = [], leaf_bytes
            cls.children["n%04d.dwg" % i] = kids
            with open(os.path.join(cls.dir, "n%04d.dwg" % i), "wb") as f:
                f.write(data)
        cls.count = count

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def expected(self, name):
        """The listing with traversal, file names only: a drawing's references, then what each
        of them references in turn."""
        out = list(self.children[name])
        for kid in self.children[name]:
            out += self.expected(kid)
        return out

    def listing(self, root):
        out = os.path.join(self.dir, "list.txt")
        if os.path.exists(out):
            os.remove(out)
        status, _, err, rss, seconds = cadhost("run", "vallo_get_dependencies",
                                               os.path.join(self.dir, root), out, "No", "Yes")
        self.assertEqual((status, err), (0, ""))
        with open(out, "rb") as f:
            lines = f.read().decode("cp1252").split("\r\n")
        self.assertEqual(lines[-1], "")
        self.assertEqual(lines[:-1], self.expected(root))
        report("listing from " + root, len(lines), seconds, rss)
        return len(lines) - 1, rss

    def test_listing_over_thousands_of_drawings_is_complete_in_flat_memory(self):
        # n0001 heads a subtree one level shallower: a third of the drawings.
        small_lines, small = self.listing("n0001.dwg")
        large_lines, large = self.listing("n0000.dwg")
        self.assertEqual(large_lines, self.count - 1)
        self.assertEqual(small_lines, (self.count - 1) // self.FANOUT - 1)
        if sanitized():
            return
        per_drawing = (large - small) * 1024 / (large_lines - small_lines)
        if REPORT:
            print("  listing: %.2f KiB more per drawing" % (per_drawing / 1024))
        # The list itself grows (a line per drawing); the drawings read must not stay.
        self.assertLess(per_drawing, 2048, "a drawing read for the listing is not released")


if __name__ == "__main__":
    unittest.main()
