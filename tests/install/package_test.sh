#!/bin/bash
# Builds the Debian package from the build folder and checks its name, fields, files and
# lintian's verdict.
#   package_test.sh BUILD_DIR CPACK VERSION
set -euo pipefail
build=$1
cpack=$2
version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && "$cpack" -G DEB -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log"; fail cpack; }
deb=$work/tavrel_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb: $(ls "$work")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Section)" = games ] || fail "section $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
for lib in libqt6widgets6 libqt6multimedia6 zlib1g libc6; do
  field Depends | grep -q "$lib" || fail "Depends lacks $lib: $(field Depends)"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for f in ./usr/games/tavrel ./usr/bin/tavrel-engine ./usr/share/tavrel/mtavrel.c00 \
  ./usr/share/tavrel/kovrin.chm ./usr/share/applications/tavrel.desktop \
  ./usr/share/mime/packages/tavrel.xml ./usr/share/doc/tavrel/copyright; do
  grep -qx "$f" "$work/files" || fail "package lacks $f"
done
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail lintian; }
! grep -q "^E:" "$work/lintian.log" || { cat "$work/lintian.log"; fail "lintian errors"; }
echo "package OK"
