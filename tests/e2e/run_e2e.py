#!/usr/bin/env python3
"""Runs the end-to-end checks on one or both front ends: vantor.exe under Wine on
the current X display (--build), and the page in headless Chromium (--site).
One line per check, then "N passed, M failed"; exits non-zero on any failure.
With both front ends, the comparisons of the two follow their checks.
Screenshots of every check go to the shots folder."""

import argparse
import os
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from checks import CHECKS, COMPARISONS, Harness  # noqa: E402
from wine_desktop import CheckFailed, Desktop  # noqa: E402


def open_front(name, args, log):
    if name == "wine":
        return Desktop(args.build, log)
    from web_page import Browser  # only where the browser build is checked
    return Browser(args.site, log)


def run(name, check, log_to, finish=None, shot=None):
    """Runs one check; returns the problem found, or None."""
    log_to("=== %s" % name)
    problem = None
    try:
        check()
    except CheckFailed as e:
        problem = str(e)
    except Exception as e:  # a broken check is a failed check, not a crashed run
        problem = "%s: %s" % (type(e).__name__, e)
        log_to(traceback.format_exc())
    if problem and shot:
        try:
            shot()
        except Exception as e:
            log_to("no screenshot of the failure: %s" % e)
    if finish:
        try:
            finish()
        except Exception as e:
            problem = problem or "could not stop the game: %s" % e
    return problem


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", help="the Windows build folder (vantor.exe, BMPs)")
    parser.add_argument("--site", help="the browser build's site folder (index.html, vantor.wasm, BMPs)")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    parser.add_argument("--log", help="detailed log (default: <shots>/e2e-detail.log)")
    parser.add_argument("--only", help="run only the checks whose name contains this text")
    args = parser.parse_args()
    fronts = [name for name, folder in (("wine", args.build), ("web", args.site)) if folder]
    if not fronts:
        parser.error("give --build, --site or both")
    os.makedirs(args.shots, exist_ok=True)
    log = args.log or os.path.join(args.shots, "e2e-detail.log")
    # Start clean, so that no screenshot or log line of an earlier run misleads.
    for name in os.listdir(args.shots):
        if name.endswith(".png"):
            os.remove(os.path.join(args.shots, name))
    open(log, "w").close()

    def log_to(text):
        with open(log, "a") as f:
            f.write(text + "\n")

    wanted = [c for c in CHECKS if not args.only or args.only.lower() in c[0].lower()]
    passed = failed = 0
    results = {}
    for front_name in fronts:
        checks = [(name, check) for name, check, on in wanted if front_name in on]
        try:
            front = open_front(front_name, args, log)
        except (FileNotFoundError, RuntimeError, OSError) as e:
            for name, _ in checks:
                print("FAIL  %s: %s: cannot run (%s)" % (front_name, name, e))
            failed += len(checks)
            continue
        harness = Harness(front, args.shots)
        try:
            for number, (name, check) in enumerate(checks, 1):
                harness.check_name = "%02d-%s" % (number, check.__name__.replace("check_", ""))
                started = time.monotonic()
                problem = run("%s: %s" % (front_name, name), lambda: check(harness), log_to,
                              finish=harness.finish, shot=lambda: harness.shot_screen("failed"))
                seconds = time.monotonic() - started
                if problem:
                    failed += 1
                    print("FAIL  %s: %s (%.1f s): %s" % (front_name, name, seconds, problem), flush=True)
                    log_to("FAIL %s" % problem)
                else:
                    passed += 1
                    print("ok    %s: %s (%.1f s)" % (front_name, name, seconds), flush=True)
        finally:
            front.close()
        results[front_name] = harness.results
    if len(fronts) == 2 and not args.only:
        for name, compare in COMPARISONS:
            problem = run(name, lambda: compare(results), log_to)
            if problem:
                failed += 1
                print("FAIL  %s: %s" % (name, problem), flush=True)
            else:
                passed += 1
                print("ok    %s" % name, flush=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
