#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The link checker itself: a manual with one fault of each kind must fail
# with that fault named, and the same manual mended must pass.
#
#   check_links_selftest.sh CHECKER
set -u
checker=$1
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
failures=0
mkdir -p "$tmp/m/images" "$tmp/m/부록"
: > "$tmp/m/images/a.png"
cat > "$tmp/m/index.html" <<'HTML'
<!DOCTYPE html><html lang="ko"><head><meta charset="utf-8"><link rel="stylesheet" href="style.css"></head><body>
<h1 id="top">차례</h1>
<a href="%EB%B6%80%EB%A1%9D/page.html#끝">부록</a> <a href="#top">위로</a> <a href="https://example.invalid/">web</a>
<img src="images/a.png" alt="">
</body></html>
HTML
cat > "$tmp/m/부록/page.html" <<'HTML'
<!DOCTYPE html><html><body><p><a name="끝">끝</a> <a href="../index.html#top">차례</a></p></body></html>
HTML
: > "$tmp/m/style.css"

expect() { # WANT-RC GREP-TEXT DESCRIPTION
    out=$(python3 "$checker" "$tmp/m" 2>&1); rc=$?
    if [ "$rc" -ne "$1" ] || ! printf '%s\n' "$out" | grep -qF -- "$2"; then
        echo "FAIL: $3 (rc $rc): $out"; failures=$((failures + 1))
    else
        echo "ok: $3"
    fi
}
expect 0 "0 broken" "a sound manual passes"
rm "$tmp/m/style.css";                                           expect 1 "style.css: no such file" "missing stylesheet"
: > "$tmp/m/style.css"
sed -i 's/#top">위로/#nowhere">위로/' "$tmp/m/index.html";       expect 1 "no anchor #nowhere" "missing anchor"
sed -i 's/#nowhere">위로/#top">위로/' "$tmp/m/index.html"
sed -i 's|images/a.png|images/b.png|' "$tmp/m/index.html";        expect 1 "images/b.png: no such file" "missing image"
sed -i 's|images/b.png|../outside.png|' "$tmp/m/index.html";      expect 1 "points outside the manual" "link out of the manual"
sed -i 's|../outside.png|file:///etc/passwd|' "$tmp/m/index.html"; expect 1 "not a relative link" "absolute file link"
sed -i 's|file:///etc/passwd|images/a.png|' "$tmp/m/index.html";  expect 0 "0 broken" "mended manual passes again"
rm -rf "$tmp/empty"; mkdir "$tmp/empty"
out=$(python3 "$checker" "$tmp/empty" 2>&1) && { echo "FAIL: an empty folder passed"; failures=$((failures + 1)); } || echo "ok: an empty folder fails"
echo "link checker checks: $failures failure(s)"
[ $failures -eq 0 ]
