#!/usr/bin/env python3
"""Runs the end-to-end checks on one or both front ends: vantor.exe under Wine on
the current X display (--build), and the page in headless Chromium (--site).
One line per check, then "N passed, M failed"; exits non-zero on any failure.
With both front ends, the comparisons of the two follow their checks.
Screenshots of every check go to the shots folder."""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from basics import Runner  # noqa: E402
from checks import CHECKS, COMPARISONS, Harness  # noqa: E402
from online_checks import ONLINE_CHECKS  # noqa: E402
from phone_checks import CHECKS as PHONE_CHECKS  # noqa: E402


def open_wine(folder, log):
    from wine_desktop import Desktop
    return Desktop(folder, log)


def open_phone(folder, log):
    from phone_checks import Phone
    return Phone(folder, log)


def open_web(folder, log):
    from web_page import Browser  # Debian's Selenium, only where the page is checked
    return Browser(folder, log)


def open_online(server_and_site, log):
    from online_checks import Online
    return Online(*server_and_site)


# The front ends: name, the option that gives the folder it runs from, and how
# to open it. A new front end (another page profile, say) is one more entry.
FRONT_ENDS = [
    ("wine", "build", open_wine),
    ("web", "site", open_web),
    ("online", "server", open_online),  # three pages playing through vantor-server
    ("phone", "site", open_phone),  # the page in a phone's emulation, touch and network
]

# The lists of checks, each entry (name, check, front ends it runs on). A new
# list is one more entry; its checks run on every front end they name.
CHECK_LISTS = [CHECKS, PHONE_CHECKS, ONLINE_CHECKS]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", help="the Windows build folder (vantor.exe, BMPs)")
    parser.add_argument("--site", help="the browser build's site folder (index.html, vantor.wasm, BMPs)")
    parser.add_argument("--server", nargs=2, metavar=("BINARY", "SITE"),
                        help="vantor-server and the site it serves, for the online checks")
    parser.add_argument("--shots", required=True, help="folder for the screenshots")
    parser.add_argument("--log", help="detailed log (default: <shots>/e2e-detail.log)")
    parser.add_argument("--only", help="run only the checks whose name contains this text")
    args = parser.parse_args()
    fronts = [(name, getattr(args, option), opener) for name, option, opener in FRONT_ENDS
              if getattr(args, option)]
    if not fronts:
        parser.error("give --build, --site or both")
    os.makedirs(args.shots, exist_ok=True)
    log = args.log or os.path.join(args.shots, "e2e-detail.log")
    # Start clean, so that no screenshot or log line of an earlier run misleads.
    for name in os.listdir(args.shots):
        if name.endswith(".png"):
            os.remove(os.path.join(args.shots, name))
    open(log, "w").close()

    runner = Runner(log)
    wanted = [c for checks in CHECK_LISTS for c in checks
              if not args.only or args.only.lower() in c[0].lower()]
    results = {}
    for front_name, folder, opener in fronts:
        checks = [(name, check) for name, check, on in wanted if front_name in on]
        if not checks:
            continue
        try:
            front = opener(folder, log)
        except (FileNotFoundError, RuntimeError, OSError) as e:
            for name, _ in checks:
                runner.count("%s: %s" % (front_name, name), "cannot run (%s)" % e, 0)
            continue
        harness = Harness(front, args.shots)
        try:
            for number, (name, check) in enumerate(checks, 1):
                harness.check_name = "%02d-%s" % (number, check.__name__.replace("check_", ""))
                runner.run("%s: %s" % (front_name, name), lambda: check(harness),
                           finish=harness.finish, shot=lambda: harness.shot_screen("failed"))
        finally:
            front.close()
        results[front_name] = harness.results
    if {"wine", "web"} <= {name for name, _, _ in fronts} and not args.only:
        for name, compare in COMPARISONS:
            runner.run(name, lambda: compare(results))
    return runner.summary()


if __name__ == "__main__":
    sys.exit(main())
