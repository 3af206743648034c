"""Focus never moves the game; a click on a move-list line shows that position; take back and
replay with the buttons."""
from e2e import START, check, occupancy, scenario, wait_until

MOVES = ["e2e4", "e7e5", "g1f3"]
LIST = ["1. e2-e4", "\te7-e5", "2. Sg1-f3"]


@scenario
def run(s):
    s.start_program()
    s.play(*MOVES)
    check(s.move_list() == LIST, f"move list {s.move_list()}")
    final = s.wait_pieces("the final position", lambda p: p == occupancy(*MOVES))

    # Walk the focus through every control, forwards from the level field, then backwards.
    s.click_on(s.wait_find("spin button", None))
    seen = []
    for key in ["Tab"] * 16 + ["shift+Tab"] * 4:
        before = s.focused()
        s.key(key)
        now = wait_until(f"{key} to move the focus", lambda: (lambda f: f if f != before else None)(s.focused()))
        seen.append(f"{now.getRoleName()} {now.name!r}")
        p = s.pieces()
        if p != final or len(s.move_list()) != 3:
            s.grab("focus-moved-the-game")
            raise AssertionError(f"focus on {seen[-1]} changed the game (focus went {seen})")
    check(any(f.startswith("list ") for f in seen), f"the move list never had the focus: {seen}")
    s.grab("after-tabbing")

    s.click_on(s.move_list_box()[0])
    s.wait_pieces("the position after line 1", lambda p: p == occupancy(*MOVES[:1]))
    s.press("push button", "Zug zurück")
    s.wait_pieces("the start position after 'Zug zurück'", lambda p: p == START)
    for n in (1, 2, 3):
        s.press("push button", "Zug weiter")
        s.wait_pieces(f"the position after {n} moves", lambda p: p == occupancy(*MOVES[:n]))
    check(s.move_list() == LIST, f"replaying changed the move list: {s.move_list()}")
    s.play("b8c6")  # the game goes on
