#!/usr/bin/env python3
"""Writes the site's index.html: the page with the menu picture's file, whose name the build makes
from its content, put into the link that asks for it before any script runs.

  site_index.py TEMPLATE SITE_DIR

Reads SITE_DIR/picture-files.js for the name. Standard library only.
"""

import os
import re
import sys

MARK = "MENU_PICTURE"


def main():
    if len(sys.argv) != 3:
        print("usage: site_index.py TEMPLATE SITE_DIR", file=sys.stderr)
        sys.exit(2)
    template, site = sys.argv[1], sys.argv[2]
    with open(os.path.join(site, "picture-files.js"), encoding="utf-8") as f:
        found = re.search(r'"imgMenu":\s*\["([^"]+)"', f.read())
    if not found:
        print(f"site_index: no menu picture in {site}/picture-files.js", file=sys.stderr)
        sys.exit(1)
    with open(template, encoding="utf-8") as f:
        page = f.read()
    if page.count(MARK) != 1:
        print(f"site_index: {template} must name {MARK} once", file=sys.stderr)
        sys.exit(1)
    with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as f:
        f.write(page.replace(MARK, found.group(1)))


if __name__ == "__main__":
    main()
