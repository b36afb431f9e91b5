#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the built tree and checks what it says about
# itself: its dependencies (from the program's shared libraries) and its files.
#
#   package_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1; src=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

deb=$("$src/scripts/package-deb" --build-dir "$build" --output "$tmp" 2> "$tmp/err")
[ -f "$deb" ] || { echo "FAIL: scripts/package-deb: $(cat "$tmp/err")"; exit 1; }
pass "built $(basename "$deb")"

info=$(dpkg-deb --info "$deb")
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# The libraries the program links, each with the version dpkg-shlibdeps found.
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6; do
    pattern=$(printf '%s' "$lib" | sed 's/+/\\+/g')
    echo "$depends" | grep -Eq "(^|, )$pattern \(>= [0-9]" && pass "Depends $lib" || fail "Depends lacks $lib (>= ...)"
done
for pkg in libqt6svg6 fonts-noto-cjk; do
    echo "$depends" | grep -Eq "(^|, )$pkg(,|$| )" && pass "Depends $pkg" || fail "Depends lacks $pkg"
done
for field in "Package: kavrin" "Section: net" "Architecture: $(dpkg --print-architecture)"; do
    echo "$info" | grep -qF " $field" && pass "$field" || fail "control lacks $field"
done

dpkg-deb -c "$deb" | awk '{print $6}' > "$tmp/files"
for f in ./usr/bin/kavrin ./usr/share/applications/io.github.kavrin.Kavrin.desktop \
         ./usr/share/metainfo/io.github.kavrin.Kavrin.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/kavrin.svg ./usr/share/icons/hicolor/48x48/apps/kavrin.png \
         ./usr/share/man/man1/kavrin.1.gz ./usr/share/man/ko/man1/kavrin.1.gz \
         ./usr/share/kavrin/manual/index.html ./usr/share/doc/kavrin/copyright; do
    grep -qxF "$f" "$tmp/files" && pass "$f" || fail "package lacks $f"
done
for f in ./usr/share/doc/kavrin/changelog.gz; do
    grep -qxF "$f" "$tmp/files" && pass "$f" || fail "package lacks $f"
done
grep -q '^\./usr/share/doc/kavrin/\(NOTICE\|LICENSE\)$' "$tmp/files" \
    && fail "NOTICE or LICENSE beside the copyright file (Debian keeps the licence in copyright)" || pass "no extra licence file"
# The maintainer is a name and an address with a real domain form, never localhost.
maintainer=$(dpkg-deb --field "$deb" Maintainer)
echo "$maintainer" | grep -Eq '^[^<>]+ <[^@<> ]+@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+>$' \
    && pass "Maintainer: $maintainer" || fail "Maintainer is not a name and an address: $maintainer"
[ -z "$(dpkg-deb --field "$deb" Homepage)" ] && pass "no Homepage that does not exist" || fail "Homepage: $(dpkg-deb --field "$deb" Homepage)"

# Files belong to root, whoever built the package.
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print}' | grep -q . && fail "files not owned by root" || pass "owned by root"

# What is unpacked runs, and finds its manual where the program looks for it.
dpkg-deb -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/kavrin" --version | grep -q '^kavrin ' && pass "unpacked program runs" || fail "unpacked program does not run"
[ -f "$tmp/root/usr/bin/../share/kavrin/manual/index.html" ] && pass "manual beside the program" || fail "manual not at ../share/kavrin/manual"

# The copyright file is machine-readable and names the licence and its holder.
copyright=$tmp/root/usr/share/doc/kavrin/copyright
head -n 1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    && pass "copyright: machine-readable format" || fail "copyright: no Format line"
grep -qx 'License: GPL-3+' "$copyright" && grep -q '^Copyright: [0-9]\{4\} ' "$copyright" \
    && pass "copyright: GPL-3+ with its notice" || fail "copyright lacks License: GPL-3+ or a Copyright notice"
# The changelog's version is the package's.
zcat "$tmp/root/usr/share/doc/kavrin/changelog.gz" > "$tmp/changelog"
[ "$(dpkg-parsechangelog -l "$tmp/changelog" -S Version)" = "$(dpkg-deb --field "$deb" Version)" ] \
    && pass "changelog is for $(dpkg-deb --field "$deb" Version)" || fail "changelog version differs from the package's"
# Every file is listed with its checksum, and the checksums hold.
dpkg-deb -e "$deb" "$tmp/control"
(cd "$tmp/root" && md5sum --quiet -c "$tmp/control/md5sums") > "$tmp/md5.out" 2>&1 \
    && [ "$(wc -l < "$tmp/control/md5sums")" -eq "$(cd "$tmp/root" && find usr -type f | wc -l)" ] \
    && pass "md5sums cover every file" || fail "md5sums: $(cat "$tmp/md5.out")"
# The manual's pictures are the ones the manual shows, taken for this package.
python3 - "$tmp/root/usr/share/kavrin/manual" > "$tmp/pictures" <<'PY'
import os, re, sys
root = sys.argv[1]
shown = set()
for name in os.listdir(root):
    if name.endswith(".html"):
        shown |= set(re.findall(r'src="(images/[^"]+)"', open(os.path.join(root, name), encoding="utf-8").read()))
present = set("images/" + n for n in os.listdir(os.path.join(root, "images")))
for n in sorted(shown - present): print("missing", n)
for n in sorted(present - shown): print("unused", n)
PY
[ ! -s "$tmp/pictures" ] && pass "every picture the manual shows is packed, no other" || fail "manual pictures: $(cat "$tmp/pictures")"
grep -q "make-screenshots: writing to" "$tmp/err" && pass "screenshots taken from the packed program" \
    || fail "scripts/package-deb did not take the screenshots: $(cat "$tmp/err")"

# What lintian, Debian's package checker, says: no error and no warning.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-info "$deb" > "$tmp/lintian" 2>&1
    rc=$?
    sed 's/^/  lintian: /' "$tmp/lintian"
    [ $rc -eq 0 ] && pass "lintian: no error or warning" || fail "lintian reports errors or warnings"
else
    echo "note: lintian is not installed here (scripts/setup-deps installs it): not run"
fi

echo "package checks: $failures failure(s)"
[ $failures -eq 0 ]
