"""The computer plays black: it thinks with the status line and its clock running, then answers."""
import re

from e2e import check, scenario, wait_until

THINKING = re.compile(r"Moment bitte! Computer rechnet \.\.\. \d+:\d\d")
CLOCK = re.compile(r"\d+:\d\d")


@scenario
def run(s):
    s.start_program()
    s.set_level(8, "schwer")  # long enough a search that the status line shows it
    s.choose("Spieler schwarz", "Computer")
    s.drag("e2", "e4")
    wait_until("the status line to say the computer is thinking", lambda: s.find("label", THINKING))
    s.grab("thinking")
    black = wait_until("black's clock to run while the computer thinks",
                       lambda: (s.label_after("Zeit für Schwarz") or "0:00") != "0:00" and s.find("label", THINKING)
                       and s.label_after("Zeit für Schwarz"))
    check(CLOCK.fullmatch(black), f"black's clock shows {black!r}")
    moves = wait_until("the computer's answer in the move list",
                       lambda: (lambda m: m if len(m) == 2 else None)(s.move_list()), timeout=180)
    check(re.fullmatch(r"\t[KQRBN]?[a-h][1-8][-x][a-h][1-8]", moves[1]), f"answer {moves[1]!r}")
    p = s.wait_pieces("a black piece moved", lambda p: p[:16].count("b") == 15)
    check(p.count("b") == 16 and p.count("w") == 16, "pieces were lost")
    wait_until("the status line to clear", lambda: not s.find("label", THINKING))
    s.grab("answered")
