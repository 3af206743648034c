#!/bin/sh
# Fetches the "cburnett" chess piece set (SVG, by Colin M.L. Burnett, GPL-3+ as Debian ships
# it) from Debian's pychess package into resources/pieces/cburnett. Run by hand; its output is
# committed. Neither the build nor the program needs pychess: only these twelve files.
#
#   tools/fetch_cburnett.sh [output folder]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/resources/pieces/cburnett}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

cd "$WORK"
apt-get download pychess >/dev/null
DEB=$(ls pychess_*.deb)
dpkg-deb -x "$DEB" tree
SRC=tree/usr/share/pychess/pieces/cburnett
mkdir -p "$OUT"
# Colour letter (w, b) and piece letter (p n b r q k), as the set names its files.
for colour in w b; do
  for piece in p n b r q k; do
    cp "$SRC/$colour$piece.svg" "$OUT/$colour$piece.svg"
  done
done
VERSION=$(dpkg-deb -f "$DEB" Version)
cp tree/usr/share/doc/pychess/copyright "$OUT/debian-copyright"
cat >"$OUT/SOURCE" <<INFO
The twelve SVG files in this folder are the "cburnett" chess piece set by Colin M.L. Burnett,
copied unchanged from Debian's package pychess $VERSION
(file $DEB, folder /usr/share/pychess/pieces/cburnett/) by tools/fetch_cburnett.sh.
Debian's copyright file of that package is beside them as debian-copyright; it gives the
pieces' licence as GPL-3+ (full text: LICENSE at the root of Tavrel).
SHA-256 of the files:
INFO
(cd "$OUT" && sha256sum ./??.svg | sed 's| \./| |') >>"$OUT/SOURCE"
echo "cburnett pieces from $DEB in $OUT"
