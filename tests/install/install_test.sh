#!/bin/bash
# Installs the build into a temporary DESTDIR under a prefix of its own, checks the file list
# and the desktop files, and starts the installed program with the installed data.
#   install_test.sh BUILD_DIR PROBE
set -euo pipefail
build=$1
probe=$2
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$work/root
prefix=/opt/tavrel-test
DESTDIR=$root cmake --install "$build" --prefix "$prefix" >/dev/null
p=$root$prefix
tree() { (cd "$root" && find . -type f | sort); }

expected=".$prefix/bin/tavrel
.$prefix/bin/tavrel-convert
.$prefix/bin/tavrel-engine
.$prefix/bin/tavrel-solve
.$prefix/share/applications/tavrel.desktop
.$prefix/share/doc/tavrel/changelog.gz
.$prefix/share/doc/tavrel/copyright
.$prefix/share/icons/hicolor/128x128/apps/tavrel.png
.$prefix/share/icons/hicolor/256x256/apps/tavrel.png
.$prefix/share/icons/hicolor/48x48/apps/tavrel.png
.$prefix/share/icons/hicolor/scalable/apps/tavrel.svg
.$prefix/share/man/man6/tavrel-convert.6.gz
.$prefix/share/man/man6/tavrel-engine.6.gz
.$prefix/share/man/man6/tavrel-solve.6.gz
.$prefix/share/man/man6/tavrel.6.gz
.$prefix/share/metainfo/org.example.tavrel.metainfo.xml
.$prefix/share/mime/packages/tavrel.xml
.$prefix/share/tavrel/kovrin.chm
.$prefix/share/tavrel/mtavrel.c00"
diff <(echo "$expected") <(tree) || fail "installed files differ from the list"

desktop-file-validate "$p/share/applications/tavrel.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$p"/share/metainfo/*.metainfo.xml || fail "metainfo"
for size in 48 128 256; do
  file "$p/share/icons/hicolor/${size}x${size}/apps/tavrel.png" | grep -q "PNG image data, $size x $size" ||
    fail "icon $size"
done
# The file type as the desktop's MIME database compiles it.
mkdir -p "$work/mime/packages"
cp "$p/share/mime/packages/tavrel.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || { cat "$work/mime.log"; fail "MIME package"; }
grep -qx 'application/x-tavrel-game:\*.spa' "$work/mime/globs" || fail "MIME glob"

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/home
mkdir -m 700 "$work/run"

# A second argument or an unknown option: German usage on stderr, nothing started.
for args in "eins.spa zwei.spa" "--gibtsnicht"; do
  set +e
  # shellcheck disable=SC2086
  "$p/bin/tavrel" $args >"$work/out" 2>"$work/err"
  rc=$?
  set -e
  [ "$rc" -eq 2 ] || fail "tavrel $args: exit code $rc"
  grep -q "^Aufruf: tavrel \[PARTIE.spa | PARTIE.pgn\]" "$work/err" || fail "tavrel $args: no usage on stderr"
  [ ! -s "$work/out" ] || fail "tavrel $args: output on stdout"
done

# The program's lookup, run from the installed bin folder: finds both shipped files there.
cp "$probe" "$p/bin/probe"
"$p/bin/probe" >"$work/found" || fail "probe: $(cat "$work/found")"
rm "$p/bin/probe"
[ "$(cat "$work/found")" = "$p/share/tavrel/mtavrel.c00
$p/share/tavrel/kovrin.chm" ] || fail "data found elsewhere: $(cat "$work/found")"

# The installed program copies the installed collection into a fresh data folder.
before=$(tree)
"$p/bin/tavrel" &
pid=$!
copy="$XDG_DATA_HOME/Orvanel 2014/mtavrel.c00"
for _ in $(seq 600); do
  [ -s "$copy" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended at start"
  sleep 0.1
done
[ -s "$copy" ] || fail "no working copy of the collection after 60 s"
kill -0 "$pid" || fail "the program ended"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
[ "$before" = "$(tree)" ] || fail "the program wrote into the installation"
echo "install OK"
