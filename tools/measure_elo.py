#!/usr/bin/env python3
"""Measures the Elo of the built-in levels and of the external engines' strength steps, and writes
README's table (between <!-- elo-table --> and <!-- /elo-table -->) and
resources/engines/strength.txt.

    tools/measure_elo.py [--build build] [--minutes 90] [--only "NAME;..."] [--target 100] [-j 1]
    tools/measure_elo.py --table      # only rewrite the table and the steps from the results

Every player is rated in one pool: Stockfish with UCI_LimitStrength and UCI_Elo at 100 ms per
move is the fixed anchor ("SF 1350" ... "SF 2500"); the built-in levels and the steps are free
and get the maximum-likelihood ratings of all games recorded in tools/elo-games.txt (a draw
counts half), with 95 % errors from the inverse Fisher information. So a step far below the
weakest anchor is rated through the players between (a level, a stronger step) as well.
Each free player plays batches of ten games (five openings, both colours) against the rated
player nearest to its estimate until its error is at most --target Elo, it has had --max-games,
or the run's time is spent. Results are appended after every batch; a later run goes on from
them (delete the file to start afresh).

Stockfish calibrates UCI_Elo at a long time control of its own; at 100 ms per move its anchors
are somewhat weaker than their nominal numbers, so the ratings are on Stockfish's nominal scale,
approximate.
"""

import argparse
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RESULTS = os.path.join(ROOT, "tools", "elo-games.txt")
STEPS_FILE = os.path.join(ROOT, "resources", "engines", "strength.txt")
BATCH = 10
OPENINGS = 28  # lines in resources/match/openings.txt
LN10_400 = math.log(10) / 400
ANCHOR_MS = 100
ANCHORS = [1350, 1500, 1650, 1800, 1950, 2100, 2300, 2500]

# The external engines' steps: (id-name prefix, program, label, settings, first guess). The
# settings are tavrel-match's player words and exactly what "Gegner ..." sends for the step.
# Below UCI_Elo 1350 Stockfish offers only Skill Level 0, which picks among the four best lines
# of its depth-1 search; the steps between let UCI_Elo 1350 search less deep, the steps below
# let Skill Level 0 pick among more lines (MultiPV).
STEPS = [
    ("Stockfish", "stockfish", "UCI_Elo 1350, Tiefe 3",
     ["option.UCI_LimitStrength=true", "option.UCI_Elo=1350", "depth=3"], 1250),
    ("Stockfish", "stockfish", "Skill 0, Tiefe 1", ["option.Skill Level=0", "depth=1"], 1100),
    ("Stockfish", "stockfish", "Skill 0, MultiPV 8, Tiefe 1",
     ["option.Skill Level=0", "option.MultiPV=8", "depth=1"], 950),
    ("Stockfish", "stockfish", "Skill 0, MultiPV 500, Tiefe 1",
     ["option.Skill Level=0", "option.MultiPV=500", "depth=1"], 850),
    # Toga II ignores "go nodes"; its depth limit holds.
    ("Toga II", "toga2", "Tiefe 1", ["depth=1"], 1100),
    ("Toga II", "toga2", "Tiefe 3", ["depth=3"], 1400),
    ("Toga II", "toga2", "Tiefe 5", ["depth=5"], 1800),
    ("Toga II", "toga2", "Tiefe 7", ["depth=7"], 2100),
]


def depth_of(level):
    return max(1, min(8, level))


def program(name):
    return shutil.which(name) or shutil.which(name, path="/usr/games")


class Player:
    def __init__(self, key, words, fixed=None, guess=1500.0, label=None, prefix=None):
        self.key, self.words, self.fixed, self.guess = key, words, fixed, guess
        self.label, self.prefix = label or key, prefix


def players(build):
    engine = os.path.join(build, "bin", "tavrel-engine")
    table = {}
    for elo in ANCHORS:
        key = "SF %d" % elo
        table[key] = Player(key, ["cmd=" + (program("stockfish") or "stockfish"),
                                  "option.UCI_LimitStrength=true", "option.UCI_Elo=%d" % elo,
                                  "movetime=%d" % ANCHOR_MS], fixed=float(elo))
    for level in range(2, 9):
        key = "Stufe %d" % level
        table[key] = Player(key, ["cmd=" + engine, "depth=%d" % depth_of(level)],
                            guess=1100.0 + 100 * level)
    # Depth 1 is no level of the window, but a rated player between the weakest steps and level 2.
    table["Tiefe 1"] = Player("Tiefe 1", ["cmd=" + engine, "depth=1"], guess=1000.0)
    for prefix, prog, label, words, guess in STEPS:
        key = "%s: %s" % (prefix, label)
        table[key] = Player(key, ["cmd=" + (program(prog) or prog)] + words, guess=float(guess),
                            label=label, prefix=prefix)
    return table


def read_results():
    games = []  # (a, b, wins of a, losses of a, draws, ms of a, ms of b)
    if os.path.exists(RESULTS):
        with open(RESULTS, encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                a, b, score, ms = (x.strip() for x in line.split("|"))
                w, l, d = map(int, score.split())
                ma, mb = map(int, ms.split())
                games.append((a, b, w, l, d, ma, mb))
    return games


def append_result(row):
    new = not os.path.exists(RESULTS)
    with open(RESULTS, "a", encoding="utf-8") as f:
        if new:
            f.write("# tools/measure_elo.py: player A | player B | A's wins losses draws | "
                    "median reply ms of A and B\n")
        f.write("%s | %s | %d %d %d | %d %d\n" % row)


def expected(diff):
    return 1.0 / (1.0 + 10 ** (-diff / 400.0))


def solve(a, b):
    """Solves a x = b for a small dense symmetric matrix (Gauss-Jordan)."""
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        if abs(m[c][c]) < 1e-12:
            return None
        for r in range(n):
            if r != c:
                f = m[r][c] / m[c][c]
                m[r] = [x - f * y for x, y in zip(m[r], m[c])]
    return [m[i][n] / m[i][i] for i in range(n)]


def ratings(table, games):
    """Maximum-likelihood ratings with the anchors fixed -> {key: (elo, error95)}."""
    pairs = [(a, b, w + 0.5 * d, w + l + d) for a, b, w, l, d, _, _ in games
             if a in table and b in table]
    free = sorted({k for a, b, _, _ in pairs for k in (a, b) if table[k].fixed is None})
    r = {k: (p.fixed if p.fixed is not None else p.guess) for k, p in table.items()}
    index = {k: i for i, k in enumerate(free)}

    def fisher_and_grad():
        n = len(free)
        h = [[0.0] * n for _ in range(n)]
        g = [0.0] * n
        for a, b, s, games_n in pairs:
            e = expected(r[a] - r[b])
            w = games_n * e * (1 - e) * LN10_400 ** 2
            for k, sign in ((a, 1), (b, -1)):
                if k in index:
                    g[index[k]] += sign * (s - games_n * e) * LN10_400
            for k in (a, b):
                if k in index:
                    h[index[k]][index[k]] += w
            if a in index and b in index:
                h[index[a]][index[b]] -= w
                h[index[b]][index[a]] -= w
        return h, g

    for _ in range(200):
        h, g = fisher_and_grad()
        # A player who won or lost every game has no maximum: a weak prior (a tenth of a draw
        # against a player of its first guess) keeps the rating finite and the error large.
        for k, i in index.items():
            e = expected(r[k] - table[k].guess)
            g[i] += 0.1 * (0.5 - e) * LN10_400
            h[i][i] += 0.1 * e * (1 - e) * LN10_400 ** 2
        step = solve(h, g) if free else []
        if step is None:
            break
        for k, i in index.items():
            r[k] += max(-200.0, min(200.0, step[i]))
        if all(abs(x) < 0.01 for x in step):
            break
    out = {k: (p.fixed, 0.0) for k, p in table.items() if p.fixed is not None}
    if free:
        h, _ = fisher_and_grad()
        n = len(free)
        for k, i in index.items():
            unit = [1.0 if j == i else 0.0 for j in range(n)]
            col = solve(h, unit)
            var = col[i] if col and col[i] > 0 else float("inf")
            out[k] = (r[k], 1.96 * math.sqrt(var))
    return out


def counts(games, key):
    n, ms = 0, []
    for a, b, w, l, d, ma, mb in games:
        if key in (a, b):
            n += w + l + d
            ms.append(ma if key == a else mb)
    return n, (int(statistics.median(ms)) if ms else 0)


def play(match, pa, pb, first, jobs):
    cmd = [match, "-quiet", "-games", str(BATCH), "-j", str(jobs), "-first", str(first),
           "-engine", "name=A"] + pa.words + ["-engine", "name=B"] + pb.words
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    w, l, d = map(int, re.search(r": (\d+) - (\d+) - (\d+)  Punkte", out).groups())
    ma, mb = map(int, re.search(r"Antwortzeit \(Median\): A (\d+) ms, B (\d+) ms", out).groups())
    return w, l, d, ma, mb


def error_text(err):
    return "∞" if math.isinf(err) or err > 9999 else "%.0f" % err


def write_outputs(table, games, stockfish_version):
    rated = ratings(table, games)
    lines = ["| Level | Depth | Elo (± 95 %) | Games | Median reply time |", "|---|---|---|---|---|"]
    for level in range(1, 9):
        key = "Stufe %d" % level if level > 1 else "Tiefe 1"
        n, ms = counts(games, key)
        if n:
            elo, err = rated[key]
            lines.append("| %s | %d | %.0f ± %s | %d | %d ms |" % (
                level if level > 1 else "(Tiefe 1)", depth_of(level), elo, error_text(err), n, ms))
    if counts(games, "Stufe 8")[0]:
        lines.append("| 9–15 | 8 | as level 8 (the same search) | | |")
    lines += ["", "| External engine step | Settings | Elo (± 95 %) | Games | Median reply time |",
              "|---|---|---|---|---|"]
    steps = []
    for key, p in table.items():
        n, ms = counts(games, key)
        if p.prefix and n:
            elo, err = rated[key]
            steps.append((p.prefix, elo, err, n, p.words[1:]))
            lines.append("| %s | `%s` | %.0f ± %s | %d | %d ms |" % (
                key, " ".join(p.words[1:]), elo, error_text(err), n, ms))
    lines += ["", "Anchors: Stockfish %s with `UCI_LimitStrength` and `UCI_Elo` at %d ms per "
              "move (`SF 1350` … `SF 2500`); every rating comes from %d games in "
              "`tools/elo-games.txt`, made by `tools/measure_elo.py` (last run %s)." % (
                  stockfish_version, ANCHOR_MS, sum(g[2] + g[3] + g[4] for g in games),
                  time.strftime("%Y-%m-%d"))]
    path = os.path.join(ROOT, "README.md")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    begin, end = "<!-- elo-table -->", "<!-- /elo-table -->"
    block = begin + "\n" + "\n".join(lines) + "\n" + end
    if begin in text and end in text:
        text = text[:text.index(begin)] + block + text[text.index(end) + len(end):]
    else:
        text = text.rstrip("\n") + "\n\n" + block + "\n"
    replace_file(path, text)

    with open(STEPS_FILE, encoding="utf-8") as f:
        header = [line for line in f if line.startswith("#")]
    body = ["%s | %.0f | %s | %d | %s\n" % (prefix, elo, error_text(err), n, " ".join(words))
            for prefix, elo, err, n, words in sorted(steps, key=lambda s: (s[0], s[1]))]
    replace_file(STEPS_FILE, "".join(header + body))


def replace_file(path, text):
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--minutes", type=float, default=90)
    ap.add_argument("--only", default="", help="player names to measure, separated by ;")
    ap.add_argument("--target", type=float, default=100)
    ap.add_argument("--max-games", type=int, default=60)
    ap.add_argument("--table", action="store_true", help="only write the outputs")
    ap.add_argument("-j", type=int, default=1)
    args = ap.parse_args()
    stockfish = program("stockfish")
    if not stockfish:
        sys.exit("measure_elo: stockfish is not installed (apt-get install stockfish)")
    version = subprocess.run([stockfish, "quit"], capture_output=True, text=True).stdout
    version = version.split("\n")[0].split(" by ")[0].replace("Stockfish ", "")
    table = players(args.build)
    match = os.path.join(args.build, "bin", "tavrel-match")
    deadline = time.monotonic() + args.minutes * 60
    todo = [k for k, p in table.items() if p.fixed is None]
    if args.only:
        todo = [k.strip() for k in args.only.split(";")]
    first = 1
    for key in [] if args.table else todo:
        player = table[key]
        if not os.path.exists(player.words[0][4:]):
            print("%s: %s is not installed, skipped" % (key, player.words[0][4:]), flush=True)
            continue
        while time.monotonic() < deadline:
            games = read_results()
            rated = ratings(table, games)
            n, _ = counts(games, key)
            elo, err = rated.get(key, (player.guess, float("inf")))
            if n >= args.max_games or (n and err <= args.target):
                break
            # The nearest player with a rating of its own; anchors first at equal distance.
            others = [k for k in rated if k != key and (table[k].fixed is not None or
                                                         rated[k][1] < 150)]
            opponent = min(others, key=lambda k: (abs(rated[k][0] - elo), table[k].fixed is None))
            w, l, d, ma, mb = play(match, player, table[opponent], first, args.j)
            first = (first + BATCH // 2 - 1) % OPENINGS + 1
            append_result((key, opponent, w, l, d, ma, mb))
            games = read_results()
            elo, err = ratings(table, games)[key]
            print("%s vs %s: +%d -%d =%d -> %.0f ± %s (%d games)" % (
                key, opponent, w, l, d, elo, error_text(err), counts(games, key)[0]), flush=True)
    write_outputs(table, read_results(), version)


if __name__ == "__main__":
    main()
