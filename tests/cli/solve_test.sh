#!/bin/sh
# tavrel-solve end to end: one JSON object for a two-mover (A. Aljechin 1930), the German text,
# and German errors with exit 1 for a bad FEN, a mated side and a move count out of range.
set -u
tool=$1
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
fen='7K/8/7k/1Q1b4/3r1R2/6R1/8/8 w - - 0 1'

"$tool" --json "$fen" 2 > "$dir/out" || fail "json exit status"
[ "$(wc -l < "$dir/out")" -eq 1 ] || fail "more than one line: $(cat "$dir/out")"
for part in '"mate_in": 2' '"keys": \["b5b1"\]' '"threat": \["b1g6"\]' \
    '"variations": \[{"defence": "d5f7", "line": \["b1h7"\]}' \
    '{"move": "b5d7", "refutation": "d5f7"}' '"set_play": \[{"defence": "d5c6", "mate": "b5g5"}'; do
  grep -q "$part" "$dir/out" || fail "json lacks $part: $(cat "$dir/out")"
done
# The FEN's fields may also come as separate arguments.
"$tool" 7K/8/7k/1Q1b4/3r1R2/6R1/8/8 w - - 2 | grep -q '^Schlüsselzug: 1. Db1!$' || fail "text"
"$tool" --json '8/8/8/8/8/8/8/8 w - - 0 1' 2 > "$dir/out" 2> "$dir/err" && fail "no kings accepted"
[ -s "$dir/out" ] && fail "output after an error"
grep -q 'genau einen König' "$dir/err" || fail "message: $(cat "$dir/err")"
"$tool" 'k7/8/8/8/8/8/5PPP/r5K1 w - - 0 1' 2 2> "$dir/err"
[ $? -eq 1 ] || fail "mated side: exit status"
grep -q 'Weiß ist bereits matt' "$dir/err" || fail "message: $(cat "$dir/err")"
"$tool" "$fen" 13 2> "$dir/err" && fail "N = 13 accepted"
grep -q 'zwischen 1 und 12' "$dir/err" || fail "message: $(cat "$dir/err")"
echo ok
