"""The computer plays white: it thinks with the status line and its clock running, then answers."""
import os
import re

from e2e import check, scenario, wait_until

THINKING = re.compile(r"Moment bitte! Computer rechnet \.\.\. \d+:\d\d")
CLOCK = re.compile(r"\d+:\d\d")
# A rich middlegame: even the fast search needs millions of nodes here at level 8, so the
# thinking stays on the screen for many of the status line's 200 ms ticks.
FEN = "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1"


@scenario
def run(s):
    game = os.path.join(s.home, "mittelspiel.pgn")
    with open(game, "w", encoding="utf-8") as f:
        f.write(f'[Event "Mittelspiel"]\n[SetUp "1"]\n[FEN "{FEN}"]\n\n*\n')
    s.start_program(args=[game])
    s.set_level(8, "schwer")
    s.choose("Spieler weiß", "Computer")
    wait_until("the status line to say the computer is thinking", lambda: s.find("label", THINKING))
    s.grab("thinking")
    white = wait_until("white's clock to run while the computer thinks",
                       lambda: (s.label_after("Zeit für Weiß") or "0:00") != "0:00" and s.find("label", THINKING)
                       and s.label_after("Zeit für Weiß"), timeout=120)
    check(CLOCK.fullmatch(white), f"white's clock shows {white!r}")
    moves = wait_until("the computer's answer in the move list",
                       lambda: (lambda m: m if len(m) == 1 else None)(s.move_list()), timeout=180)
    check(re.fullmatch(r"1\. [KDTLS]?[a-h][1-8][-x][a-h][1-8]\+?", moves[0]), f"answer {moves[0]!r}")
    wait_until("the status line to clear", lambda: not s.find("label", THINKING))
    s.grab("answered")
