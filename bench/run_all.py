#!/usr/bin/python3
"""The performance record: our jobs and the same jobs scripted with ezdxf, side by side.

usage: run_all.py --bin DIR --corpus DIR --baselines DIR [--out FILE] [--runs N] [--sizes 1,10,100]

Every job runs in the same session, interleaved run by run with its counterparts (ours, ezdxf,
cp of the file), so that the ratios hold on a machine that others are loading. Each figure is the
median of the kept runs (the first run of each of ours is a warm-up and dropped); peak memory is
the largest resident set of the process (/usr/bin/time -f %M). Outputs are checked, not only
timed: the attributes of our updated drawing against those of the ezdxf job, the dependency lists
against the ezdxf lists. Writes the Markdown record to --out (default: stdout).
"""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import textwrap
import time

EZDXF_RUNS_100MB = 3  # ≈ 40 s and 0.9 GB each: enough for a median


class Run:
    """One process: wall seconds, peak RSS in KiB, its output."""

    def __init__(self, argv, cwd=None, check=True):
        rss_file = tempfile.NamedTemporaryFile(delete=False)
        rss_file.close()
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file.name] + argv, cwd=cwd,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.wall = time.perf_counter() - start
        with open(rss_file.name) as f:
            lines = [ln for ln in f.read().split("\n") if ln.strip()]
        os.unlink(rss_file.name)
        self.rss_kib = int(lines[-1]) if lines and lines[-1].strip().isdigit() else 0
        self.stdout, self.stderr, self.status = proc.stdout, proc.stderr, proc.returncode
        if check and proc.returncode != 0:
            sys.exit("failed (%d): %s\n%s" % (proc.returncode, " ".join(argv), proc.stderr[-2000:]))


def median(values):
    return statistics.median(values) if values else float("nan")


def mib(kib):
    return kib / 1024.0


def fmt_s(values):
    """Median with min-max, seconds."""
    if not values:
        return "-"
    return "%.3f [%.3f–%.3f]" % (median(values), min(values), max(values))


def keyed_floats(text):
    """'read 0.1 update 0.2 ...' -> {'read': 0.1, 'update': 0.2, ...}"""
    words = text.split()
    out = {}
    for k, v in zip(words[::2], words[1::2]):
        try:
            out[k] = float(v)
        except ValueError:
            pass
    return out


def ezdxf_phases(stderr):
    """'companion+ini 0.001 s, read 0.2 s, update 0.06 s, save 0.16 s' -> dict."""
    out = {}
    for part in stderr.strip().splitlines()[-1].split(","):
        words = part.split()
        if len(words) >= 2:
            try:
                out[words[0]] = float(words[1])
            except ValueError:
                pass
    return out


def goal(ok):
    return "**met**" if ok else "**not met**"


class Bench:
    def __init__(self, args):
        self.bin = os.path.abspath(args.bin)
        self.corpus = os.path.abspath(args.corpus)
        self.baselines = os.path.abspath(args.baselines)
        self.runs = args.runs
        self.sizes = [int(s) for s in args.sizes.split(",") if s]
        self.work = tempfile.mkdtemp(prefix="brakon-bench-")
        self.py = "/usr/bin/python3"
        self.lines = []
        self.failures = []

    def cadhost(self):
        return os.path.join(self.bin, "cadhost")

    def tool(self, name):
        return os.path.join(self.bin, name)

    def baseline(self, name):
        return os.path.join(self.baselines, name)

    def fresh_copy(self, size, name):
        """A managed drawing of its own: the drawing and its companion file, as the PDM hands it out."""
        src = os.path.join(self.corpus, "sheets", "sheetset_%dmb" % size)
        dst = os.path.join(self.work, name)
        shutil.copyfile(src + ".dxf", dst + ".dxf")
        shutil.copyfile(src + ".qdx", dst + ".qdx")
        if os.path.exists(dst + ".bak"):
            os.unlink(dst + ".bak")
        return dst + ".dxf"

    def startup_kib(self):
        """Peak RSS of cadhost that loads the module and runs nothing (an unknown command)."""
        return median([Run([self.cadhost(), "run", "_no_such_command"], check=False).rss_kib for _ in range(3)])

    # ------------------------------------------------------------ sheet sets

    def sheets(self, size):
        src = os.path.join(self.corpus, "sheets", "sheetset_%dmb.dxf" % size)
        file_bytes = os.path.getsize(src)
        ez_runs = EZDXF_RUNS_100MB if size >= 100 else self.runs
        r = {k: [] for k in ("cp", "job", "job_rss", "ph_read", "ph_update", "ph_save", "ph_total",
                             "db_read", "db_save", "db_wall", "db_rss", "ez", "ez_rss", "ez_read",
                             "ez_update", "ez_save")}
        for run in range(self.runs + 1):
            keep = run > 0
            cp = Run(["cp", src, os.path.join(self.work, "cp.dxf")])
            job = self.fresh_copy(size, "job")
            ours = Run([self.cadhost(), "open", job])
            if "saved" not in ours.stderr:
                sys.exit("cadhost open did not save %s:\n%s" % (job, ours.stderr))
            phased = self.fresh_copy(size, "phases")
            phases = keyed_floats(Run([self.tool("update_phases_bench"), phased]).stdout)
            db_out = os.path.join(self.work, "db.dxf")
            if os.path.exists(db_out):  # a save to a new file, not a comparison with the last one
                os.unlink(db_out)
            db = Run([self.tool("read_save_bench"), src, db_out])
            dbt = keyed_floats(db.stdout)
            if abs(os.path.getsize(db_out) - file_bytes) > file_bytes // 100:
                self.failures.append("%d MB: read_save_bench wrote %d bytes from %d" %
                                     (size, os.path.getsize(db_out), file_bytes))
            if keep:
                r["cp"].append(cp.wall)
                r["job"].append(ours.wall)
                r["job_rss"].append(ours.rss_kib)
                for k in ("read", "update", "save", "total"):
                    r["ph_" + k].append(phases[k])
                r["db_read"].append(dbt["read"])
                r["db_save"].append(dbt["save"])
                r["db_wall"].append(db.wall)
                r["db_rss"].append(db.rss_kib)
            if 1 <= run <= ez_runs:
                ez = Run([self.py, self.baseline("baseline_ezdxf.py"), src,
                          os.path.join(self.work, "ezdxf.dxf"), "--timings"])
                p = ezdxf_phases(ez.stderr)
                r["ez"].append(ez.wall)
                r["ez_rss"].append(ez.rss_kib)
                r["ez_read"].append(p.get("read", float("nan")))
                r["ez_update"].append(p.get("update", float("nan")))
                r["ez_save"].append(p.get("save", float("nan")))
        r["bytes"] = file_bytes
        r["ez_runs"] = ez_runs
        r["check"] = self.check_attributes(job, os.path.join(self.work, "ezdxf.dxf"))
        return r

    def check_attributes(self, ours, theirs):
        """Attribute dumps of both updated drawings; the differing lines, if any."""
        dump = self.baseline("dump_attribs.py")
        a = Run([self.py, dump, ours]).stdout.splitlines()
        b = Run([self.py, dump, theirs]).stdout.splitlines()
        differing = [(x, y) for x, y in zip(a, b) if x != y]
        if len(a) != len(b):
            differing.append(("%d attributes" % len(a), "%d attributes" % len(b)))
        placeholders = sum(1 for line in a if line.endswith("\t-"))
        return {"attributes": len(a), "differing": differing, "placeholders": placeholders}

    # ------------------------------------------------------------ dependency listing

    def deps(self, name, drawing, traverse, expected):
        ours_t, ours_rss, ez_t, ez_rss = [], [], [], []
        ours_out = os.path.join(self.work, "deps_ours.txt")
        ez_out = os.path.join(self.work, "deps_ezdxf.txt")
        for run in range(self.runs + 1):
            for f in (ours_out, ez_out):
                if os.path.exists(f):
                    os.unlink(f)
            ours = Run([self.cadhost(), "run", "vallo_get_dependencies", drawing, ours_out, "Yes",
                        "Yes" if traverse else "No"])
            ez_args = [self.py, self.baseline("baseline_ezdxf_deps.py"), drawing, ez_out]
            if not traverse:
                ez_args.append("--no-traverse")
            ez = Run(ez_args)
            if run > 0:  # the first run of both warms the caches
                ours_t.append(ours.wall)
                ours_rss.append(ours.rss_kib)
                ez_t.append(ez.wall)
                ez_rss.append(ez.rss_kib)
        with open(ours_out, newline="") as f:
            ours_lines = f.read().replace("\r\n", "\n").splitlines()
        with open(ez_out) as f:
            ez_lines = f.read().splitlines()
        same = ours_lines == ez_lines
        if len(ours_lines) != expected or not same:
            self.failures.append("%s: %d lines (expected %d), %s the ezdxf list" %
                                 (name, len(ours_lines), expected, "same as" if same else "differs from"))
        return {"name": name, "ours": ours_t, "ours_rss": ours_rss, "ez": ez_t, "ez_rss": ez_rss,
                "lines": len(ours_lines), "same": same}

    # ------------------------------------------------------------ the record

    def write(self, sheet_results, dep_results, load_before, load_after, started, elapsed):
        L = self.lines
        L.append("# Performance record")
        L.append("")
        L.append("Generated by `bench/run_all.sh` on %s UTC (%.0f s). Our jobs, the same jobs scripted with "
                 "ezdxf (`%s`), and `cp` of the file, run interleaved in one session. Times are "
                 "whole-process wall seconds, median [min–max] of %d runs after a warm-up (ezdxf on the "
                 "100 MB drawing: %d runs); peak memory is the largest resident set of the process."
                 % (started.strftime("%Y-%m-%d %H:%M"), elapsed, ezdxf_version(), self.runs,
                    EZDXF_RUNS_100MB))
        L.append("")
        L.append("Built from %s." % source_state())
        L.append("")
        L.append("Machine: %s, %d cores, Python %s. Load average %s at the start, %s at the end. A shared "
                 "virtual machine: single figures move by a third from one hour to the next, so the ratios "
                 "compare runs made side by side." % (cpu_name(), os.cpu_count() or 0,
                                                    platform.python_version(), load_before, load_after))
        L.append("")

        L.append("## Update job (`cadhost open` on a managed sheet set)")
        L.append("")
        L.append("A fresh copy of `sheetset_N.dxf` with its `.qdx` per run; the module writes 38 attributes "
                 "per layout into model space and every sheet, and the drawing is saved over itself "
                 "(backup kept). ezdxf: `baseline_ezdxf.py` (read, update every layout, save).")
        L.append("")
        L.append("| drawing | ours s | ezdxf s | cp s | ezdxf ÷ ours (goal ≥ 100) | ours ÷ cp (goal ≤ 5) "
                 "| ours peak MiB (goal ≤ 2× file) | ezdxf peak MiB | update share (goal < 20 %) |")
        L.append("|---|---|---|---|---|---|---|---|---|")
        for size, r in sheet_results:
            ours, ez, cp = median(r["job"]), median(r["ez"]), median(r["cp"])
            share = median(r["ph_update"]) / median(r["ph_total"])
            rss = mib(median(r["job_rss"]))
            L.append("| %d MB (%s B) | %s | %s | %s | %.0f× %s | %.1f× %s | %.1f (%.2f×) %s | %.1f | %.0f %% %s |" % (
                size, "{:,}".format(r["bytes"]), fmt_s(r["job"]), fmt_s(r["ez"]), fmt_s(r["cp"]),
                ez / ours, goal(ez / ours >= 100), ours / cp, goal(ours / cp <= 5),
                rss, rss * 1048576 / r["bytes"], goal(rss * 1048576 <= 2 * r["bytes"]),
                mib(median(r["ez_rss"])), 100 * share, goal(share < 0.2)))
        L.append("")
        L.append("Peak memory includes the process itself: cadhost with the module loaded and no drawing "
                 "peaks at %.1f MiB, which is why the 1 MB drawing cannot come under 2× its size."
                 % mib(self.startup_kib()))
        L.append("")
        L.append("Phases of one `cadhost open` (`update_phases_bench`: the host session that cadhost runs, "
                 "timed inside; read ends when the document is created, update is the modules' work on the "
                 "drawing-load message), medians, seconds, beside ezdxf's own `--timings`:")
        L.append("")
        L.append("| drawing | read | update | save | total | ezdxf read | ezdxf update | ezdxf save |")
        L.append("|---|---|---|---|---|---|---|---|")
        for size, r in sheet_results:
            L.append("| %d MB | %.3f | %.3f | %.3f | %.3f | %.2f | %.2f | %.2f |" % (
                size, median(r["ph_read"]), median(r["ph_update"]), median(r["ph_save"]),
                median(r["ph_total"]), median(r["ez_read"]), median(r["ez_update"]), median(r["ez_save"])))
        L.append("")
        L.append("Output check (`dump_attribs.py` of our drawing against the ezdxf job's drawing, "
                 "TB_A3 and REVTABLE on every layout):")
        L.append("")
        for size, r in sheet_results:
            c = r["check"]
            if c["differing"]:
                L.append("- %d MB: **%d of %d attributes differ**, first: `%s` vs `%s`." % (
                    size, len(c["differing"]), c["attributes"], c["differing"][0][0], c["differing"][0][1]))
                self.failures.append("%d MB: attributes differ from the ezdxf job" % size)
            else:
                L.append("- %d MB: all %s attributes identical; %d still hold the \"-\" placeholder "
                         "(model-space PAGE, which neither job sets)." % (
                             size, "{:,}".format(c["attributes"]), c["placeholders"]))
        L.append("")

        L.append("## Drawing database (read + save)")
        L.append("")
        L.append("`read_save_bench`: read the drawing, change one attribute text, save it to a file that "
                 "does not exist yet; "
                 "read and save timed inside the process, against ezdxf's read and save phases from the "
                 "same update-job runs (`--timings`, also timed inside the process).")
        L.append("")
        L.append("| drawing | ours read + save s | ezdxf read + save s | cp s | ezdxf ÷ ours (goal ≥ 100) "
                 "| ours ÷ cp (goal ≤ 3) | whole process s | peak MiB (goal ≤ 2× file) |")
        L.append("|---|---|---|---|---|---|---|---|")
        for size, r in sheet_results:
            ours_rs = [a + b for a, b in zip(r["db_read"], r["db_save"])]
            ez_rs = [a + b for a, b in zip(r["ez_read"], r["ez_save"])]
            o, e, cp = median(ours_rs), median(ez_rs), median(r["cp"])
            rss = mib(median(r["db_rss"]))
            L.append("| %d MB | %s | %s | %.3f | %.0f× %s | %.1f× %s | %.3f | %.1f (%.2f×) %s |" % (
                size, fmt_s(ours_rs), fmt_s(ez_rs), cp, e / o, goal(e / o >= 100), o / cp, goal(o / cp <= 3),
                median(r["db_wall"]), rss, rss * 1048576 / r["bytes"], goal(rss * 1048576 <= 2 * r["bytes"])))
        L.append("")

        L.append("## Dependency listing (`cadhost run vallo_get_dependencies`, full paths)")
        L.append("")
        L.append("| input | lines | ours s | ezdxf s | ezdxf ÷ ours (goal ≥ 50 with traversal) | ours peak MiB "
                 "| ezdxf peak MiB | list |")
        L.append("|---|---|---|---|---|---|---|---|")
        for d in dep_results:
            ratio = median(d["ez"]) / median(d["ours"])
            traversal = "traverse" in d["name"] and "no traverse" not in d["name"]
            L.append("| %s | %s | %s | %s | %.0f×%s | %.1f | %.1f | %s |" % (
                d["name"], "{:,}".format(d["lines"]), fmt_s(d["ours"]), fmt_s(d["ez"]), ratio,
                " " + goal(ratio >= 50) if traversal else "", mib(median(d["ours_rss"])),
                mib(median(d["ez_rss"])), "same as ezdxf" if d["same"] else "**differs from ezdxf**"))
        L.append("")
        if self.failures:
            L.append("Checks that failed: " + "; ".join(self.failures) + ".")
            L.append("")
        return "\n".join(wrap_prose(L))


def wrap_prose(lines, width=100):
    """Paragraphs and list items wrapped for reading in an editor; tables and headings as they are."""
    out = []
    for line in lines:
        if not line or line.startswith(("|", "#")):
            out.append(line)
        elif line.startswith("- "):
            out.extend(textwrap.wrap(line, width, subsequent_indent="  ", break_long_words=False,
                                     break_on_hyphens=False))
        else:
            out.extend(textwrap.wrap(line, width, break_long_words=False, break_on_hyphens=False))
    return out


def ezdxf_version():
    try:
        out = subprocess.run(["/usr/bin/python3", "-c", "import ezdxf; print(ezdxf.__version__)"],
                             capture_output=True, text=True).stdout.strip()
        return "ezdxf " + out
    except OSError:
        return "ezdxf"


def source_state():
    """The commit measured, and whether the code had changes not yet committed."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    try:
        head = subprocess.run(["git", "-C", root, "log", "-1", "--format=%h (%ci)"],
                              capture_output=True, text=True).stdout.strip()
        dirty = subprocess.run(["git", "-C", root, "status", "--porcelain", "--", "host", "module"],
                               capture_output=True, text=True).stdout.split("\n")
    except OSError:
        return "an unknown commit"
    changed = [line[3:] for line in dirty if line.strip()]
    if not changed:
        return "commit " + head
    return "commit %s with uncommitted changes in %s" % (head, ", ".join(changed[:6]) +
                                                        (" ..." if len(changed) > 6 else ""))


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.machine()


def load_average():
    try:
        return "%.1f" % os.getloadavg()[0]
    except OSError:
        return "?"


README_INTRO = """How fast the jobs run next to the same jobs scripted with ezdxf and next to copying the file.
`bash bench/run_all.sh` (about 7 minutes) builds what it needs in `build-perf/`, generates the
benchmark corpus in `benchcorpus/` if it is missing, runs everything side by side, and writes
`bench/RESULTS.md` and this section. Where a goal is not met, `bench/PROFILE.md` says where the
time goes.
"""


def update_readme(path, record):
    """Replaces the body of the README's "## Performance" section (added before "## Layout",
    or at the end, when there is none) with the record, its headings one level down."""
    with open(path) as f:
        lines = f.read().split("\n")
    body = []
    for line in record.split("\n")[1:]:  # the record's own title is the section's
        body.append("#" + line if line.startswith("#") else line)
    section = ["## Performance", ""] + README_INTRO.rstrip("\n").split("\n") + body
    while section and section[-1] == "":
        section.pop()
    section.append("")
    start = next((i for i, ln in enumerate(lines) if ln.strip() == "## Performance"), None)
    if start is None:
        at = next((i for i, ln in enumerate(lines) if ln.strip() == "## Layout"), len(lines))
        lines[at:at] = section
    else:
        end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("## ")), len(lines))
        lines[start:end] = section
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("\n".join(lines))
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--bin", required=True)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--baselines", required=True)
    ap.add_argument("--out")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--sizes", default="1,10,100")
    ap.add_argument("--no-deps", action="store_true")
    ap.add_argument("--readme", help="README whose Performance section gets the record")
    args = ap.parse_args()
    bench = Bench(args)
    started = datetime.datetime.now(datetime.timezone.utc)
    t0 = time.perf_counter()
    load_before = load_average()
    try:
        sheet_results = []
        for size in bench.sizes:
            print("sheet set %d MB ..." % size, file=sys.stderr, flush=True)
            sheet_results.append((size, bench.sheets(size)))
        dep_results = []
        if not args.no_deps:
            c = bench.corpus
            jobs = [("xtree, traverse", os.path.join(c, "xtree", "root.dxf"), True, 340),
                    ("many_1000, no traverse", os.path.join(c, "xmany", "many_1000.dxf"), False, 1000),
                    ("many_1000, traverse", os.path.join(c, "xmany", "many_1000.dxf"), True, 1000)]
            for name, drawing, traverse, expected in jobs:
                print("dependencies: %s ..." % name, file=sys.stderr, flush=True)
                dep_results.append(bench.deps(name, drawing, traverse, expected))
        text = bench.write(sheet_results, dep_results, load_before, load_average(), started,
                           time.perf_counter() - t0)
    finally:
        shutil.rmtree(bench.work, ignore_errors=True)
    if args.out:
        with open(args.out, "w") as f:
            f.write(text + "\n")
    else:
        print(text)
    if args.readme:
        update_readme(args.readme, text)
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
