"""Moves by dragging: a legal drag plays, an illegal one returns the piece, none while the
computer thinks."""
import re

from e2e import check, index, scenario, wait_until

THINKING = re.compile(r"Moment bitte! Computer rechnet \.\.\. \d+:\d\d")


def at(pieces, square):
    return pieces[index(square)]


@scenario
def run(s):
    s.start_program()
    s.play("e2e4")
    s.wait_pieces("e2-e4 on the board", lambda p: at(p, "e2") == "." and at(p, "e4") == "w")
    wait_until("e2-e4 in the move list", lambda: s.move_list() == ["1. e2-e4"])
    s.grab("after-e2-e4")

    # Illegal: a white piece while black is to move, and a black pawn three squares.
    before = s.pieces()
    s.drag("d2", "d4")
    s.drag("d7", "d4")
    s.play("e7e5")
    s.wait_pieces("e7-e5 after the refused drags",
                  lambda p: at(p, "e5") == "b" and at(p, "d2") == "w" and at(p, "d7") == "b")
    after = s.pieces("after-refused-drags")
    check(at(after, "d4") == ".", "a refused drag moved a piece")
    changed = [i for i in range(64) if before[i] != after[i]]
    check(len(changed) == 2, f"squares {changed} changed; only e7 and e5 should have")
    check(s.move_list() == ["1. e2-e4", "\te7-e5"], f"move list {s.move_list()}")

    # The computer takes white in a rich middlegame, at the highest level, so that it thinks
    # for a while.
    s.stop_program()
    s.start_program_at(s.RICH_FEN)
    s.set_level(15, "Profi 6")
    s.choose("Spieler weiß", "Computer")
    wait_until("the computer to think", lambda: s.find("label", THINKING))
    # White is to move and the computer thinks for white: moves it would never choose.
    s.drag("g2", "g3")
    s.drag("h2", "h4")
    s.wait_pieces("both pawns back on g2 and h2", lambda p: at(p, "g2") == at(p, "h2") == "w"
                  and at(p, "g3") == at(p, "h4") == ".")
    s.grab("drag-while-thinking")
    # Only while the computer has not moved yet does the picture say anything.
    check(not s.move_list() and s.find("label", THINKING),
          "the computer stopped thinking during the drags; cannot judge")
