#!/usr/bin/env python3
"""Checks the links between the Markdown documents: every relative link names
a file that exists and, where it has one, an anchor that a heading of that
file makes (headings become anchors as on the usual Git hosts: lower case,
punctuation dropped, blanks as "-").

Usage: checklinks.py FILE.md...
"""
import os
import re
import sys

LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")


def anchors(path):
    text = open(path, encoding="utf-8").read()
    text = re.sub(r"^```.*?^```", "", text, flags=re.M | re.S)
    found = set()
    for heading in re.findall(r"^#{1,6}\s+(.*?)\s*$", text, re.M):
        heading = re.sub(r"\s*\{#([^}]*)\}$", lambda m: found.add(m.group(1)) or "", heading)
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        found.add(slug)
    return found


def main():
    failures = 0
    for path in sys.argv[1:]:
        text = open(path, encoding="utf-8").read()
        text = re.sub(r"^```.*?^```", "", text, flags=re.M | re.S)
        for target in LINK.findall(text):
            if re.match(r"^[a-z]+:", target):
                continue
            file, _, anchor = target.partition("#")
            where = os.path.normpath(os.path.join(os.path.dirname(path), file)) if file else path
            if not os.path.exists(where):
                print(f"FAIL {path}: link to {target}: no file {where}")
                failures += 1
            elif anchor and where.endswith(".md") and anchor not in anchors(where):
                print(f"FAIL {path}: link to {target}: no heading makes the anchor #{anchor}")
                failures += 1
    if not failures:
        print(f"PASS: links of {len(sys.argv) - 1} documents resolve")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
