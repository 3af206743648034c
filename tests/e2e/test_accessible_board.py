"""The board through the accessibility tree alone: 64 named cells, moves made with their press
action, the keyboard cursor and typed moves; every move, take-back, replay and result said as
a screen reader hears it; the hint while the computer is to move but halted; and a whole game
against a person, to the mate."""
import re

from e2e import check, scenario, wait_until

HALTED = "Computer am Zug – „Zug ausführen“ setzt fort"


@scenario
def run(s):
    import pyatspi
    s.listen()
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
        s.act(cell(square))

    def player(group, kind):
        s.act(wait_until(f"{kind!r} in {group!r}",
                         lambda: s.find("radio button", kind, root=s.wait_find("panel", group))))

    press("e2")
    wait_until("e2 selected", lambda: cell("e2").getState().contains(pyatspi.STATE_SELECTED))
    check(cell("e2").getState().contains(pyatspi.STATE_FOCUSED), "the pressed cell has no focus")
    press("e4")
    wait_until("e2-e4 in the move list", lambda: s.move_list() == ["1. e2-e4"])
    wait_until("e4 named", lambda: cell("e4").name == "e4, weißer Bauer")
    s.wait_said("Weiß: Bauer e2 nach e4")

    # The computer answers; its move is said too.
    player("Spieler schwarz", "Computer")
    wait_until("black's answer", lambda: len(s.move_list()) == 2, timeout=120)
    s.wait_said(re.compile(r"Schwarz: .+ nach [a-h][1-8].*"))

    # One take-back: said, and the line under the board says the computer is halted.
    s.key("ctrl+z")
    s.wait_said(re.compile(r"Zug zurückgenommen: Schwarz: .+ nach [a-h][1-8].*"))
    s.wait_said(HALTED)
    s.wait_find("label", HALTED)
    s.grab("halted")
    s.key("ctrl+r")
    wait_until("the hint gone once the computer moves", lambda: not s.find("label", HALTED), timeout=120)
    wait_until("black's move again", lambda: len(s.move_list()) == 2, timeout=120)

    # A whole game against a person: cell actions, the cursor keys and a typed move.
    player("Spieler schwarz", "Mensch")
    s.act(s.wait_find("push button", "Neues Spiel"))
    wait_until("the new game", lambda: s.move_list() == [] and cell("e4").name == "e4, leer")
    press("f2")
    press("f3")
    s.wait_said("Weiß: Bauer f2 nach f3")
    s.key("Left", "Up", "Up", "Up", "Up", "Return", "Down", "Down", "Return")  # from f3: e7-e5
    s.wait_said("Schwarz: Bauer e7 nach e5")
    s.type("g4")
    s.key("Return")
    s.wait_said("Weiß: Bauer g2 nach g4")
    press("d8")
    press("h4")
    s.wait_said("Schwarz: Dame d8 nach h4, schachmatt. Matt – Schwarz gewinnt")
    mate = re.compile(r"\s*\*+ Matt !!! \*+\s*")
    s.wait_find("label", mate)
    s.act(s.wait_find("push button", "OK"))
    wait_until("the box closed", lambda: not s.find("label", mate))
    s.key("ctrl+z")
    s.wait_said("Zug zurückgenommen: Schwarz: Dame d8 nach h4, Schach")
    s.key("ctrl+y")
    s.wait_said("Zug wiederholt: Schwarz: Dame d8 nach h4, Schach")
    check(s.move_list() == ["1. f2-f3", "\te7-e5", "2. g2-g4", "\tDd8-h4+"],
          f"move list {s.move_list()}")
