#!/usr/bin/env python3
"""The mutation run's driver (standard library only), started by scripts/mutate.sh
with the virtual display and the Wine prefix already up.

It extracts the committed HEAD into build/mutate/src, builds the native and the
Windows trees from it and runs the three test layers on the unmutated copy (the
baseline). Then, one catalogue entry at a time, it plants the entry's fault (an
exact text replacement that must match once), rebuilds incrementally, runs the
entry's layers cheapest first until one fails (that layer caught the fault),
and puts the file back. One line per entry, then "K of N caught"."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_CATALOGUE = os.path.join(ROOT, "tests", "mutants.txt")
LAYERS = ("native", "win32", "e2e")
JOBS = "2"

# Time limits. A planted fault may make a test hang; the layer is then stopped
# and counts as failed (ctest's own limit on the Win32 binary is 900 s).
BUILD_TIMEOUT = 1800
NATIVE_TIMEOUT = 600
NATIVE_TEST_TIMEOUT = 120
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


def select(mutants, only):
    if not only:
        return mutants
    text = only.lower()
    return [m for m in mutants
            if text in m.id.lower() or text in m.breaks.lower()
            or (m.equivalent and text in m.equivalent.lower())]


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


def run(args, log_path, timeout, cwd=None, stop_when=None):
    """Runs a command in its own session, all output into log_path (a file, never
    a pipe: Wine's services would inherit it). stop_when(output) is asked every
    half second; when it answers true the command is stopped early."""
    with open(log_path, "a") as log:
        log.write("$ %s\n" % " ".join(args))
        log.flush()
        process = subprocess.Popen(args, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
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


# --- the run ----------------------------------------------------------------------

class Run:
    def __init__(self, work):
        self.work = work
        self.src = os.path.join(work, "src")
        self.trees = {"native": os.path.join(work, "native"), "win": os.path.join(work, "win")}
        self.logs = os.path.join(work, "logs")
        self.shots = os.path.join(work, "shots")
        self.wine_log = os.path.join(self.logs, "wine-restarts.log")
        os.makedirs(self.logs, exist_ok=True)

    def say(self, text):
        print(text, flush=True)

    # The scratch copy: the committed HEAD, whatever the working tree holds.
    def extract(self):
        for path in [self.src] + list(self.trees.values()) + [self.shots]:
            shutil.rmtree(path, ignore_errors=True)
        os.makedirs(self.src)
        archive = os.path.join(self.work, "head.tar")
        with open(archive, "wb") as out:
            subprocess.check_call(["git", "-C", ROOT, "archive", "--format=tar", "HEAD"], stdout=out)
        subprocess.check_call(["tar", "-x", "-f", archive, "-C", self.src])
        os.remove(archive)
        head = subprocess.check_output(["git", "-C", ROOT, "log", "-1", "--format=%h %s", "HEAD"],
                                       text=True).strip()
        return head

    def configure(self):
        native = ["cmake", "-S", self.src, "-B", self.trees["native"], "-DVANTOR_BENCHMARKS=OFF"]
        win = ["cmake", "-S", self.src, "-B", self.trees["win"],
               "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(self.src, "cmake", "toolchain-mingw.cmake")]
        for name, args in (("native", native), ("win", win)):
            log = os.path.join(self.logs, "baseline-%s-configure.log" % name)
            if run(args, log, BUILD_TIMEOUT).code != 0:
                return "configuring the %s tree failed (%s)" % (name, log)
        return None

    def build(self, tree, log):
        outcome = run(["cmake", "--build", self.trees[tree], "-j", JOBS], log, BUILD_TIMEOUT)
        return outcome.code == 0 and not outcome.timed_out

    # The layers. Each answers (failed, what failed).
    def layer(self, name, log, fail_fast=True):
        return getattr(self, "layer_" + name)(log, fail_fast)

    def layer_native(self, log, _fail_fast):
        outcome = run(["ctest", "--test-dir", self.trees["native"], "-j", JOBS, "--output-on-failure",
                       "--timeout", str(NATIVE_TEST_TIMEOUT)], log, NATIVE_TIMEOUT)
        if outcome.timed_out:
            return True, "timed out after %d s" % NATIVE_TIMEOUT
        if outcome.code == 0:
            return False, ""
        return True, names(ctest_failures(read(log)))

    def layer_win32(self, log, _fail_fast):
        outcome = run(["ctest", "--test-dir", self.trees["win"], "--output-on-failure"], log, WIN32_TIMEOUT)
        if outcome.timed_out:
            restart_wine(self.wine_log)
            return True, "timed out after %d s" % WIN32_TIMEOUT
        if outcome.code == 0:
            return False, ""
        output = read(log)
        failed = re.findall(r"^\[  FAILED  \] ([^\s,]+\.[^\s,]+)", output, re.M)
        return True, names(list(dict.fromkeys(failed)) or ctest_failures(output))

    def e2e(self, log, only=None, fail_fast=True):
        args = [sys.executable, os.path.join(self.src, "tests", "e2e", "run_e2e.py"),
                "--build", self.trees["win"], "--shots", self.shots,
                "--log", os.path.join(self.logs, "e2e-detail.log")]
        if only:
            args += ["--only", only]
        open(log, "w").close()
        outcome = run(args, log, E2E_TIMEOUT,
                      stop_when=(lambda out: bool(e2e_failures(out))) if fail_fast else None)
        if outcome.timed_out or outcome.stopped:
            restart_wine(self.wine_log)
        failures = e2e_failures(read(log))
        if outcome.timed_out and not failures:
            failures = [("timed out after %d s" % E2E_TIMEOUT, "")]
        if not failures and outcome.code != 0:
            failures = [("the runner ended with code %s" % outcome.code, "")]
        return failures

    def layer_e2e(self, log, fail_fast):
        failures = self.e2e(log, fail_fast=fail_fast)
        if not failures:
            return False, ""
        if not fail_fast:
            return True, names([n for n, _ in failures])
        # Stopped at the first failed check: that check alone must fail again, so
        # that a check that failed by chance on a loaded machine is not taken for
        # a catch. If it passes, the whole layer runs once more to the end.
        name, problem = failures[0]
        stem = os.path.splitext(log)[0]
        again = self.e2e(stem + "-again.log", only=name, fail_fast=False)
        if again:
            return True, "%s: %s" % (name, shorten(problem or again[0][1]))
        with open(log, "a") as f:
            f.write("\n*** %r passed when run again: running every check once more\n" % name)
        failures = self.e2e(stem + "-full.log", fail_fast=False)
        if not failures:
            return False, ""
        return True, names([n for n, _ in failures])

    # The unmutated copy must build and pass every layer.
    def baseline(self):
        problem = self.configure()
        if problem:
            return problem
        for tree in ("native", "win"):
            log = os.path.join(self.logs, "baseline-%s-build.log" % tree)
            if not self.build(tree, log):
                return "the %s tree does not build (%s)" % (tree, log)
        for layer in LAYERS:
            log = os.path.join(self.logs, "baseline-%s.log" % layer)
            failed, what = self.layer(layer, log)
            if failed:
                return "the %s layer fails on the unmutated copy: %s (%s)" % (layer, what, log)
        return None

    def mutate(self, m):
        """Plants one fault, runs its layers, puts the file back. Answers
        (kind, detail): kind is caught, missed, noapply or nobuild."""
        path = os.path.join(self.src, m.file)
        if not os.path.isfile(path):
            return "noapply", "no such file"
        with open(path, "rb") as f:
            original = f.read()
        text = original.decode("utf-8")
        count = text.count(m.find)
        if count != 1:
            return "noapply", "its text is found %d times" % count
        with open(path, "wb") as f:
            f.write(text.replace(m.find, m.replace, 1).encode("utf-8"))
        os.utime(path, None)
        try:
            built = set()
            for layer in m.layers:
                tree = "native" if layer == "native" else "win"
                if tree not in built:
                    log = os.path.join(self.logs, "%s-build-%s.log" % (m.id, tree))
                    if not self.build(tree, log):
                        return "nobuild", "%s tree, see %s" % (tree, os.path.relpath(log, ROOT))
                    built.add(tree)
                failed, what = self.layer(layer, os.path.join(self.logs, "%s-%s.log" % (m.id, layer)),
                                          fail_fast=not m.equivalent)
                if failed:
                    return "caught", "%s (%s)" % (layer, what) if what else layer
            return "missed", ""
        finally:
            # The original bytes with a fresh time stamp: the next build compiles
            # the file again, whatever the mutant's build left behind.
            with open(path, "wb") as f:
                f.write(original)
            os.utime(path, None)


def ctest_failures(output):
    tail = output.split("The following tests FAILED:", 1)
    if len(tail) < 2:
        return []
    return re.findall(r"^\s*\d+ - (\S+) \(([^)]*)\)", tail[1], re.M)


def e2e_failures(output):
    """(check name, problem) of each FAIL line of run_e2e.py, the name without
    its front end ("wine: "), as --only takes it."""
    found = []
    for line in output.splitlines():
        match = re.match(r"^FAIL  (.*?) \(\d+\.\d s\): (.*)$", line) or re.match(r"^FAIL  (.*?): (.*)$", line)
        if match:
            found.append((re.sub(r"^(wine|web): ", "", match.group(1)), match.group(2)))
    return found


def names(items, most=2):
    """A short list of failed tests: parameter suffixes dropped, and ctest's
    reason only when it is more than a plain failure (a crash, a time-out)."""
    shown = []
    for item in items:
        name, reason = (item, "Failed") if isinstance(item, str) else item
        name = re.sub(r"/(0x[0-9a-fA-F]+|[0-9]+)$", "", name)
        shown.append(name if reason == "Failed" else "%s: %s" % (name, reason.lower()))
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
        state = "" if count == 1 else "  [does not apply: found %d times]" % count
        bad += count != 1
        layers = " ".join(m.layers)
        what = "equivalent: " + m.equivalent if m.equivalent else m.breaks
        print("%-30s %-34s %-17s %s%s" % (m.id, m.file, layers, what, state))
    eq = sum(1 for m in mutants if m.equivalent)
    print("%d mutants (%d marked equivalent); %d do not apply to HEAD" % (len(mutants), eq, bad))
    return 1 if bad else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--only", help="only the mutants whose id or description contains TEXT")
    parser.add_argument("--list", action="store_true", help="list the catalogue and check it applies to HEAD")
    parser.add_argument("--catalogue", default=DEFAULT_CATALOGUE, help="the catalogue file")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutate"), help="the work folder")
    args = parser.parse_args()

    mutants = select(parse_catalogue(args.catalogue), args.only)
    if args.list:
        return list_catalogue(mutants)
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        raise SystemExit("no DISPLAY or WINEPREFIX: start the run with scripts/mutate.sh")
    signal.signal(signal.SIGTERM, on_sigterm)

    started = time.monotonic()
    runner = Run(os.path.abspath(args.work))
    head = runner.extract()
    runner.say("scratch copy of HEAD %s" % head)
    runner.say("%d mutants from %s" % (len(mutants), os.path.relpath(args.catalogue, ROOT)))
    problem = runner.baseline()
    if problem:
        runner.say("BASELINE FAILED: %s" % problem)
        runner.say("no mutant was run: the unmutated copy must build and pass every layer first")
        return 2
    runner.say("baseline: both trees build, every layer passes (%s)" % minutes(time.monotonic() - started))

    width_id = max([len(m.id) for m in mutants] + [10])
    width_file = max([len(m.file) for m in mutants] + [10])
    caught = counted = 0
    failures = 0
    results = []
    for m in mutants:
        began = time.monotonic()
        kind, detail = runner.mutate(m)
        seconds = time.monotonic() - began
        if m.equivalent:
            if kind == "missed":
                verdict = "equivalent: " + m.equivalent
            elif kind == "caught":
                verdict = "NOT EQUIVALENT: caught by %s" % detail
                failures += 1
            else:
                verdict = {"noapply": "does not apply", "nobuild": "does not build"}[kind] + " (%s)" % detail
                failures += 1
        else:
            counted += 1
            if kind == "caught":
                caught += 1
                verdict = "caught by " + detail
            elif kind == "missed":
                verdict = "MISSED"
                failures += 1
            elif kind == "noapply":
                verdict = "does not apply (%s)" % detail
                failures += 1
            else:
                verdict = "does not build (%s)" % detail
                failures += 1
        line = "%-*s  %-*s  %s -- %s  [%s]" % (width_id, m.id, width_file, m.file, m.breaks, verdict,
                                              minutes(seconds))
        results.append(line)
        runner.say(line)
    with open(os.path.join(runner.work, "results.txt"), "w") as f:
        f.write("HEAD %s\n" % head)
        f.write("\n".join(results) + "\n")
        f.write("%d of %d caught\n" % (caught, counted))
    runner.say("run time: %s" % minutes(time.monotonic() - started))
    runner.say("%d of %d caught" % (caught, counted))
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (KeyboardInterrupt, Interrupted):
        print("interrupted", flush=True)
        sys.exit(130)
