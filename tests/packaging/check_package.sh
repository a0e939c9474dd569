#!/bin/sh
# Builds the Debian package of a configured and built tree (CPack) and checks it as a
# distribution would: every file a desktop needs is in it, and desktop-file-validate,
# appstreamcli and lintian report no error.
#
# Usage: check_package.sh BUILD_DIR
set -eu
build_dir=$(cd "$1" && pwd)
out="$build_dir/package-check"
rm -rf "$out"
mkdir -p "$out"
failures=0
fail() {
    echo "check_package: $*"
    failures=$((failures + 1))
}

if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    echo "check_package: cpack failed"
    exit 1
fi
deb=$(find "$out" -maxdepth 1 -name 'quillmere_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "check_package: cpack made no quillmere_*.deb in $out"; exit 1; }
echo "package: $deb"
dpkg-deb --field "$deb"

root="$out/root"
dpkg-deb -x "$deb" "$root"
id=org.quillmere.Quillmere
for path in usr/bin/quillmere "usr/share/applications/$id.desktop" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/metainfo/$id.metainfo.xml" \
    usr/share/man/man1/quillmere.1.gz usr/share/doc/quillmere/copyright \
    usr/share/doc/quillmere/changelog.gz; do
    [ -f "$root/$path" ] || fail "the package has no /$path"
done

# The menu entry starts the packaged program and shows the packaged icon.
entry="$root/usr/share/applications/$id.desktop"
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry" 2>/dev/null)
icon=$(sed -n 's/^Icon=//p' "$entry" 2>/dev/null)
[ -n "$program" ] && [ -x "$root/usr/bin/$program" ] || fail "Exec=$program is not a program of the package"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not an icon of the package"

echo "--- desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate reports errors"
echo "--- appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli reports errors"
echo "--- lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

if [ "$failures" -gt 0 ]; then
    echo "check_package: $failures check(s) failed for $deb"
    exit 1
fi
echo "check_package: $deb passes desktop-file-validate, appstreamcli and lintian"
