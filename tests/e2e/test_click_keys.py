"""Moves without dragging: click-click, the keyboard cursor, typed moves in German and
English, and the keys for take-back, replay and turning the board; a typed non-move only
earns a message."""
from e2e import check, index, scenario, wait_until


def at(pieces, square):
    return pieces[index(square)]


@scenario
def run(s):
    s.start_program()
    s.find_board()

    # Click the pawn, then its target.
    s.click(*s.board.centre("e2"))
    s.click(*s.board.centre("e4"))
    wait_until("e2-e4 by clicks", lambda: s.move_list() == ["1. e2-e4"])
    s.wait_pieces("e2-e4 on the board", lambda p: at(p, "e2") == "." and at(p, "e4") == "w")

    # Typed on the focused board (German), then in the move field (English).
    s.type("Sc6")
    s.key("Return")
    wait_until("Sb8-c6 typed", lambda: s.move_list() == ["1. e2-e4", "\tSb8-c6"])
    s.key("ctrl+e")
    s.type("Nf3")
    s.key("Return")
    wait_until("Sg1-f3 typed", lambda: len(s.move_list()) == 3 and s.move_list()[2] == "2. Sg1-f3")

    # No move, and a move for the wrong side: a message, nothing else.
    before = s.pieces()
    s.type("xyz")
    s.key("Return")
    wait_until("the message for xyz", lambda: s.find("label", "„xyz“ ist kein gültiger Zug."))
    s.key("ctrl+a")
    s.type("d4")
    s.key("Return")
    wait_until("the message for the wrong side", lambda: s.find("label", "„d4“: Schwarz ist am Zug."))
    s.key("Escape")  # closes the field, not the window
    check(s.running(), "Esc in the move field ended the program")
    check(s.pieces("after-bad-input") == before and len(s.move_list()) == 3,
          "a refused typed move changed the game")

    # The keyboard cursor: from e4 (the last square clicked) up to e7, pick up, down to e5.
    s.key("Up", "Up", "Up", "Return", "Down", "Down", "Return")
    wait_until("e7-e5 by keys", lambda: len(s.move_list()) == 4 and s.move_list()[3] == "\te7-e5")
    s.wait_pieces("e7-e5 on the board", lambda p: at(p, "e5") == "b" and at(p, "e7") == ".")

    # Take back and replay.
    s.key("ctrl+z")
    s.wait_pieces("e7-e5 taken back", lambda p: at(p, "e5") == "." and at(p, "e7") == "b")
    s.key("ctrl+y")
    s.wait_pieces("e7-e5 replayed", lambda p: at(p, "e5") == "b" and at(p, "e7") == ".")

    # Turn the board: White at the top, the box "Weiß oben darstellen" ticked with it.
    s.key("ctrl+f")
    box = s.wait_find("check box", "Weiß oben darstellen")
    wait_until("the box ticked", lambda: box.getState().contains(__import__("pyatspi").STATE_CHECKED))
    s.find_board(white_on_top=True)
    s.wait_pieces("the turned board", lambda p: at(p, "e4") == "w" and at(p, "e5") == "b"
                  and at(p, "a1") == "w" and at(p, "h8") == "b")
    s.grab("turned")
