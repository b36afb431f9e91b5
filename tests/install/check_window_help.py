#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that the manual has a place for every window of the program.

    check_window_help.py SOURCE_DIR MANUAL_DIR

A window's help (F1, its help button or menu) opens the manual at the anchor
named after the window's class, e.g. connect.html#TConnectForm. Every class
T...Form declared in SOURCE_DIR/src must therefore be the id of exactly one
element in the manual's pages, and the manual's list of windows (index.html)
must link to it. Prints "Class page.html#Class" for each window and each fault,
and exits 1 on a fault.
"""

import os
import re
import sys
from html.parser import HTMLParser

# Windows that are not classes of their own, with the anchor their help opens.
EXTRA_ANCHORS = ["CertificateQuestion"]


class Ids(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = []
        self.hrefs = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.append(a["id"])
        if tag == "a" and a.get("href"):
            self.hrefs.append(a["href"])


def window_classes(src):
    found = set()
    for d, _, files in os.walk(os.path.join(src, "src")):
        for name in files:
            if name.endswith(".h"):
                text = open(os.path.join(d, name), encoding="utf-8").read()
                found |= set(re.findall(r"^\s*class\s+(T[A-Za-z0-9]*Form)\b[^;]*$", text, re.M))
    return found


def main():
    src, manual = sys.argv[1], sys.argv[2]
    classes = window_classes(src)
    if not classes:
        print("no window classes under %s/src" % src)
        return 1
    where = {}
    index_links = set()
    for name in sorted(os.listdir(manual)):
        if not name.endswith(".html"):
            continue
        page = Ids()
        page.feed(open(os.path.join(manual, name), encoding="utf-8").read())
        for i in page.ids:
            where.setdefault(i, []).append(name)
        if name == "index.html":
            index_links = set(page.hrefs)
    faults = 0
    for anchor in sorted(classes) + EXTRA_ANCHORS:
        pages = where.get(anchor, [])
        if len(pages) != 1:
            print("%s: %s" % (anchor, "no anchor in the manual" if not pages else
                              "anchor on several pages: " + ", ".join(pages)))
            faults += 1
            continue
        target = "%s#%s" % (pages[0], anchor)
        print("%s %s" % (anchor, target))
        # Base classes of two windows (TBookmarkForm, TFindForm) need no entry of their own.
        if target not in index_links and not any(
                c != anchor and c.startswith(anchor[:-4]) for c in classes):
            print("%s: index.html does not list %s" % (anchor, target))
            faults += 1
    for anchor, pages in sorted(where.items()):
        if len(pages) > 1 and anchor not in classes:
            print("%s: id on several pages: %s" % (anchor, ", ".join(pages)))
            faults += 1
    print("%d windows, %d faults" % (len(classes) + len(EXTRA_ANCHORS), faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
