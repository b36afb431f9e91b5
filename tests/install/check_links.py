#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that every link and image of an HTML manual resolves.

    check_links.py DIR

Every .html file under DIR is read; each href and src that is not a web or mail
address must name a file inside DIR, and a "#fragment" must name an id (or an
<a name>) of the page it points to. Prints each broken link and exits 1 when
there is one, or when DIR holds no page at all.
"""

import os
import sys
from html.parser import HTMLParser
from urllib.parse import unquote, urlsplit


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []
        self.anchors = set()

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.anchors.add(a["id"])
        if tag == "a" and "name" in a:
            self.anchors.add(a["name"])
        for key in ("href", "src"):
            if a.get(key) is not None:
                self.links.append((tag, a[key]))


def parse(path):
    p = Page()
    with open(path, encoding="utf-8") as f:
        p.feed(f.read())
    return p


def main():
    root = os.path.realpath(sys.argv[1])
    pages = {}
    for d, _, files in os.walk(root):
        for name in files:
            if name.endswith(".html"):
                path = os.path.join(d, name)
                pages[path] = parse(path)
    if not pages:
        print("no HTML pages under %s" % root)
        return 1
    broken = 0
    checked = 0
    for path, page in sorted(pages.items()):
        for tag, link in page.links:
            parts = urlsplit(link)
            if parts.scheme in ("http", "https", "mailto"):
                continue
            checked += 1
            problem = None
            if parts.scheme or parts.netloc:
                problem = "not a relative link"
            else:
                target = path if not parts.path else os.path.realpath(
                    os.path.join(os.path.dirname(path), unquote(parts.path)))
                if not (target == root or target.startswith(root + os.sep)):
                    problem = "points outside the manual"
                elif not os.path.isfile(target):
                    problem = "no such file"
                elif parts.fragment:
                    anchors = pages[target].anchors if target in pages else set()
                    if unquote(parts.fragment) not in anchors:
                        problem = "no anchor #%s" % parts.fragment
            if problem:
                broken += 1
                print("%s: <%s> %s: %s" % (os.path.relpath(path, root), tag, link, problem))
    print("%d pages, %d links, %d broken" % (len(pages), checked, broken))
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
