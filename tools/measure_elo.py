#!/usr/bin/env python3
"""Measures the Elo of the built-in levels against Stockfish anchors and writes the table into
README.md (between the markers <!-- elo-table --> and <!-- /elo-table -->).

    tools/measure_elo.py [--build build] [--minutes 28] [--levels 2-7] [--target 100]

Each level is played in batches of ten games (five openings, both colours) against the anchor
whose Elo lies nearest to the level's estimate so far; the estimate is the maximum-likelihood
rating from all of the level's games (a draw counts half) and its 95 % error comes from the
Fisher information. A level is done when its error is at most --target Elo or it has had its
share of games; the whole run stops starting batches after --minutes.

Anchors: Stockfish with UCI_LimitStrength and UCI_Elo, 100 ms per move. Stockfish calibrates
UCI_Elo at a much longer time control of its own, so at 100 ms the anchors are weaker than
their nominal Elo; the numbers are ratings on Stockfish's nominal scale, approximate.
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
ANCHORS = [1350, 1500, 1650, 1800, 1950, 2100, 2300, 2500]
ANCHOR_MS = 100
BATCH = 10
OPENINGS = 28  # lines in resources/match/openings.txt
LN10_400 = math.log(10) / 400


def depth_of(level):
    return max(1, min(8, level))


def expected(diff):
    return 1.0 / (1.0 + 10 ** (-diff / 400.0))


def estimate(games):
    """games: list of (anchor_elo, score) -> (elo, error95)."""
    total = sum(s for _, s in games)
    n = len(games)
    if total <= 0 or total >= n:
        # No likelihood maximum: put it one error's width beyond the anchors played.
        edge = min(a for a, _ in games) if total <= 0 else max(a for a, _ in games)
        return edge + (-400 if total <= 0 else 400), float("inf")
    r = statistics.mean(a for a, _ in games)
    for _ in range(100):
        grad = sum(s - expected(r - a) for a, s in games) * LN10_400
        info = sum(expected(r - a) * (1 - expected(r - a)) for a, _ in games) * LN10_400 ** 2
        step = grad / info
        r += max(-300.0, min(300.0, step))
        if abs(step) < 0.01:
            break
    info = sum(expected(r - a) * (1 - expected(r - a)) for a, _ in games) * LN10_400 ** 2
    return r, 1.96 / math.sqrt(info)


def play(match, engine, level, anchor, first, jobs):
    cmd = [match, "-quiet", "-games", str(BATCH), "-j", str(jobs), "-first", str(first),
           "-engine", "cmd=" + engine, "name=Stufe%d" % level, "depth=%d" % depth_of(level),
           "-engine", "cmd=stockfish", "name=Stockfish%d" % anchor,
           "option.UCI_LimitStrength=true", "option.UCI_Elo=%d" % anchor,
           "movetime=%d" % ANCHOR_MS]
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    w, l, d = map(int, re.search(r": (\d+) - (\d+) - (\d+)  Punkte", out).groups())
    ms = int(re.search(r"Antwortzeit \(Median\): \S+ (\d+) ms", out).group(1))
    return w, l, d, ms


def write_table(rows, notes):
    lines = ["| Level | Depth | Elo (± 95 %) | Games | Median reply time |",
             "|---|---|---|---|---|"]
    for level, elo, err, n, ms in rows:
        err_text = "∞" if math.isinf(err) else "%.0f" % err
        lines.append("| %d | %d | %.0f ± %s | %d | %d ms |" % (level, depth_of(level), elo,
                                                              err_text, n, ms))
    lines += [""] + notes
    path = os.path.join(ROOT, "README.md")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    begin, end = "<!-- elo-table -->", "<!-- /elo-table -->"
    block = begin + "\n" + "\n".join(lines) + "\n" + end
    if begin in text and end in text:
        text = text[:text.index(begin)] + block + text[text.index(end) + len(end):]
    else:
        text = text.rstrip("\n") + "\n\n" + block + "\n"
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--minutes", type=float, default=28)
    ap.add_argument("--levels", default="2-7")
    ap.add_argument("--target", type=float, default=100)
    ap.add_argument("--max-games", type=int, default=60)
    ap.add_argument("-j", type=int, default=2)
    ap.add_argument("--guess", type=float, default=1300, help="first estimate of the lowest level")
    args = ap.parse_args()
    match = os.path.join(args.build, "bin", "tavrel-match")
    engine = os.path.join(args.build, "bin", "tavrel-engine")
    stockfish = shutil.which("stockfish") or shutil.which("stockfish", path="/usr/games")
    if not stockfish:
        sys.exit("measure_elo: stockfish is not installed (apt-get install stockfish)")
    lo, hi = (int(x) for x in args.levels.split("-"))
    levels = list(range(lo, hi + 1))
    deadline = time.monotonic() + args.minutes * 60
    rows, skipped = [], []
    guess = args.guess
    first = 1
    for level in levels:
        games, times = [], []
        err = float("inf")
        while len(games) < args.max_games and err > args.target:
            if time.monotonic() > deadline:
                break
            anchor = min(ANCHORS, key=lambda a: abs(a - guess))
            w, l, d, ms = play(match, engine, level, anchor, first, args.j)
            first = (first + BATCH // 2 - 1) % OPENINGS + 1
            games += [(anchor, 1.0)] * w + [(anchor, 0.0)] * l + [(anchor, 0.5)] * d
            times.append(ms)
            guess, err = estimate(games)
            print("level %d vs %d: +%d -%d =%d -> %.0f ± %.0f (%d games, median %d ms)" %
                  (level, anchor, w, l, d, guess, err, len(games), ms), flush=True)
        if games:
            rows.append((level, guess, err, len(games), int(statistics.median(times))))
        else:
            skipped.append(level)
    notes = ["Measured by `tools/measure_elo.py` against Stockfish %s with `UCI_LimitStrength` "
             "and `UCI_Elo` at %d ms per move, on %s." % (
                 subprocess.run([stockfish, "quit"], capture_output=True, text=True)
                 .stdout.split("\n")[0].split(" by ")[0].replace("Stockfish ", ""),
                 ANCHOR_MS, time.strftime("%Y-%m-%d"))]
    if skipped:
        notes.append("Not measured (time budget spent): level %s." %
                     ", ".join(map(str, skipped)))
    write_table(rows, notes)


if __name__ == "__main__":
    main()
