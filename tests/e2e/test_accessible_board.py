"""The board through the accessibility tree alone: 64 named cells, moves made with their press
action, the focused cell, every move said in words; and the hint while the computer is to move
but halted."""
import re

from e2e import check, scenario, wait_until

HALTED = "Computer am Zug – „Zug ausführen“ setzt fort"


@scenario
def run(s):
    import pyatspi
    s.start_program()
    board = s.wait_find("table", "Schachbrett")
    cells = [c for c in board]
    check(len(cells) == 64, f"{len(cells)} cells")
    names = [c.name for c in cells]
    check(names[0] == "a8, schwarzer Turm" and names[52] == "e2, weißer Bauer"
          and names[28] == "e5, leer", f"cell names {names[:9]} ...")

    def cell(square):
        return board.queryTable().getAccessibleAt(8 - int(square[1]), ord(square[0]) - ord("a"))

    def press(square):
        cell(square).queryAction().doAction(0)

    press("e2")
    wait_until("e2 selected", lambda: cell("e2").getState().contains(pyatspi.STATE_SELECTED))
    check(cell("e2").getState().contains(pyatspi.STATE_FOCUSED), "the pressed cell has no focus")
    press("e4")
    wait_until("e2-e4 in the move list", lambda: s.move_list() == ["1. e2-e4"])
    wait_until("e4 named", lambda: cell("e4").name == "e4, weißer Bauer")
    wait_until("the move said", lambda: s.find("label", "Weiß: Bauer e2 nach e4"))

    # The computer answers; its move is said too.
    s.choose("Spieler schwarz", "Computer")
    wait_until("black's answer", lambda: len(s.move_list()) == 2, timeout=120)
    wait_until("black's move said", lambda: s.find("label", re.compile(r"Schwarz: .+ nach [a-h][1-8].*")))

    # One take-back: the computer is to move but halted, and the line under the board says so.
    s.key("ctrl+z")
    s.wait_find("label", HALTED)
    s.grab("halted")
    s.key("ctrl+r")
    wait_until("the hint gone once the computer moves", lambda: not s.find("label", HALTED), timeout=120)
