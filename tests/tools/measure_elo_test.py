#!/usr/bin/env python3
"""The rating pool of tools/measure_elo.py: anchors stay fixed, a player is rated by its score,
and a player who met only another free player is rated through it, with a larger error."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import measure_elo as m  # noqa: E402

table = {
    "SF 1500": m.Player("SF 1500", [], fixed=1500.0),
    "SF 1800": m.Player("SF 1800", [], fixed=1800.0),
    "X": m.Player("X", [], guess=1000.0),
    "Y": m.Player("Y", [], guess=1000.0),
}
# X: 50 % against 1500 and 1800 alike is 1650; Y scores 80 % (about +240) against X only.
games = [("X", "SF 1500", 20, 10, 10, 0, 0), ("SF 1800", "X", 20, 10, 10, 0, 0),
         ("Y", "X", 30, 6, 4, 0, 0)]
r = m.ratings(table, games)
assert r["SF 1500"] == (1500.0, 0.0) and r["SF 1800"] == (1800.0, 0.0), r
x, ex = r["X"]
y, ey = r["Y"]
assert abs(x - 1650) < 25, r
expected_diff = -400 * math.log10(1 / 0.8 - 1)
assert abs((y - x) - expected_diff) < 10, r
assert ey > ex > 0, r
# A player who lost every game still gets a finite rating below its opponent.
r = m.ratings(table, [("X", "SF 1500", 0, 10, 0, 0, 0)])
assert r["X"][0] < 1500 and math.isfinite(r["X"][0]), r
print("ok")
