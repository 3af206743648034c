"""The computer plays white: it thinks with the status line and its clock running, then answers."""
import re

from e2e import check, scenario, wait_until

THINKING = re.compile(r"Moment bitte! Computer rechnet \.\.\. \d+:\d\d")
CLOCK = re.compile(r"\d+:\d\d")


@scenario
def run(s):
    s.start_program_at(s.RICH_FEN)
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
