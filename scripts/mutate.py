#!/usr/bin/env python3
"""The mutation run's driver (standard library only), started by scripts/mutate.sh
with the virtual display and the Wine prefix already up.

It extracts the committed HEAD into the work folder, builds the native, Windows
and browser trees the chosen entries need and runs their test layers on the
unmutated copy (the baseline). Then, one catalogue entry at a time, it plants
the entry's fault (an exact text replacement that must match once), rebuilds
incrementally, runs the entry's layers cheapest first and puts the file back.

A fault is caught only when a named test fails, and the same test fails again
when it is run a second time on its own. A layer stopped by this driver's own
time limit with no test failed is not a catch; neither is a failure that does
not repeat. One line per entry, then "K of N caught"; a run of the whole
catalogue also writes its table to tests/mutants-record.md."""

import argparse
import datetime
import fcntl
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_CATALOGUE = os.path.join(ROOT, "tests", "mutants.txt")
DEFAULT_RECORD = os.path.join(ROOT, "tests", "mutants-record.md")
# Cheapest first. e2e is vantor.exe under Wine, web the page in headless Chromium.
LAYERS = ("native", "win32", "e2e", "web")
TREE_OF = {"native": "native", "win32": "win", "e2e": "win", "web": "web"}
# What a layer needs built after a fault is planted: only the test binary where
# that is all it runs, everything of the tree otherwise.
TARGET_OF = {"native": "native_tests", "win32": "win32_tests", "e2e": "all", "web": "all"}
JOBS = "2"
# Debian's own Python, which sees Debian's Selenium (the page's checks need it).
E2E_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable

# Time limits of this driver. A layer that runs past its limit is stopped; unless
# a test has failed by then, that is not a catch; nor is a test that ctest
# stopped at its own limit.
BUILD_TIMEOUT = 1800
NATIVE_TIMEOUT = 300
WIN32_TIMEOUT = 420
E2E_TIMEOUT = 1200


class Interrupted(Exception):
    """SIGTERM from the shell script: stop what runs and end."""


def on_sigterm(_signum, _frame):
    raise Interrupted()


# --- the catalogue -----------------------------------------------------------------

class Mutant:
    def __init__(self, line):
        self.line = line  # where the entry starts in the catalogue
        self.id = None
        self.file = None
        self.breaks = None
        self.find = None
        self.replace = None
        self.layers = list(LAYERS)
        self.equivalent = None


FIELDS = ("id", "file", "breaks", "find", "replace", "layers", "equivalent")
BLOCK_FIELDS = ("find", "replace")
INDENT = "    "


def parse_catalogue(path):
    """Entries of `field: value` lines, each starting with `id:`. `find:` and
    `replace:` with nothing after the colon take the following lines indented by
    four spaces (the indent removed; blank lines inside are kept). Lines starting
    with '#' are comments."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    mutants = []
    current = None
    problems = []
    k = 0
    while k < len(lines):
        line = lines[k]
        number = k + 1
        k += 1
        if not line.strip() or line.startswith("#"):
            continue
        match = re.match(r"^([a-z]+):(.*)$", line)
        if not match or match.group(1) not in FIELDS:
            problems.append("%s:%d: not a field: %r" % (path, number, line))
            continue
        field, value = match.group(1), match.group(2).strip()
        if field == "id":
            current = Mutant(number)
            mutants.append(current)
        elif current is None:
            problems.append("%s:%d: %s before the first id" % (path, number, field))
            continue
        if field in BLOCK_FIELDS and not value:
            block = []
            while k < len(lines) and (lines[k].startswith(INDENT) or not lines[k].strip()):
                block.append(lines[k][len(INDENT):] if lines[k].startswith(INDENT) else "")
                k += 1
            while block and not block[-1].strip():
                block.pop()
            value = "\n".join(block)
        if field == "layers":
            value = value.split()
            unknown = [v for v in value if v not in LAYERS]
            if unknown or not value:
                problems.append("%s:%d: unknown layers %s" % (path, number, unknown))
                continue
            value = [v for v in LAYERS if v in value]  # always cheapest first
        setattr(current, field, value)
    seen = set()
    for m in mutants:
        for field in ("file", "breaks", "find"):
            if not getattr(m, field):
                problems.append("%s:%d: %s has no %s" % (path, m.line, m.id, field))
        if m.replace is None:
            problems.append("%s:%d: %s has no replace" % (path, m.line, m.id))
        if m.find is not None and m.find == m.replace:
            problems.append("%s:%d: %s replaces its text by the same text" % (path, m.line, m.id))
        if m.id in seen:
            problems.append("%s:%d: id %s used twice" % (path, m.line, m.id))
        seen.add(m.id)
    if problems:
        raise SystemExit("the catalogue has problems:\n  " + "\n  ".join(problems))
    return mutants


def select(mutants, only=None, ids=None, layer=None):
    """The entries whose id or description contains ONLY, whose id is one of IDS
    (in the order given), or whose cheapest layer is LAYER; all of them when
    nothing is asked for."""
    chosen = mutants
    if only:
        text = only.lower()
        chosen = [m for m in chosen
                  if text in m.id.lower() or text in m.breaks.lower()
                  or (m.equivalent and text in m.equivalent.lower())]
    if ids:
        unknown = sorted(set(ids) - {m.id for m in mutants})
        if unknown:
            raise SystemExit("no such entries in the catalogue: %s" % ", ".join(unknown))
        chosen = sorted((m for m in chosen if m.id in ids), key=lambda m: ids.index(m.id))
    if layer:
        chosen = [m for m in chosen if m.layers[0] == layer]
    return chosen


# --- processes -----------------------------------------------------------------------

class Outcome:
    def __init__(self, code, timed_out=False, stopped=False):
        self.code = code
        self.timed_out = timed_out
        self.stopped = stopped  # ended early because the output showed a failure


def kill_group(process):
    """Ends a process started in its own session, and everything it started there."""
    for sig, grace in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 10.0)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            pass
        try:
            process.wait(timeout=grace)
            return
        except subprocess.TimeoutExpired:
            continue


def run(args, log_path, timeout, cwd=None, stop_when=None, env=None):
    """Runs a command in its own session, all output into log_path (a file, never
    a pipe: Wine's services would inherit it). stop_when(output) is asked every
    half second; when it answers true the command is stopped early. ENV adds
    variables to the environment."""
    with open(log_path, "a") as log:
        log.write("$ %s\n" % " ".join(args))
        log.flush()
        process = subprocess.Popen(args, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True,
                                   env=dict(os.environ, **env) if env else None)
    deadline = time.monotonic() + timeout
    try:
        while True:
            try:
                code = process.wait(timeout=0.5)
                return Outcome(code)
            except subprocess.TimeoutExpired:
                pass
            if stop_when is not None and stop_when(read(log_path)):
                kill_group(process)
                return Outcome(process.returncode, stopped=True)
            if time.monotonic() > deadline:
                kill_group(process)
                with open(log_path, "a") as log:
                    log.write("\n*** stopped after %d s\n" % timeout)
                return Outcome(process.returncode, timed_out=True)
    except BaseException:
        kill_group(process)
        raise


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def restart_wine(log_path):
    """After a layer was stopped by force: every process of our own prefix ends
    (the game, winprobe, a test binary), and a fresh persistent wineserver with
    Wine's services takes over, as scripts/virtual-display.sh starts them."""
    for args in (["wineserver", "-k"], ["wineserver", "-w"], ["wineserver", "-p"], ["wineboot"]):
        run(args, log_path, 120)


# --- the layers -----------------------------------------------------------------------

class LayerRun:
    """What one run of a layer showed: the tests that failed, each (name, how),
    and whether the driver had to stop the layer at its time limit."""

    def __init__(self, failed=(), timed_out=False, note=""):
        self.failed = list(failed)
        self.timed_out = timed_out
        self.note = note

    def names(self):
        return list(dict.fromkeys(name for name, _ in self.failed))


def ctest_failures(output):
    """(name, reason) of ctest's list of failed tests. A test that ctest stopped at
    its own time limit is left out: the runner's limit, not the test, said so."""
    tail = output.split("The following tests FAILED:", 1)
    if len(tail) < 2:
        return []
    found = re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", tail[1], re.M)
    return [(name, reason) for name, reason in found if reason.lower() != "timeout"]


def gtest_failures(output, ended_by_itself):
    """The GoogleTest names that failed in one binary's run: each "[  FAILED  ]"
    test, and, when the binary ended by itself rather than at a time limit, a
    test that started and never finished (the binary crashed in it)."""
    failed = re.findall(r"^\[  FAILED  \] ([^\s,]+\.[^\s,]+)", output, re.M)
    found = [(name, "Failed") for name in dict.fromkeys(failed)]
    started = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
    finished = set(re.findall(r"^\[ +(?:OK|FAILED|SKIPPED) +\] ([^\s,]+)", output, re.M))
    crashed = [name for name in started if name not in finished]
    stopped = re.search(r"^\s*\d+ - \S+ \(Timeout\)", output, re.M)
    if crashed and ended_by_itself and not stopped:
        found.append((crashed[-1], "crashed"))
    return found


def e2e_failures(output):
    """(check name, problem) of each FAIL line of run_e2e.py, the name without
    its front end ("wine: ", "web: ", "phone: ", "online: "), as --only takes it."""
    found = []
    for line in output.splitlines():
        match = re.match(r"^FAIL  (.*?) \(\d+\.\d s\): (.*)$", line) or re.match(r"^FAIL  (.*?): (.*)$", line)
        if match:
            found.append((re.sub(r"^(wine|web|phone|online): ", "", match.group(1)), match.group(2)))
    return found


def sync(source, target):
    """Makes the folder TARGET hold exactly the files of SOURCE, writing only
    those whose bytes differ."""
    wanted = set()
    for folder, _, files in os.walk(source):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), source)
            wanted.add(relative)
            there = os.path.join(target, relative)
            with open(os.path.join(source, relative), "rb") as f:
                data = f.read()
            if os.path.isfile(there) and not os.path.islink(there):
                with open(there, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(there), exist_ok=True)
            if os.path.lexists(there):
                os.remove(there)
            with open(there, "wb") as f:
                f.write(data)
            shutil.copymode(os.path.join(source, relative), there)
    for folder, _, files in os.walk(target):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.relpath(path, target) not in wanted:
                os.remove(path)


# --- the run ----------------------------------------------------------------------

class Run:
    def __init__(self, work):
        self.work = work
        self.src = os.path.join(work, "src")
        self.trees = {name: os.path.join(work, name) for name in ("native", "win", "web")}
        self.logs = os.path.join(work, "logs")
        self.shots = os.path.join(work, "shots")
        self.wine_log = os.path.join(self.logs, "wine-restarts.log")
        self.configured = set()
        os.makedirs(self.logs, exist_ok=True)

    def say(self, text):
        print(text, flush=True)

    # The scratch copy: the committed HEAD, whatever the working tree holds. A
    # copy left by an earlier run is brought up to HEAD file by file, only the
    # files whose bytes differ written again (a fault an interrupted run left
    # planted included), so that its build trees rebuild only what changed.
    def extract(self):
        shutil.rmtree(self.shots, ignore_errors=True)
        fresh = os.path.join(self.work, "head")
        shutil.rmtree(fresh, ignore_errors=True)
        os.makedirs(fresh)
        archive = os.path.join(self.work, "head.tar")
        with open(archive, "wb") as out:
            subprocess.check_call(["git", "-C", ROOT, "archive", "--format=tar", "HEAD"], stdout=out)
        subprocess.check_call(["tar", "-x", "-f", archive, "-C", fresh])
        os.remove(archive)
        if not os.path.isdir(self.src):
            for tree in self.trees.values():
                shutil.rmtree(tree, ignore_errors=True)
            os.rename(fresh, self.src)
        else:
            sync(fresh, self.src)
            shutil.rmtree(fresh)
        return subprocess.check_output(["git", "-C", ROOT, "log", "-1", "--format=%h %s", "HEAD"],
                                       text=True).strip()

    def configure(self, tree):
        # Every fault compiles its file twice, planted and put back; with ccache
        # the second compile, and the next run's first builds, come from its cache.
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
        # The project's own build type and optimisation, without the debugging
        # information, which only slows the many links down.
        lean = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"]
        args = {
            "native": ["cmake", "-S", self.src, "-B", self.trees["native"], "-DVANTOR_BENCHMARKS=OFF"] + lean,
            "win": ["cmake", "-S", self.src, "-B", self.trees["win"],
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(self.src, "cmake", "toolchain-mingw.cmake")] + lean,
            "web": ["emcmake", "cmake", "-S", self.src, "-B", self.trees["web"], "-DCMAKE_BUILD_TYPE=Release"],
        }[tree] + launcher
        log = os.path.join(self.logs, "baseline-%s-configure.log" % tree)
        if run(args, log, BUILD_TIMEOUT, env=self.tool_env(tree)).code != 0:
            return "configuring the %s tree failed (%s)" % (tree, log)
        self.configured.add(tree)
        return None

    @staticmethod
    def tool_env(tree):
        # Emscripten's JavaScript tools need Debian's acorn, which a node other
        # than Debian's does not find by itself.
        return {"NODE_PATH": "/usr/share/nodejs"} if tree == "web" else None

    def build(self, tree, log, target="all"):
        outcome = run(["cmake", "--build", self.trees[tree], "-j", JOBS, "--target", target], log,
                      BUILD_TIMEOUT, env=self.tool_env(tree))
        return outcome.code == 0 and not outcome.timed_out

    # One run of a layer, all of it or only the named tests; fail_fast stops the
    # end-to-end runner at its first failed check.
    def run_layer(self, layer, log, only=None, fail_fast=False):
        return getattr(self, "layer_" + layer)(log, only, fail_fast)

    def layer_native(self, log, only, fail_fast):
        # The test binary itself, once: the same tests as ctest runs one by one,
        # without a process per test.
        args = [os.path.join(self.trees["native"], "tests", "native_tests"), "--gtest_color=no"]
        if only:
            args.append("--gtest_filter=" + ":".join(only))
        if fail_fast:
            args.append("--gtest_fail_fast")
        outcome = run(args, log, NATIVE_TIMEOUT, cwd=self.trees["native"])
        return LayerRun(gtest_failures(read(log), not outcome.timed_out), outcome.timed_out)

    def layer_win32(self, log, only, fail_fast):
        # One ctest test runs the whole GoogleTest binary under Wine; GTEST_FILTER
        # and GTEST_FAIL_FAST (which Wine passes on) narrow it.
        env = {"GTEST_FILTER": ":".join(only)} if only else {}
        if fail_fast:
            env["GTEST_FAIL_FAST"] = "1"
        outcome = run(["ctest", "--test-dir", self.trees["win"], "--output-on-failure"], log,
                      WIN32_TIMEOUT, env=env)
        if outcome.timed_out:
            restart_wine(self.wine_log)
        failed = gtest_failures(read(log), not outcome.timed_out)
        # ctest's other tests (the end-to-end harness's self-test) by their names.
        failed += [f for f in ctest_failures(read(log)) if f[0] != "win32_tests"]
        return LayerRun(failed, outcome.timed_out)

    def run_e2e(self, front, log, only, fail_fast):
        where = ["--build", self.trees["win"]] if front == "wine" else \
            ["--site", os.path.join(self.trees["web"], "site")]
        args = [E2E_PYTHON, os.path.join(self.src, "tests", "e2e", "run_e2e.py")] + where + \
            ["--shots", os.path.join(self.shots, front),
             "--log", os.path.splitext(log)[0] + "-detail.log"]
        if only:
            args += ["--only", only[0]]
        outcome = run(args, log, E2E_TIMEOUT,
                      stop_when=(lambda out: bool(e2e_failures(out))) if fail_fast else None)
        if front == "wine" and (outcome.timed_out or outcome.stopped):
            restart_wine(self.wine_log)
        failed = [(name, "Failed") for name, _ in e2e_failures(read(log))]
        note = ""
        if not failed and not outcome.timed_out and outcome.code not in (0, None):
            note = "the runner ended with code %s and no check failed" % outcome.code
        return LayerRun(failed, outcome.timed_out, note)

    def layer_e2e(self, log, only, fail_fast):
        return self.run_e2e("wine", log, only, fail_fast)

    def layer_web(self, log, only, fail_fast):
        return self.run_e2e("web", log, only, fail_fast)

    def confirm(self, layer, first, stem):
        """Runs each test that failed once a second time, on its own (at most
        three); answers those that failed again, with how they failed."""
        confirmed = []
        wanted = first.names()[:3]
        if layer in ("e2e", "web"):
            for number, name in enumerate(wanted, 1):
                again = self.run_layer(layer, "%s-again%d.log" % (stem, number), only=[name])
                confirmed += [(n, how) for n, how in again.failed if n == name]
        elif wanted:
            again = self.run_layer(layer, stem + "-again.log", only=wanted)
            confirmed = [(n, how) for n, how in again.failed if n in wanted]
        return confirmed

    def try_layer(self, layer, stem, fail_fast=True):
        """A layer against the planted fault: (confirmed failures, what else was
        seen). A first failure that does not repeat makes the whole layer run
        once more to its end, in case a real failure came after it."""
        first = self.run_layer(layer, stem + ".log", fail_fast=fail_fast)
        seen = []
        if first.failed:
            confirmed = self.confirm(layer, first, stem)
            if confirmed:
                return confirmed, seen
            seen.append("%s failed once, not again" % names(first.names()))
            if fail_fast:
                full = self.run_layer(layer, stem + "-full.log")
                rest = LayerRun([f for f in full.failed if f[0] not in first.names()])
                if rest.failed:
                    confirmed = self.confirm(layer, rest, stem + "-full")
                    if confirmed:
                        return confirmed, seen
                    seen.append("%s failed once, not again" % names(rest.names()))
                if full.timed_out:
                    seen.append("timeout, not caught")
        if first.timed_out:
            seen.append("timeout, not caught")
        if first.note:
            seen.append(first.note)
        return [], seen

    # The unmutated copy must build and pass every layer the entries use.
    def baseline(self, layers):
        for tree in dict.fromkeys(TREE_OF[layer] for layer in layers):
            problem = self.configure(tree)
            if problem:
                return problem
            # What the layers run, not all of the tree (the native tree also
            # holds the online server, which no layer here runs).
            targets = {TARGET_OF[layer] for layer in layers if TREE_OF[layer] == tree}
            for target in ["all"] if "all" in targets else sorted(targets):
                log = os.path.join(self.logs, "baseline-%s-build.log" % tree)
                if not self.build(tree, log, target):
                    return "the %s tree does not build (%s)" % (tree, log)
        for layer in layers:
            result = self.run_layer(layer, os.path.join(self.logs, "baseline-%s.log" % layer))
            if result.failed or result.timed_out or result.note:
                what = names(result.failed) or ("timed out" if result.timed_out else result.note)
                return "the %s layer fails on the unmutated copy: %s (%s)" % (
                    layer, what, os.path.join(self.logs, "baseline-%s.log" % layer))
        return None

    def mutate(self, m):
        """Plants one fault, runs its layers, puts the file back. Answers
        (kind, layer, tests, notes): kind is caught, missed, noapply or nobuild."""
        path = os.path.join(self.src, m.file)
        if not os.path.isfile(path):
            return "noapply", None, [], ["%s does not exist" % m.file]
        with open(path, "rb") as f:
            original = f.read()
        text = original.decode("utf-8")
        count = text.count(m.find)
        if count != 1:
            return "noapply", None, [], ["its search text is found %d times in %s" % (count, m.file)]
        with open(path, "wb") as f:
            f.write(text.replace(m.find, m.replace, 1).encode("utf-8"))
        os.utime(path, None)
        notes = []
        try:
            built = set()
            for layer in m.layers:
                tree, target = TREE_OF[layer], TARGET_OF[layer]
                if (tree, target) not in built and (tree, "all") not in built:
                    log = os.path.join(self.logs, "%s-build-%s.log" % (m.id, layer))
                    if not self.build(tree, log, target):
                        return "nobuild", layer, [], ["%s tree, see %s" % (tree, os.path.relpath(log, ROOT))]
                    built.add((tree, target))
                # An entry marked equivalent runs every check to the end, so that
                # any test it makes fail is seen.
                confirmed, seen = self.try_layer(layer, os.path.join(self.logs, "%s-%s" % (m.id, layer)),
                                                 fail_fast=not m.equivalent)
                notes += ["%s: %s" % (layer, s) for s in seen]
                if confirmed:
                    return "caught", layer, confirmed, notes
            return "missed", None, [], notes
        finally:
            # The original bytes with a fresh time stamp: the next build compiles
            # the file again, whatever the mutant's build left behind.
            with open(path, "wb") as f:
                f.write(original)
            os.utime(path, None)


def names(items, most=2):
    """A short list of failed tests: parameter suffixes dropped, and the reason
    only when it is more than a plain failure (a crash)."""
    shown = []
    for item in items:
        name, reason = (item, "Failed") if isinstance(item, str) else item
        name = re.sub(r"/(0x[0-9a-fA-F]+|[0-9]+)$", "", name)
        if reason != "Failed":
            name = "%s: %s" % (name, reason.lower())
        if name not in shown:
            shown.append(name)
    if not shown:
        return ""
    text = ", ".join(shown[:most])
    return text + (" and %d more" % (len(shown) - most) if len(shown) > most else "")


def shorten(text, most=110):
    return text if len(text) <= most else text[:most - 3] + "..."


def minutes(seconds):
    seconds = int(round(seconds))
    return "%d min %02d s" % (seconds // 60, seconds % 60) if seconds >= 60 else "%d s" % seconds


def list_catalogue(mutants):
    """The entries, each checked against the file as HEAD holds it."""
    bad = 0
    cache = {}
    for m in mutants:
        if m.file not in cache:
            shown = subprocess.run(["git", "-C", ROOT, "show", "HEAD:" + m.file], capture_output=True)
            cache[m.file] = shown.stdout.decode("utf-8") if shown.returncode == 0 else None
        text = cache[m.file]
        count = 0 if text is None else text.count(m.find)
        state = "" if count == 1 else "  [CATALOGUE ERROR: its search text is found %d times]" % count
        bad += count != 1
        layers = " ".join(m.layers)
        what = "equivalent: " + m.equivalent if m.equivalent else m.breaks
        print("%-30s %-34s %-21s %s%s" % (m.id, m.file, layers, what, state))
    eq = sum(1 for m in mutants if m.equivalent)
    print("%d mutants (%d marked equivalent); %d do not apply to HEAD" % (len(mutants), eq, bad))
    return 1 if bad else 0


def verdict(m, kind, layer, tests, notes):
    """(counts as a failure of the run, the words for the entry)."""
    seen = "; ".join(notes)
    if kind == "noapply":
        return True, "CATALOGUE ERROR, not run: " + seen
    if kind == "nobuild":
        return True, "does not build (%s)" % seen
    if m.equivalent:
        if kind == "missed":
            return False, "equivalent: " + m.equivalent
        return True, "NOT EQUIVALENT: %s failed twice in the %s layer" % (names(tests, 3), layer)
    if kind == "caught":
        return False, "caught by %s (%s)" % (names(tests, 3), layer)
    return True, "NOT CAUGHT" + (" (%s)" % seen if seen else "")


RECORD_HEADER = "| Fault | File | Result | Layer | Caught by | Tree |"


def read_record(path):
    """The rows of an earlier record, by fault id, and its runs (lines)."""
    rows, runs = {}, []
    for line in read(path).splitlines():
        if line.startswith("- Run on "):
            runs.append(line)
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if line.startswith("| ") and len(cells) == 6 and cells[0] not in ("Fault", "---"):
            rows[cells[0]] = cells
    return rows, runs


def write_record(path, catalogue, head, run_line, outcomes):
    """The table kept in the repository beside the catalogue: one row per fault,
    from the last run that planted it. A run of some of the faults replaces
    their rows only; each row names the tree it was run on."""
    rows, runs = read_record(path)
    commit = head.split()[0]
    for m in catalogue:
        if m.id not in outcomes:
            continue
        kind, layer, tests, text = outcomes[m.id]
        if m.equivalent and kind == "missed":
            result, shown = "equivalent", m.equivalent
        elif kind == "caught" and not m.equivalent:
            result = "caught"
            shown = ", ".join("`%s`" % re.sub(r"/(0x[0-9a-fA-F]+)$", "", n)
                              for n in dict.fromkeys(n for n, _ in tests))
        else:
            result, shown = text.split(":")[0].split(" (")[0], text
        rows[m.id] = [m.id, m.file, result, layer or "", shown.replace("|", "/"), commit]
    kept = [rows.get(m.id) or [m.id, m.file, "not run", "", "", ""] for m in catalogue]
    counted = [r for r, m in zip(kept, catalogue) if not m.equivalent]
    caught = sum(1 for r in counted if r[2] == "caught")
    trees = {r[5] for r in kept}
    # A run is known by its tree and its start; its line is replaced as it goes.
    runs = [line for line in runs if re.search(r"`(\w+)`", line).group(1) in trees
            and line.split(" UTC")[0] != run_line.split(" UTC")[0]]
    runs.append(run_line)
    lines = [
        "# The mutation run's record",
        "",
        "Written by `scripts/mutate.sh` from `tests/mutants.txt`: each fault planted",
        "alone in a copy of the committed tree, and counted as caught only when a named",
        "test failed and failed again when run a second time on its own. Each row is",
        "from the last run that planted that fault.",
        "",
        "- Result: %d of %d caught; %d marked equivalent%s" % (
            caught, len(counted), sum(1 for m in catalogue if m.equivalent),
            "; %d not run" % sum(1 for r in kept if r[2] == "not run") if any(r[2] == "not run" for r in kept)
            else ""),
    ] + runs + ["", RECORD_HEADER, "|---|---|---|---|---|---|"]
    lines += ["| %s |" % " | ".join(r) for r in kept]
    with open(path + ".new", "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(path + ".new", path)
    return caught, len(counted)


def update_record(path, catalogue, head, run_line, outcomes):
    """write_record under a lock, so that runs in other work folders that end
    a fault at the same moment do not lose each other's rows."""
    os.makedirs(os.path.join(ROOT, "build"), exist_ok=True)
    with open(os.path.join(ROOT, "build", "mutants-record.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            return write_record(path, catalogue, head, run_line, outcomes)
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--only", help="only the entries whose id or description contains TEXT")
    parser.add_argument("--id", action="append", default=[],
                        help="only the entry with this id (repeat, or separate by commas)")
    parser.add_argument("--layer", choices=LAYERS, help="only the entries whose cheapest layer is this one")
    parser.add_argument("--list", action="store_true", help="list the catalogue and check it applies to HEAD")
    parser.add_argument("--catalogue", default=DEFAULT_CATALOGUE, help="the catalogue file")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutate"), help="the work folder")
    parser.add_argument("--record", default=DEFAULT_RECORD,
                        help="the table of results, where each run updates the rows of its faults")
    parser.add_argument("--no-record", action="store_true", help="leave the table as it is")
    args = parser.parse_args()

    ids = [i for arg in args.id for i in arg.split(",") if i]
    everything = parse_catalogue(args.catalogue)
    mutants = select(everything, args.only, ids, args.layer)
    if args.list:
        return list_catalogue(mutants)
    if not mutants:
        raise SystemExit("no entry of the catalogue is chosen")
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        raise SystemExit("no DISPLAY or WINEPREFIX: start the run with scripts/mutate.sh")
    signal.signal(signal.SIGTERM, on_sigterm)

    started = time.monotonic()
    started_at = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M")
    runner = Run(os.path.abspath(args.work))
    head = runner.extract()
    runner.say("scratch copy of HEAD %s" % head)
    runner.say("%d mutants from %s" % (len(mutants), os.path.relpath(args.catalogue, ROOT)))
    layers = [layer for layer in LAYERS if any(layer in m.layers for m in mutants)]
    problem = runner.baseline(layers)
    if problem:
        runner.say("BASELINE FAILED: %s" % problem)
        runner.say("no mutant was run: the unmutated copy must build and pass every layer first")
        return 2
    runner.say("baseline: the trees build, the layers pass: %s (%s)" % (
        " ".join(layers), minutes(time.monotonic() - started)))

    width_id = max([len(m.id) for m in mutants] + [10])
    width_file = max([len(m.file) for m in mutants] + [10])
    caught = counted = failures = 0
    results = []
    outcomes = {}
    for m in mutants:
        began = time.monotonic()
        kind, layer, tests, notes = runner.mutate(m)
        failed, text = verdict(m, kind, layer, tests, notes)
        failures += failed
        if not m.equivalent:
            counted += 1
            caught += kind == "caught"
        outcomes[m.id] = (kind, layer, tests, text)
        line = "%-*s  %-*s  %s -- %s  [%s]" % (width_id, m.id, width_file, m.file, m.breaks, text,
                                              minutes(time.monotonic() - began))
        results.append(line)
        runner.say(line)
        if not args.no_record:
            # After every fault, so that a run stopped part of the way keeps
            # what it found.
            update_record(args.record, everything, head, "- Run on `%s`: %s UTC, %d of %d faults so far" % (
                head.split()[0], started_at, len(outcomes), len(mutants)), outcomes)
    run_time = minutes(time.monotonic() - started)
    with open(os.path.join(runner.work, "results.txt"), "w") as f:
        f.write("HEAD %s\n" % head)
        f.write("\n".join(results) + "\n")
        f.write("%d of %d caught\n" % (caught, counted))
    if not args.no_record:
        run_line = "- Run on `%s`: %s UTC, %d faults in %s" % (head.split()[0], started_at, len(mutants), run_time)
        total, of = update_record(args.record, everything, head, run_line, outcomes)
        runner.say("the table is in %s: %d of %d caught in all" % (os.path.relpath(args.record, ROOT), total, of))
    runner.say("run time: %s" % run_time)
    runner.say("%d of %d caught" % (caught, counted))
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Interrupted):
        print("interrupted", flush=True)
        sys.exit(130)
