#!/usr/bin/env python3
"""make_service_worker.py TEMPLATE SITE: writes SITE/vantor-sw.js from TEMPLATE.

The worker keeps every file of the site (and the site's address itself, for the
page); its version is a hash of those files' names and contents, so any change
to any of them makes a new version. The file is rewritten only when it changes.
"""
import hashlib
import json
import os
import sys

WORKER = "vantor-sw.js"


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_service_worker.py TEMPLATE SITE")
    template_path, site = sys.argv[1:]
    names = sorted(name for name in os.listdir(site)
                   if name != WORKER and os.path.isfile(os.path.join(site, name)))
    digest = hashlib.sha256()
    for name in names:
        digest.update(name.encode() + b"\0")
        with open(os.path.join(site, name), "rb") as f:
            digest.update(hashlib.sha256(f.read()).digest())
    with open(template_path) as f:
        text = f.read()
    text = text.replace("@VERSION@", digest.hexdigest()[:16]).replace("@FILES@", json.dumps(["./"] + names))
    target = os.path.join(site, WORKER)
    if os.path.exists(target):
        with open(target) as f:
            if f.read() == text:
                return
    with open(target, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
