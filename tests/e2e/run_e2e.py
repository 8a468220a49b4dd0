#!/usr/bin/env python3
"""Runs the end-to-end checks against vantor.exe under Wine on the current X
display: one line per check, then "N passed, M failed"; exits non-zero on any
failure. Screenshots of every check go to the shots folder."""

import argparse
import os
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from checks import CHECKS, Harness  # noqa: E402
from wine_desktop import CheckFailed, Desktop  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the Windows build folder (vantor.exe, BMPs)")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    parser.add_argument("--log", help="detailed log (default: <shots>/e2e-detail.log)")
    parser.add_argument("--only", help="run only the checks whose name contains this text")
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    log = args.log or os.path.join(args.shots, "e2e-detail.log")
    # Start clean, so that no screenshot or log line of an earlier run misleads.
    for name in os.listdir(args.shots):
        if name.endswith(".png"):
            os.remove(os.path.join(args.shots, name))
    open(log, "w").close()

    checks = [c for c in CHECKS if not args.only or args.only.lower() in c[0].lower()]
    try:
        desktop = Desktop(args.build, log)
    except (FileNotFoundError, RuntimeError) as e:
        for name, _ in checks:
            print("FAIL  %s: cannot run (%s)" % (name, e))
        print("0 passed, %d failed" % len(checks))
        return 1

    harness = Harness(desktop, args.shots)
    passed = failed = 0
    for number, (name, check) in enumerate(checks, 1):
        harness.check_name = "%02d-%s" % (number, check.__name__.replace("check_", ""))
        desktop.log("=== %s" % name)
        started = time.monotonic()
        problem = None
        try:
            check(harness)
        except CheckFailed as e:
            problem = str(e)
        except Exception as e:  # a broken check is a failed check, not a crashed run
            problem = "%s: %s" % (type(e).__name__, e)
            desktop.log(traceback.format_exc())
        if problem:
            try:
                harness.shot("failed", desktop.screenshot())
            except Exception as e:
                desktop.log("no screenshot of the failure: %s" % e)
        try:
            harness.finish()
        except Exception as e:
            problem = problem or "could not stop the game: %s" % e
        seconds = time.monotonic() - started
        if problem:
            failed += 1
            print("FAIL  %s (%.1f s): %s" % (name, seconds, problem), flush=True)
            desktop.log("FAIL %s" % problem)
        else:
            passed += 1
            print("ok    %s (%.1f s)" % (name, seconds), flush=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
