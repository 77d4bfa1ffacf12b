"""Load: cadhost over hundreds of drawings in one `open`, a script that opens,
saves and closes as many, and the dependency listing over a reference tree of
a few thousand drawings. Everything must be written right, and memory must
not grow beyond what the job holds: `open` keeps every document until all are
saved, a script that closes each drawing holds none, the listing reads one
drawing at a time. Peak memory is cadhost's maximum resident set
(/usr/bin/time), compared between a smaller and a larger run so that start-up
costs cancel out; not checked under a sanitizer. BRAKON_LOAD_REPORT=1 prints
the figures."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

import dxfbuild as b

BIN = os.environ.get("BRAKON_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CADHOST = os.path.join(BIN, "cadhost")
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "examples")
REPORT = os.environ.get("BRAKON_LOAD_REPORT") == "1"


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def sanitized():
    return b"__asan_init" in read_bytes(CADHOST)


def cadhost(name, count, *args):
    """Runs cadhost under /usr/bin/time; returns (status, stderr text, peak RSS KiB)."""
    with tempfile.TemporaryDirectory() as tmp:
        rss_file = os.path.join(tmp, "rss")
        start = time.monotonic()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file, CADHOST, *args],
                              capture_output=True)
        seconds = time.monotonic() - start
        with open(rss_file) as f:
            rss = int(f.read().split()[-1])
    if REPORT:
        print("\n  %s: %d drawings, %.2f s, peak %d KiB" % (name, count, seconds, rss))
    return proc.returncode, proc.stderr.decode("utf-8", "replace"), rss


class OpenManyTest(unittest.TestCase):
    """Copies of the single-sheet managed example and of the unmanaged one."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="load-open-")
        cls.before = read_bytes(os.path.join(EXAMPLES, "A-1001-Lagerdeckel.dxf"))
        cls.unmanaged = read_bytes(os.path.join(EXAMPLES, "Skizze-Halter.dxf"))
        qdx = read_bytes(os.path.join(EXAMPLES, "A-1001-Lagerdeckel.qdx")).replace(
            b"@EXAMPLE_DIR@", os.fsencode(cls.dir))
        shutil.copy(os.path.join(EXAMPLES, "pdm_settings.ini"), cls.dir)
        cls.managed = [os.path.join(cls.dir, "m%03d.dxf" % i) for i in range(400)]
        cls.others = [os.path.join(cls.dir, "u%02d.dxf" % i) for i in range(40)]
        for p in cls.managed + [os.path.join(cls.dir, "single.dxf")]:
            with open(p[:-4] + ".qdx", "wb") as f:
                f.write(qdx)
        # What one drawing becomes on its own: every copy must end the same.
        single = os.path.join(cls.dir, "single.dxf")
        cls.reset([single])
        assert subprocess.run([CADHOST, "open", single], capture_output=True).returncode == 0
        cls.after = read_bytes(single)
        os.remove(single[:-4] + ".bak")
        assert cls.after != cls.before

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    @classmethod
    def reset(cls, paths):
        for name in os.listdir(cls.dir):
            if name.endswith(".bak"):
                os.remove(os.path.join(cls.dir, name))
        for p in paths:
            with open(p, "wb") as f:
                f.write(cls.unmanaged if os.path.basename(p).startswith("u") else cls.before)

    def check_saved(self, managed, others, stderr):
        self.assertEqual(stderr.splitlines(), ["cadhost: saved " + p for p in managed])
        for p in managed:
            self.assertTrue(read_bytes(p) == self.after, p)
            self.assertTrue(read_bytes(p[:-4] + ".bak") == self.before, p)
        for p in others:
            self.assertTrue(read_bytes(p) == self.unmanaged, p)
        names = {os.path.basename(p) for p in self.managed + self.others}
        names |= {n[:-4] + ".qdx" for n in names if n.startswith("m")}
        names |= {os.path.basename(p)[:-4] + ".bak" for p in managed}
        names |= {"pdm_settings.ini", "single.dxf", "single.qdx", "s.scr"}
        self.assertEqual(sorted(set(os.listdir(self.dir)) - names), [], "stray files")

    def batch(self, count, script=False):
        """`cadhost open` over count drawings, one in ten unmanaged, or a script that opens,
        saves and closes count managed drawings; returns the peak RSS."""
        others = [] if script else self.others[:count // 10]
        managed = self.managed[:count - len(others)]
        self.reset(managed + others)
        args = ["open", *managed, *others]
        if script:
            args = ["script", os.path.join(self.dir, "s.scr")]
            with open(args[1], "w", encoding="utf-8") as f:
                f.writelines('OPEN "%s"\nQSAVE\nCLOSE\n' % p for p in managed)
        status, err, rss = cadhost(args[0], count, *args)
        self.assertEqual(status, 0, err[-2000:])
        self.check_saved(managed, others, err)
        return rss

    def test_open_processes_and_saves_every_drawing_in_one_call(self):
        per_drawing = (self.batch(400) - self.batch(100)) * 1024 / 300
        if not sanitized():
            # Every document stays open until all are saved: a few times its file size each.
            self.assertLess(per_drawing, 5 * len(self.before))

    def test_documents_closed_one_by_one_leave_memory_flat(self):
        per_drawing = (self.batch(400, script=True) - self.batch(100, script=True)) * 1024 / 300
        if not sanitized():
            self.assertLess(per_drawing, 4096, "a closed document or its database is not released")


class DependencyTreeTest(unittest.TestCase):
    """n0 references n1..n3, each node three more, seven levels deep (3280
    drawings): one ezdxf-written template with its stored paths patched."""

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="load-deps-")
        node_doc = b.new_drawing()
        for k in range(3):
            b.add_xref(node_doc, "XR_%d" % k, "@@REF%d@@.dwg" % k, at=(30.0 * k, 0))
        node = read_bytes(b.save(node_doc, os.path.join(cls.dir, "node.tmpl")))
        leaf = read_bytes(b.save(b.new_drawing(), os.path.join(cls.dir, "leaf.tmpl")))
        cls.count = sum(3 ** level for level in range(8))
        cls.children = {}
        for i in range(cls.count):
            kids = ["n%04d.dwg" % c for c in range(3 * i + 1, 3 * i + 4) if c < cls.count]
            data = leaf
            if kids:
                data = node
                for k, kid in enumerate(kids):
                    data = data.replace(b"@@REF%d@@.dwg" % k, kid.encode())
            cls.children["n%04d.dwg" % i] = kids
            with open(os.path.join(cls.dir, "n%04d.dwg" % i), "wb") as f:
                f.write(data)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def expected(self, name):
        return self.children[name] + [x for kid in self.children[name] for x in self.expected(kid)]

    def listing(self, root):
        out = os.path.join(self.dir, "list.txt")
        if os.path.exists(out):
            os.remove(out)
        expected = self.expected(root)
        status, err, rss = cadhost("listing from " + root, len(expected), "run",
                                   "vallo_get_dependencies", os.path.join(self.dir, root), out,
                                   "No", "Yes")
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(read_bytes(out).decode("cp1252"), "".join(n + "\r\n" for n in expected))
        return len(expected), rss

    def test_listing_over_thousands_of_drawings_is_complete_in_flat_memory(self):
        # n0001 heads a subtree one level shallower: a third of the drawings.
        small_lines, small = self.listing("n0001.dwg")
        large_lines, large = self.listing("n0000.dwg")
        self.assertEqual(large_lines, self.count - 1)
        if not sanitized():
            # The list grows a line per drawing; the drawings read must not stay.
            per_drawing = (large - small) * 1024 / (large_lines - small_lines)
            self.assertLess(per_drawing, 2048, "a drawing read for the listing is not released")


if __name__ == "__main__":
    unittest.main()
