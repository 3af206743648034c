"""Esc during a drag cancels only the drag; Esc otherwise closes the window."""
from e2e import START, check, scenario, wait_until



@scenario
def run(s):
    s.start_program()
    s.drag("e2", "e4", release=False)
    s.wait_pieces("the pawn to leave e2 while it is dragged", lambda p: p[52] == ".")
    s.grab("dragging")
    s.key("Escape")
    wait_until("the pawn back on e2, or the program gone",
               lambda: not s.running() or s.pieces() == START)
    check(s.running(), "Esc during a drag closed the program")
    s.xdo("mouseup", 1)
    s.grab("after-escape")
    check(s.move_list() == [], f"the cancelled drag made a move: {s.move_list()}")

    # The game goes on: the window still takes moves.
    s.play("d2d4")
    check(s.move_list() == ["1. d2-d4"], f"move list {s.move_list()}")
    check(s.pieces()[52] == "w", "the pawn on e2 is gone")

    s.key("Escape")
    s.wait_exit("Esc without a drag to close the window")
    check(s.program.returncode == 0, f"the program ended with {s.program.returncode}")
