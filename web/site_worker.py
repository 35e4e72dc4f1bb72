#!/usr/bin/env python3
"""Writes the site's service worker: the worker's source with the list of every file of the site
but the board's modules, and a version made from the names and contents of them all, so any change
to the site makes a new cache.

  site_worker.py TEMPLATE SITE_DIR

Standard library only.
"""

import hashlib
import json
import os
import sys

WORKER = "service-worker.js"
# The board's modules are fetched only when a board serves the page, so the copy kept for offline
# play, which has no board, leaves them out.
LEFT_OUT = "board/"


def main():
    if len(sys.argv) != 3:
        print("usage: site_worker.py TEMPLATE SITE_DIR", file=sys.stderr)
        sys.exit(2)
    template, site = sys.argv[1], sys.argv[2]
    files = []
    for folder, _, names in os.walk(site):
        for name in names:
            path = os.path.relpath(os.path.join(folder, name), site).replace(os.sep, "/")
            if path != WORKER:
                files.append(path)
    files.sort()
    if "index.html" not in files:
        print(f"site_worker: no index.html in {site}", file=sys.stderr)
        sys.exit(1)
    digest = hashlib.sha256()
    for path in files:
        with open(os.path.join(site, path), "rb") as f:
            content = f.read()
        digest.update(f"{path}\0{len(content)}\0".encode())
        digest.update(content)
    with open(template, encoding="utf-8") as f:
        source = f.read()
    version_line = "const Version = 'unbuilt';"
    files_line = "const Files = [];"
    if version_line not in source or files_line not in source:
        print(f"site_worker: {template} lacks the lines to fill in", file=sys.stderr)
        sys.exit(1)
    # The folder itself ("./") is how the page is usually opened.
    listed = ["./"] + [p for p in files if not p.startswith(LEFT_OUT)]
    source = source.replace(version_line, f"const Version = '{digest.hexdigest()[:16]}';")
    source = source.replace(files_line, "const Files = [\n" +
                            "".join(f"  {json.dumps(p)},\n" for p in listed) + "];")
    with open(os.path.join(site, WORKER), "w", encoding="utf-8") as f:
        f.write(source)


if __name__ == "__main__":
    main()
