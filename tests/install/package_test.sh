#!/bin/sh
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
# Files belong to root, whoever built the package.
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print}' | grep -q . && fail "files not owned by root" || pass "owned by root"

# What is unpacked runs, and finds its manual where the program looks for it.
dpkg-deb -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/kavrin" --version | grep -q '^kavrin ' && pass "unpacked program runs" || fail "unpacked program does not run"
[ -f "$tmp/root/usr/bin/../share/kavrin/manual/index.html" ] && pass "manual beside the program" || fail "manual not at ../share/kavrin/manual"

echo "package checks: $failures failure(s)"
[ $failures -eq 0 ]
