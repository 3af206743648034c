#!/bin/sh
# tavrel-convert end to end: a stored opening to PGN and back byte for byte, the FEN of both,
# and German errors with a non-zero exit for a bad move, a missing file, a wrong extension, an
# unwritable output, a named pipe, a huge token and a file over the limit.
set -u
tool=$1 openings=$2
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$tool" "$openings/E012.spa" "$dir/e.pgn" || fail "spa -> pgn"
grep -q '^\[Event "Tavrel-Partie"\]$' "$dir/e.pgn" || fail "Event tag"
"$tool" "$dir/e.pgn" "$dir/e.spa" || fail "pgn -> spa"
cmp -s "$openings/E012.spa" "$dir/e.spa" || fail "round trip differs"
want='r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/5N1P/PPBN1PP1/R1BQR1K1 b - - 0 13'
[ "$("$tool" --fen "$dir/e.spa")" = "$want" ] || fail "FEN of .spa"
[ "$("$tool" --fen "$dir/e.pgn")" = "$want" ] || fail "FEN of .pgn"

printf '1. e4 e5 2. Ke3 *\n' > "$dir/bad.pgn"
"$tool" "$dir/bad.pgn" "$dir/bad.spa" 2> "$dir/err" && fail "bad move accepted"
grep -q 'Zug 2. Ke3 ist in dieser Stellung nicht erlaubt.' "$dir/err" || fail "message: $(cat "$dir/err")"
[ -e "$dir/bad.spa" ] && fail "output written after an error"
"$tool" --fen "$dir/fehlt.pgn" 2> "$dir/err" && fail "missing file accepted"
grep -q 'kann nicht geöffnet werden' "$dir/err" || fail "message: $(cat "$dir/err")"
"$tool" "$dir/e.pgn" "$dir/e.txt" 2> "$dir/err" && fail "unknown extension accepted"
grep -q 'unbekannte Endung' "$dir/err" || fail "message: $(cat "$dir/err")"
"$tool" "$dir/e.spa" "$dir/fehlt/e.pgn" 2> "$dir/err" && fail "unwritable output accepted"
grep -q 'Datei oder Ordner nicht vorhanden' "$dir/err" || fail "message: $(cat "$dir/err")"
mkfifo "$dir/rohr.pgn"
timeout 20 "$tool" --fen "$dir/rohr.pgn" 2> "$dir/err" && fail "named pipe accepted"
grep -q 'benannte Pipe' "$dir/err" || fail "message: $(cat "$dir/err")"
{ printf '1.'; head -c 3000000 /dev/zero | tr '\0' e; } > "$dir/lang.pgn"
"$tool" --fen "$dir/lang.pgn" 2> "$dir/err" && fail "huge token accepted"
[ "$(wc -c < "$dir/err")" -lt 200 ] || fail "huge token echoed: $(head -c 200 "$dir/err")"
truncate -s 17M "$dir/gross.pgn"
"$tool" --fen "$dir/gross.pgn" 2> "$dir/err" && fail "file over the limit accepted"
grep -q '16 MiB' "$dir/err" || fail "message: $(cat "$dir/err")"
printf '1. e4 e5 2. Nf3\n' > "$dir/kurz.pgn"
"$tool" --fen "$dir/kurz.pgn" > /dev/null 2> "$dir/err" || fail "game without result refused"
grep -q 'endet ohne Ergebnis' "$dir/err" || fail "message: $(cat "$dir/err")"
echo ok
