#!/usr/bin/env python3
"""The mutation run's driver (standard library only), started by scripts/mutate.sh
with the virtual display and the Wine prefix already up. The unmutated copy must
build and pass every layer the chosen entries use (the baseline); then each
entry's fault is planted alone (an exact text replacement that must match once)
and its layers run cheapest first. A fault is caught only when a named test
fails and fails again when run a second time on its own: a time limit, the
driver's or ctest's, is not a catch, nor is a failure that does not repeat."""

import argparse
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import types

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# Cheapest first: each layer's build tree, what it needs built after a fault is
# planted, and this driver's time limit on one run of it. e2e is vantor.exe
# under Wine, web the page in headless Chromium.
LAYERS = {
    "native": ("native", "native_tests", 300),
    "win32": ("win", "win32_tests", 420),
    "e2e": ("win", "all", 1200),
    "web": ("web", "all", 1200),
}
BUILD_TIMEOUT = 1800
# Debian's own Python, which sees Debian's Selenium (the page's checks need it).
E2E_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable


class Interrupted(Exception):
    """SIGTERM from the shell script: stop what runs and end."""


def on_sigterm(_signum, _frame):
    raise Interrupted()


# --- the catalogue -----------------------------------------------------------------

FIELDS = ("id", "file", "breaks", "find", "replace", "layers", "equivalent")


def parse_catalogue(path):
    """Entries of `field: value` lines, each starting with `id:`. `find:` and
    `replace:` with nothing after the colon take the following lines indented by
    four spaces (the indent removed; blank lines inside are kept). Lines starting
    with '#' are comments."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    mutants, problems, k = [], [], 0
    while k < len(lines):
        line, number = lines[k], k + 1
        k += 1
        if not line.strip() or line.startswith("#"):
            continue
        match = re.match(r"^([a-z]+):(.*)$", line)
        if not match or match.group(1) not in FIELDS or (match.group(1) != "id" and not mutants):
            problems.append("%d: not a field of an entry: %r" % (number, line))
            continue
        field, value = match.group(1), match.group(2).strip()
        if field == "id":
            mutants.append(types.SimpleNamespace(line=number, layers=list(LAYERS), equivalent=None,
                                                 **dict.fromkeys(("file", "breaks", "find", "replace"))))
        if field in ("find", "replace") and not value:
            block = []
            while k < len(lines) and (lines[k].startswith("    ") or not lines[k].strip()):
                block.append(lines[k][4:])
                k += 1
            while block and not block[-1].strip():
                block.pop()
            value = "\n".join(block)
        if field == "layers":
            unknown = set(value.split()) - set(LAYERS)
            if unknown or not value:
                problems.append("%d: unknown layers %s" % (number, sorted(unknown)))
            value = [layer for layer in LAYERS if layer in value.split()]  # cheapest first
        setattr(mutants[-1], field, value)
    seen = set()
    for m in mutants:
        problems += ["%d: %s has no %s" % (m.line, m.id, f) for f in ("file", "breaks", "find", "replace")
                     if getattr(m, f) is None]
        if m.find == m.replace or m.id in seen:
            problems.append("%d: %s replaces its text by the same text, or its id is used twice" % (m.line, m.id))
        seen.add(m.id)
    if problems:
        raise SystemExit("the catalogue %s has problems on lines\n  %s" % (path, "\n  ".join(problems)))
    return mutants


def select(mutants, only=None, ids=(), layer=None):
    """The entries whose id or description contains ONLY, whose id is one of IDS
    (in the order given), or whose cheapest layer is LAYER; all of them when
    nothing is asked for."""
    unknown = sorted(set(ids) - {m.id for m in mutants})
    if unknown:
        raise SystemExit("no such entries in the catalogue: %s" % ", ".join(unknown))
    if ids:
        mutants = sorted((m for m in mutants if m.id in ids), key=lambda m: ids.index(m.id))
    if only:
        mutants = [m for m in mutants if only.lower() in (m.id + m.breaks + (m.equivalent or "")).lower()]
    return [m for m in mutants if not layer or m.layers[0] == layer]


def list_catalogue(mutants):
    """The entries, each checked against the file as HEAD holds it."""
    bad = 0
    for m in mutants:
        shown = subprocess.run(["git", "-C", ROOT, "show", "HEAD:" + m.file], capture_output=True)
        count = shown.stdout.decode("utf-8").count(m.find) if shown.returncode == 0 else 0
        bad += count != 1
        print("%-30s %-34s %-21s %s%s" % (
            m.id, m.file, " ".join(m.layers), "equivalent: " + m.equivalent if m.equivalent else m.breaks,
            "" if count == 1 else "  [CATALOGUE ERROR: its search text is found %d times]" % count))
    print("%d mutants (%d marked equivalent); %d do not apply to HEAD"
          % (len(mutants), sum(1 for m in mutants if m.equivalent), bad))
    return 1 if bad else 0


# --- processes -----------------------------------------------------------------------

def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def run(args, log_path, timeout, cwd=None, stop_when=None, env=None):
    """Runs a command in its own session, all output into log_path (a file, never
    a pipe: Wine's services would inherit it). stop_when(output) is asked every
    half second; when it answers true the command is stopped early. ENV adds
    variables to the environment. Answers (exit code, stopped at the time limit)."""
    with open(log_path, "a") as log:
        log.write("$ %s\n" % " ".join(args))
        log.flush()
        process = subprocess.Popen(args, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True,
                                   env=dict(os.environ, **(env or {})))
    deadline = time.monotonic() + timeout
    try:
        while True:
            try:
                return process.wait(timeout=0.5), False
            except subprocess.TimeoutExpired:
                pass
            timed_out = time.monotonic() > deadline
            if timed_out or (stop_when is not None and stop_when(read(log_path))):
                kill_group(process)
                if timed_out:
                    with open(log_path, "a") as log:
                        log.write("\n*** stopped after %d s\n" % timeout)
                return process.returncode, timed_out
    except BaseException:
        kill_group(process)
        raise


def kill_group(process):
    """Ends a process started in its own session, and everything it started there."""
    for sig, grace in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 10.0)):
        try:
            os.killpg(process.pid, sig)
            process.wait(timeout=grace)
            return
        except ProcessLookupError:
            process.wait()
            return
        except subprocess.TimeoutExpired:
            continue


# --- what a layer's output says failed ------------------------------------------------

def gtest_failures(output, ended_by_itself):
    """The GoogleTest names that failed in one binary's run: each "[  FAILED  ]"
    test, and, when the binary ended by itself rather than at a time limit, a
    test that started and never finished (the binary crashed in it). A test
    that ctest stopped at its own limit is left out: the runner said so, not a test."""
    found = list(dict.fromkeys(re.findall(r"^\[  FAILED  \] ([^\s,]+\.[^\s,]+)", output, re.M)))
    started = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
    finished = set(re.findall(r"^\[ +(?:OK|FAILED|SKIPPED) +\] ([^\s,]+)", output, re.M))
    crashed = [name for name in started if name not in finished]
    if crashed and ended_by_itself and not re.search(r"^\s*\d+ - \S+ \(Timeout\)", output, re.M):
        found.append(crashed[-1] + ": crashed")
    # ctest's other tests (the end-to-end harness's self-test) by their names.
    tail = output.split("The following tests FAILED:", 1)[1:]
    found += [name for name, why in re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", "".join(tail), re.M)
              if why != "Timeout" and name != "win32_tests"]
    return found


def e2e_failures(output):
    """The name of each failed check of run_e2e.py, without its front end
    ("wine: ", "web: ", "phone: ", "online: "), as --only takes it."""
    return [re.sub(r"^(wine|web|phone|online): ", "", name)
            for name in re.findall(r"^FAIL  (.*?) \(\d+\.\d s\): ", output, re.M)]


def plain(name):
    """A test's name as the record shows it: no parameter suffix."""
    return re.sub(r"/(0x[0-9a-fA-F]+|[0-9]+)$", "", name)


def names(tests, most=3):
    shown = list(dict.fromkeys(plain(name) for name in tests))
    more = " and %d more" % (len(shown) - most) if len(shown) > most else ""
    return ", ".join(shown[:most]) + more


def minutes(seconds):
    seconds = int(round(seconds))
    return "%d min %02d s" % (seconds // 60, seconds % 60) if seconds >= 60 else "%d s" % seconds


# --- the run ----------------------------------------------------------------------

class Run:
    def __init__(self, work):
        self.work = work
        self.src = os.path.join(work, "src")
        self.logs = os.path.join(work, "logs")
        self.shots = os.path.join(work, "shots")
        os.makedirs(self.logs, exist_ok=True)

    def tree(self, name):
        return os.path.join(self.work, name)

    def extract(self):
        """The scratch copy: the committed HEAD, whatever the working tree holds.
        git writes only the files whose bytes differ from the copy's own index
        (a fault an interrupted run left planted included), so that the build
        trees rebuild only what changed. Answers HEAD's hash and subject."""
        shutil.rmtree(self.shots, ignore_errors=True)
        os.makedirs(self.src, exist_ok=True)
        git = ["git", "-C", ROOT, "--work-tree", self.src]
        env = dict(os.environ, GIT_INDEX_FILE=os.path.join(self.work, "src.index"))
        if not os.path.isfile(env["GIT_INDEX_FILE"]):
            # A copy without an index yet: the files that already match are kept.
            subprocess.check_call(git + ["read-tree", "HEAD"], env=env)
            subprocess.call(git + ["update-index", "-q", "--refresh"], env=env)
        subprocess.check_call(git + ["reset", "-q", "--hard", "HEAD"], env=env)
        return subprocess.check_output(["git", "-C", ROOT, "log", "-1", "--format=%h %s"], text=True).strip()

    def configure(self, tree):
        # The project's own optimisation without the debugging information, which
        # only slows the many links down; ccache serves every fault's second
        # compile of its file (planted, then put back) and the next run's builds.
        lean = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"]
        args = {
            "native": ["cmake", "-DVANTOR_BENCHMARKS=OFF"] + lean,
            "win": ["cmake", "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/toolchain-mingw.cmake" % self.src] + lean,
            "web": ["emcmake", "cmake", "-DCMAKE_BUILD_TYPE=Release"],
        }[tree] + ["-S", self.src, "-B", self.tree(tree)]
        if shutil.which("ccache"):
            args.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        log = os.path.join(self.logs, "baseline-%s-configure.log" % tree)
        return run(args, log, BUILD_TIMEOUT)[0] == 0

    def build(self, tree, target, log):
        code, timed_out = run(["cmake", "--build", self.tree(tree), "-j", "2", "--target", target], log,
                              BUILD_TIMEOUT)
        return code == 0 and not timed_out

    def restart_wine(self):
        """After a layer was stopped by force: every process of our own prefix ends
        (the game, winprobe, a test binary), and a fresh persistent wineserver with
        Wine's services takes over, as scripts/virtual-display.sh starts them."""
        for args in (["wineserver", "-k"], ["wineserver", "-w"], ["wineserver", "-p"], ["wineboot"]):
            run(args, os.path.join(self.logs, "wine-restarts.log"), 120)

    def run_layer(self, layer, log, only=(), fail_fast=False):
        """One run of a layer, all of it or only the named tests. Answers (the
        failed tests' names, stopped at the time limit, a note on anything else
        that went wrong); fail_fast ends the run at its first failed test."""
        limit = LAYERS[layer][2]
        if layer == "native":
            # The binary itself, once: the tests ctest runs one by one, in one process.
            args = [os.path.join(self.tree("native"), "tests", "native_tests"), "--gtest_color=no"]
            args += ["--gtest_filter=" + ":".join(only)] if only else []
            args += ["--gtest_fail_fast"] if fail_fast else []
            code, timed_out = run(args, log, limit, cwd=self.tree("native"))
            return gtest_failures(read(log), not timed_out), timed_out, ""
        if layer == "win32":
            # One ctest test runs the whole binary under Wine; GTEST_FILTER and
            # GTEST_FAIL_FAST, which Wine passes on, narrow it.
            env = {"GTEST_FILTER": ":".join(only)} if only else {}
            if fail_fast:
                env["GTEST_FAIL_FAST"] = "1"
            code, timed_out = run(["ctest", "--test-dir", self.tree("win"), "--output-on-failure"], log, limit,
                                  env=env)
            if timed_out:
                self.restart_wine()
            return gtest_failures(read(log), not timed_out), timed_out, ""
        front = "wine" if layer == "e2e" else "web"
        where = ["--build", self.tree("win")] if front == "wine" else ["--site", self.tree("web") + "/site"]
        args = [E2E_PYTHON, os.path.join(self.src, "tests", "e2e", "run_e2e.py")] + where + [
            "--shots", os.path.join(self.shots, front), "--log", log[:-4] + "-detail.log"]
        args += ["--only", only[0]] if only else []
        code, timed_out = run(args, log, limit, stop_when=(lambda out: bool(e2e_failures(out))) if fail_fast else None)
        failed = e2e_failures(read(log))
        if front == "wine" and (timed_out or (fail_fast and failed)):
            self.restart_wine()
        odd = not failed and not timed_out and code not in (0, None)
        return failed, timed_out, "the runner ended with code %s and no check failed" % code if odd else ""

    def confirm(self, layer, failed, stem):
        """Runs the tests that failed (at most three) a second time, on their own;
        answers those that failed again."""
        wanted = [name.removesuffix(": crashed") for name in dict.fromkeys(failed)][:3]
        if layer in ("native", "win32"):
            again = self.run_layer(layer, stem + "-again.log", only=wanted)[0]
            return [name for name in again if name.removesuffix(": crashed") in wanted]
        return [name for k, name in enumerate(wanted)
                if name in self.run_layer(layer, "%s-again%d.log" % (stem, k), only=[name])[0]]

    def try_layer(self, layer, stem, fail_fast):
        """A layer against the planted fault: (confirmed failures, what else was
        seen). A first failure that does not repeat makes the whole layer run
        once more to its end, in case a real failure came after it."""
        failed, timed_out, note = self.run_layer(layer, stem + ".log", fail_fast=fail_fast)
        seen = [note] * bool(note) + ["timeout, not caught"] * timed_out
        tried = []
        for attempt in ("", "-full"):
            fresh = [name for name in failed if name not in tried]
            confirmed = self.confirm(layer, fresh, stem + attempt) if fresh else []
            if confirmed:
                return confirmed, []
            if fresh:
                seen.append("%s failed once, not again" % names(fresh))
            if not (failed and fail_fast) or attempt:
                break
            tried = failed
            failed, timed_out, _ = self.run_layer(layer, stem + "-full.log")
            seen += ["timeout, not caught"] * timed_out
        return [], seen

    def baseline(self, layers):
        """The unmutated copy must build and pass every layer the entries use.
        Answers what went wrong, or None."""
        for layer in layers:
            tree, target, _ = LAYERS[layer]
            log = os.path.join(self.logs, "baseline-%s-build.log" % tree)
            if not os.path.isfile(os.path.join(self.tree(tree), "CMakeCache.txt")) and not self.configure(tree):
                return "configuring the %s tree failed (%s)" % (tree, log.replace("build", "configure"))
            if not self.build(tree, target, log):
                return "the %s tree does not build (%s)" % (tree, log)
        for layer in layers:
            log = os.path.join(self.logs, "baseline-%s.log" % layer)
            failed, timed_out, note = self.run_layer(layer, log)
            if failed or timed_out or note:
                return "the %s layer fails on the unmutated copy: %s (%s)" % (
                    layer, names(failed) or ("timed out" if timed_out else note), log)
        return None

    def mutate(self, m):
        """Plants one fault, runs its layers, puts the file back. Answers
        (result, layer, tests, what else was seen): the result is caught, not
        caught, does not build or catalogue error."""
        path = os.path.join(self.src, m.file)
        original = open(path, "rb").read() if os.path.isfile(path) else b""
        count = original.decode("utf-8").count(m.find)
        if count != 1:
            return "catalogue error", None, [], "its search text is found %d times in %s" % (count, m.file)
        notes, built = [], set()
        try:
            with open(path, "wb") as f:
                f.write(original.decode("utf-8").replace(m.find, m.replace, 1).encode("utf-8"))
            for layer in m.layers:
                tree, target, _ = LAYERS[layer]
                if not built & {(tree, target), (tree, "all")}:
                    log = os.path.join(self.logs, "%s-build-%s.log" % (m.id, layer))
                    if not self.build(tree, target, log):
                        return "does not build", layer, [], "%s tree, see %s" % (tree, os.path.relpath(log, ROOT))
                    built.add((tree, target))
                # An entry marked equivalent runs every check to the end, so that
                # any test it makes fail is seen.
                confirmed, seen = self.try_layer(layer, os.path.join(self.logs, "%s-%s" % (m.id, layer)),
                                                 fail_fast=not m.equivalent)
                notes += ["%s: %s" % (layer, s) for s in seen]
                if confirmed:
                    return "caught", layer, confirmed, "; ".join(notes)
            return "not caught", None, [], "; ".join(notes)
        finally:
            # The original bytes with a fresh time stamp: the next build compiles
            # the file again, whatever the mutant's build left behind.
            with open(path, "wb") as f:
                f.write(original)


def verdict(m, result, layer, tests, seen):
    """(the entry's result, the words for it). An entry marked equivalent must
    not be caught: for it, not caught is the answer wanted."""
    if m.equivalent and result in ("caught", "not caught"):
        result = "not equivalent" if result == "caught" else "equivalent"
    return result, {
        "catalogue error": "CATALOGUE ERROR, not run: " + seen,
        "does not build": "does not build (%s)" % seen,
        "equivalent": "equivalent: %s" % m.equivalent,
        "not equivalent": "NOT EQUIVALENT: %s failed twice in the %s layer" % (names(tests), layer),
        "caught": "caught by %s (%s)" % (names(tests), layer),
        "not caught": "NOT CAUGHT" + (" (%s)" % seen if seen else ""),
    }[result]


def write_record(path, catalogue, rows, run_line):
    """The table kept beside the catalogue: one row per fault, from the last run
    that planted it, each naming the tree it ran on. ROWS are this run's; the
    other faults keep the rows an earlier run left."""
    old = {}
    for line in read(path).splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if line.startswith("| ") and len(cells) == 6 and cells[0] not in ("Fault", "---"):
            old[cells[0]] = cells
    kept = [rows.get(m.id) or old.get(m.id) or [m.id, m.file, "not run", "", "", ""] for m in catalogue]
    counted = [row for row, m in zip(kept, catalogue) if not m.equivalent]
    caught = sum(1 for row in counted if row[2] == "caught")
    trees = dict.fromkeys(row[5] for row in kept if row[5])
    lines = [
        "# The mutation run's record",
        "",
        "Written by `scripts/mutate.sh` from `tests/mutants.txt`: each fault planted",
        "alone in a copy of the committed tree, and counted as caught only when a named",
        "test failed and failed again when run a second time on its own. Each row is",
        "from the last run that planted that fault.",
        "",
        "- Result: %d of %d caught; %d marked equivalent; %d not run" % (
            caught, len(counted), len(catalogue) - len(counted), sum(1 for row in kept if row[2] == "not run")),
        "- Rows by tree: " + ", ".join("`%s` %d" % (t, sum(1 for row in kept if row[5] == t)) for t in trees),
        run_line,
        "",
        "| Fault | File | Result | Layer | Caught by | Tree |",
        "|---|---|---|---|---|---|",
    ] + ["| %s |" % " | ".join(row) for row in kept]
    with open(path + ".new", "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(path + ".new", path)
    return caught, len(counted)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--only", help="only the entries whose id or description contains TEXT")
    parser.add_argument("--id", action="append", default=[],
                        help="only the entry with this id (repeat, or separate by commas)")
    parser.add_argument("--layer", choices=LAYERS, help="only the entries whose cheapest layer is this one")
    parser.add_argument("--list", action="store_true", help="list the catalogue and check it applies to HEAD")
    parser.add_argument("--catalogue", default=os.path.join(ROOT, "tests", "mutants.txt"))
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutate"), help="the work folder")
    parser.add_argument("--record", default=os.path.join(ROOT, "tests", "mutants-record.md"),
                        help="the table of results, where each run updates the rows of its faults")
    parser.add_argument("--no-record", action="store_true", help="leave the table as it is")
    args = parser.parse_args()

    everything = parse_catalogue(args.catalogue)
    mutants = select(everything, args.only, [i for arg in args.id for i in arg.split(",") if i], args.layer)
    if args.list:
        return list_catalogue(mutants)
    if not mutants:
        raise SystemExit("no entry of the catalogue is chosen")
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        raise SystemExit("no DISPLAY or WINEPREFIX: start the run with scripts/mutate.sh")
    signal.signal(signal.SIGTERM, on_sigterm)
    # Emscripten's JavaScript tools need Debian's acorn, which a node other than
    # Debian's does not find by itself.
    os.environ["NODE_PATH"] = "/usr/share/nodejs"

    started = time.monotonic()
    started_at = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    runner = Run(os.path.abspath(args.work))
    head = runner.extract()
    commit = head.split()[0]
    print("scratch copy of HEAD %s\n%d mutants from %s" % (head, len(mutants), args.catalogue), flush=True)
    layers = [layer for layer in LAYERS if any(layer in m.layers for m in mutants)]
    problem = runner.baseline(layers)
    if problem:
        print("BASELINE FAILED: %s\nno mutant was run: the unmutated copy must build and pass every layer first"
              % problem, flush=True)
        return 2
    print("baseline: the trees build, the layers pass: %s (%s)"
          % (" ".join(layers), minutes(time.monotonic() - started)), flush=True)

    width_id, width_file = max(len(m.id) for m in mutants), max(len(m.file) for m in mutants)
    rows = {}
    for m in mutants:
        began = time.monotonic()
        result, layer, tests, seen = runner.mutate(m)
        result, text = verdict(m, result, layer, tests, seen)
        print("%-*s  %-*s  %s -- %s  [%s]" % (width_id, m.id, width_file, m.file, m.breaks, text,
                                             minutes(time.monotonic() - began)), flush=True)
        shown = ", ".join("`%s`" % name for name in dict.fromkeys(map(plain, tests))) if result == "caught" \
            else m.equivalent if result == "equivalent" else text
        rows[m.id] = [m.id, m.file, result, layer or "", shown.replace("|", "/"), commit]
        if not args.no_record:
            # After every fault, so that a run stopped part of the way keeps what it found.
            write_record(args.record, everything, rows, "- Last run: on `%s`, %s, %d of %d faults so far" % (
                commit, started_at, len(rows), len(mutants)))
    run_time = minutes(time.monotonic() - started)
    ours = [row for m, row in zip(mutants, rows.values()) if not m.equivalent]
    caught = sum(1 for row in ours if row[2] == "caught")
    if not args.no_record:
        total, of = write_record(args.record, everything, rows, "- Last run: on `%s`, %s, %d faults in %s" % (
            commit, started_at, len(mutants), run_time))
        print("the table is in %s: %d of %d caught in all" % (os.path.relpath(args.record, ROOT), total, of))
    print("run time: %s\n%d of %d caught" % (run_time, caught, len(ours)), flush=True)
    return 0 if all(row[2] in ("caught", "equivalent") for row in rows.values()) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Interrupted):
        print("interrupted", flush=True)
        sys.exit(130)
