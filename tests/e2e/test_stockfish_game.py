"""A game against Stockfish at its lowest strength, chosen in Extras → "Gegner …", then its
analysis; the saved PGN names the engine and its strength."""
import os
import re
import shutil
import subprocess
import sys

from e2e import Failure, check, scenario, wait_until

if not shutil.which("stockfish") and not os.path.exists("/usr/games/stockfish"):
    print("stockfish is not installed: skipped")
    sys.exit(77)

# White's moves in order of preference; each turn the first that the board allows is played.
CANDIDATES = ["e2e4", "g1f3", "b1c3", "d2d3", "f1e2", "c1e3", "a2a3", "h2h3", "b2b3", "g2g3"]
STEP = re.compile(r"(≈ \d+ Elo \(± \d+, gemessen\)|\d+ Elo)")
SCORE = re.compile(r"[+\u2212]?\d+,\d|\u2212?Matt in \d+")
MOVE = r"([KDTLS]?[a-h]?[1-8]?x?[a-h][1-8](=[DTLS])?|O-O(-O)?)[+#]?"  # German letters only
GERMAN_LINE = re.compile(rf"\d+\.(\.\.)? {MOVE}( (\d+\. )?{MOVE})*")


def engines_of(pid):
    out = subprocess.run(["ps", "-o", "pid=,comm=", "--ppid", str(pid)], capture_output=True, text=True).stdout
    return [int(p) for p, c in (line.split(None, 1) for line in out.splitlines()) if "stockfish" in c]


def play_white(s, moves_done):
    """Drag the first candidate the board takes; wait for it and for Stockfish's answer."""
    n = len(s.move_list())
    for m in CANDIDATES:
        pieces = s.pieces()
        src, dst = pieces[index(m[:2])], pieces[index(m[2:])]
        if src != "w" or dst == "w":
            continue
        s.drag(m[:2], m[2:])
        try:
            wait_until(f"{m} in the move list", lambda: len(s.move_list()) > n, timeout=10)
        except Failure:
            continue  # not a legal move here (a pin, a check)
        moves_done.append(m)
        break
    else:
        raise Failure(f"none of {CANDIDATES} could be played")
    answer = wait_until("Stockfish's answer in the move list",
                        lambda: (lambda l: l if len(l) >= n + 2 else None)(s.move_list()), timeout=120)
    check(re.fullmatch(r"\t[KDTLS]?[a-h][1-8][-x][a-h][1-8].*|\t0-0(-0)?.*", answer[n + 1]),
          f"answer line {answer[n + 1]!r}")


def index(square):
    return "abcdefgh".index(square[0]) + 8 * (8 - int(square[1]))


@scenario
def run(s):
    s.start_program()
    s.menu("Extras", "Gegner …")
    wait_until("the dialog 'Gegner'", lambda: s.windows("^Gegner$"))
    s.grab("dialog-checking")
    item = s.wait_find("list item", re.compile(r"Stockfish.*"), "Stockfish listed after its check")
    s.click_on(item)
    combo = wait_until("the strength list", lambda: s.find("combo box", STEP))
    check(STEP.fullmatch(combo.name), f"the lowest strength is {combo.name!r}")  # the first step
    strength = re.search(r"\d+", combo.name).group(0)
    s.grab("dialog-stockfish")
    s.press("push button", "OK")
    wait_until("the dialog to close", lambda: not s.windows("^Gegner$"))
    s.choose("Spieler schwarz", "Computer")

    moves = []
    for _ in range(4):
        play_white(s, moves)
    s.grab("played")
    check(not s.find("label", re.compile(r".*eingebaute Programm.*")), "the built-in program took over")
    engines = engines_of(s.program.pid)
    check(engines, "no Stockfish process of the program")

    s.menu("Extras", "Analyse")
    window = wait_until("the analysis window naming Stockfish", lambda: s.windows(r"^Analyse – Stockfish"))
    _, x, y, w, h = window[0]
    s.on_screen((x, y, x + w, y + h), "the analysis window")
    score = wait_until("an evaluation", lambda: s.find("label", SCORE))
    line = wait_until("a best line in German notation", lambda: s.find("label", GERMAN_LINE))
    check(s.find("label", re.compile(r"Engine: Stockfish.*")), "the analysis names its engine")
    s.grab("analysis")
    print(f"after {moves}: {score.name} {line.name}")

    s.menu("Extras", "Partie als PGN speichern …")
    s.wait_dialog("Partie als PGN speichern")
    s.type("partie")
    s.key("Return")
    s.wait_dialog_gone("Partie als PGN speichern")
    saved = os.path.join(s.home, "partie.pgn")
    wait_until(f"{saved} to be written", lambda: os.path.isfile(saved) and os.path.getsize(saved) > 0)
    with open(saved, encoding="utf-8") as f:
        pgn = f.read()
    check('[White "Mensch"]' in pgn, "White is not 'Mensch' in the PGN")
    check(re.search(rf'\[Black "Stockfish [^"]* \({strength} Elo\)"\]', pgn), f"Black in the PGN: {pgn[:300]}")

    s.key("Escape")
    s.wait_exit()
    wait_until("the engines to end with the program", lambda: not any(os.path.exists(f"/proc/{p}") for p in engines))
