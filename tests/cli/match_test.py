#!/usr/bin/env python3
"""tavrel-match on short games: PGN output, adjudication by the rules, engines that break the
rules or go away. Arguments: tavrel-match, tavrel-engine, the fake engine script."""
import os
import re
import subprocess
import sys
import tempfile

match, engine, fake = sys.argv[1:4]
failures = []


def check(cond, text):
    if not cond:
        failures.append(text)


def run(*args, expect=0):
    p = subprocess.run([match, *args], capture_output=True, text=True, timeout=600)
    check(p.returncode == expect, "exit %d for %s: %s" % (p.returncode, args, p.stderr))
    return p.stdout + p.stderr


def games(path):
    text = open(path, encoding="utf-8").read()
    out = []
    for block in re.split(r"\n\n(?=\[Event )", text.strip()):
        tags = dict(re.findall(r'^\[(\w+) "(.*)"\]$', block, re.M))
        moves = block.split("\n\n", 1)[1].split()
        out.append((tags, moves))
    return out


tmp = tempfile.mkdtemp()
pgn = os.path.join(tmp, "m.pgn")
tavrel = lambda name, depth: ["-engine", "cmd=" + engine, "name=" + name, "depth=%d" % depth]

# Four real games, two at once: every game in the file, results as the summary counts them.
out = run("-games", "4", "-j", "2", "-pgn", pgn, *tavrel("T1", 1), *tavrel("T2", 2))
g = games(pgn)
check(sorted(int(t["Round"]) for t, _ in g) == [1, 2, 3, 4], "rounds: %s" % out)
score = 0.0
for tags, moves in g:
    check(tags["Result"] == moves[-1], "result tag and movetext differ: %s" % tags)
    check(tags["Result"] in ("1-0", "0-1", "1/2-1/2"), "no result: %s" % tags)
    check(tags["Termination"] == "normal", "termination: %s" % tags)
    check(int(tags["PlyCount"]) == len([m for m in moves if not m.endswith(".")]) - 1,
          "ply count: %s" % tags)
    check(moves[:4] == ["1.", "e4", "e5", "2."], "opening: %s" % moves[:4])
    a_white = tags["White"] == "T1"
    score += {"1-0": 1.0 if a_white else 0.0, "0-1": 0.0 if a_white else 1.0}.get(tags["Result"], 0.5)
check([t["White"] for t, _ in sorted(g, key=lambda x: int(x[0]["Round"]))] == ["T1", "T2", "T1", "T2"],
      "colours alternate")
m = re.search(r"Punkte (\d+),(\d)/4", out)
check(m and float("%s.%s" % m.groups()) == score, "summary score: %s" % out)
check("Elo-Differenz" in out, "no Elo line: %s" % out)

# Openings that end the game by the rules before any engine moves.
book = os.path.join(tmp, "book.txt")
with open(book, "w") as f:
    f.write("# test lines\nNarrenmatt: f2f3 e7e5 g2g4 d8h4\n"
            "Wiederholung: g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8\n")
run("-openings", book, "-pgn", pgn, *tavrel("A", 1), *tavrel("B", 1))
g = games(pgn)
check(len(g) == 4, "two openings, both colours")
for tags, _ in [x for x in g if x[0]["Opening"] == "Narrenmatt"]:
    check((tags["Result"], tags["TerminationDetails"], tags["PlyCount"]) == ("0-1", "Matt", "4"),
          "fool's mate: %s" % tags)
for tags, _ in [x for x in g if x[0]["Opening"] == "Wiederholung"]:
    check((tags["Result"], tags["TerminationDetails"]) == ("1/2-1/2", "dreimalige Stellungswiederholung"),
          "repetition: %s" % tags)

# Engines that break the rules lose, whatever colour they have.
for mode, termination in (("illegal", "rules infraction"), ("crash", "abandoned"),
                          ("mute", "time forfeit")):
    run("-games", "2", "-pgn", pgn, *tavrel("T", 1),
        "-engine", "cmd=" + fake, "arg=" + mode, "name=F", "depth=1", "timeout=300")
    for tags, _ in games(pgn):
        loser_white = tags["White"] == "F"
        check(tags["Result"] == ("0-1" if loser_white else "1-0") and tags["Termination"] == termination,
              "%s: %s" % (mode, tags))

# Refused input: an illegal opening line, an engine that is not there.
with open(book, "w") as f:
    f.write("Falsch: e2e4 e2e4\n")
check("kein legaler Zug" in run("-openings", book, *tavrel("A", 1), *tavrel("B", 1), expect=2),
      "illegal opening accepted")
check("nicht gefunden" in run("-games", "2", *tavrel("A", 1), "-engine", "cmd=/nonexistent",
                              "depth=1", expect=2), "missing engine")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
