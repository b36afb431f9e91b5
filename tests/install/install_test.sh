#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built tree into a temporary prefix and checks what a desktop
# finds there: the program, the menu entry, the icons, the metainfo, the manual
# pages and the HTML manual, each accepted by the tool that reads it.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1; src=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" > "$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; fail "cmake --install"; exit 1; }

app=io.github.kavrin.Kavrin
for f in bin/kavrin \
         share/applications/$app.desktop \
         share/metainfo/$app.metainfo.xml \
         share/icons/hicolor/scalable/apps/kavrin.svg \
         share/man/man1/kavrin.1 share/man/ko/man1/kavrin.1 \
         share/kavrin/manual/index.html share/kavrin/manual/style.css \
         share/kavrin/manual/images/main-window.png \
         share/doc/kavrin/NOTICE share/doc/kavrin/LICENSE; do
    [ -s "$prefix/$f" ] && pass "$f" || fail "missing $f"
done
[ -x "$prefix/bin/kavrin" ] || fail "bin/kavrin is not executable"

# Every fixed-size icon is a PNG of its size.
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/kavrin.png
    got=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not-png")' "$png" 2>/dev/null)
    [ "$got" = "${size}x${size}" ] && pass "icon ${size}x${size}" || fail "icon ${size}x${size}: $got"
done

# The menu entry and the metainfo, as the desktop's own tools read them.
out=$(desktop-file-validate "$prefix/share/applications/$app.desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] && pass "desktop-file-validate" || fail "desktop-file-validate: $out"
entry=$prefix/share/applications/$app.desktop
for line in "Categories=Network;FileTransfer;" "Icon=kavrin" "Exec=kavrin" "Name=Kavrin" "Name[ko]=카브린" \
            "Comment=Transfer files between this computer and FTP servers" \
            "Comment[ko]=내 컴퓨터와 FTP 서버 사이에 파일을 전송합니다"; do
    grep -qxF "$line" "$entry" && pass "$line" || fail "desktop entry lacks $line"
done
out=$(appstreamcli validate --no-net --explain "$prefix/share/metainfo/$app.metainfo.xml" 2>&1)
[ $? -eq 0 ] && pass "appstreamcli validate" || fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$prefix/share/metainfo/$app.metainfo.xml" \
    && pass "metainfo names the desktop entry" || fail "metainfo does not name $app.desktop"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$prefix/share/metainfo/$app.metainfo.xml" \
    && pass "metainfo names the licence" || fail "metainfo lacks project_license GPL-3.0-or-later"
# A network check (appstreamcli validate without --no-net) fetches every address
# the metainfo names: none may be there that does not exist.
urls=$(grep -Eo 'https?://[^<" ]+' "$prefix/share/metainfo/$app.metainfo.xml")
[ -z "$urls" ] && pass "metainfo names no address" || fail "metainfo names addresses a network check would fetch: $urls"
cmp -s "$prefix/share/doc/kavrin/LICENSE" /usr/share/common-licenses/GPL-3 \
    && pass "LICENSE is the GPL version 3" || fail "LICENSE differs from /usr/share/common-licenses/GPL-3"

# The manual pages render without a warning, and document every option the program knows.
for page in man1/kavrin.1 ko/man1/kavrin.1; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/$page" > "$tmp/page.txt" 2> "$tmp/page.err"
    rc=$?
    [ $rc -eq 0 ] && [ ! -s "$tmp/page.err" ] && pass "man -l $page" || fail "man -l $page ($rc): $(cat "$tmp/page.err")"
    for word in --help --version --log-file KAVRIN_HOME; do
        grep -q -- "$word" "$tmp/page.txt" || fail "$page does not mention $word"
    done
done
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/man1/kavrin.1" > "$tmp/page.txt" 2>/dev/null
for option in $("$prefix/bin/kavrin" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" "$tmp/page.txt" && pass "man page documents $option" || fail "man page lacks $option"
done
version=$("$prefix/bin/kavrin" --version | head -n 1)
[ "$version" = "kavrin $(sed -n 's/^project(kavrin VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")" ] \
    && pass "installed program: $version" || fail "installed program --version: $version"

# The installed manual's links all resolve.
out=$(python3 "$src/tests/install/check_links.py" "$prefix/share/kavrin/manual" 2>&1)
[ $? -eq 0 ] && pass "manual links: $out" || fail "manual links: $out"

echo "install checks: $failures failure(s)"
[ $failures -eq 0 ]
