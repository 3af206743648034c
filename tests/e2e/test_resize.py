"""Resizing by a few pixels, maximising and restoring keep the game, the whole board and the
right column in view."""
from e2e import check, extents, occupancy, scenario, wait_until

MOVES = ["e2e4", "e7e5"]


def inside(inner, outer):
    return (outer[0] <= inner[0] and outer[1] <= inner[1]
            and inner[2] <= outer[2] and inner[3] <= outer[3])


@scenario
def run(s):
    s.start_program()
    s.play(*MOVES)
    game = occupancy(*MOVES)

    def resize_by(dw, dh):
        def act():
            x, y, w, h = s.geometry()
            s.xdo("windowsize", s.win, w + dw, h + dh)
            return lambda: (lambda g: g[2:] == (w + dw, h + dh) or None)(s.geometry())
        return act

    before = []

    def maximise(on):
        def act():
            if on:
                before[:] = s.geometry()[2:]
            s.double_click_title()
            if on:
                return lambda: "MAXIMIZED_HORZ, _NET_WM_STATE_MAXIMIZED_VERT" in s.wm_state() \
                    or "MAXIMIZED_VERT, _NET_WM_STATE_MAXIMIZED_HORZ" in s.wm_state()
            return lambda: "MAXIMIZED" not in s.wm_state() and list(s.geometry()[2:]) == before
        return act

    steps = [("wider by 5, higher by 3", resize_by(5, 3)), ("narrower by 7", resize_by(-7, 0)),
             ("maximised", maximise(True)), ("restored", maximise(False)),
             ("maximised again", maximise(True)), ("restored again", maximise(False))]
    for what, act in steps:
        done = act()
        wait_until(f"the window {what}", done)
        s.wait_pieces(f"the game on the board, window {what}", lambda p: p == game, refind=True)
        s.grab(what.replace(" ", "-").replace(",", ""))
        check(len(s.move_list()) == len(MOVES), f"window {what}: move list {s.move_list()}")
        s.on_screen(s.frame_box(), f"the window {what}")
        win = s.window_box()
        check(inside(s.board.rect(), win), f"window {what}: the board {s.board.rect()} sticks out of {win}")
        for role, name in [("panel", "Spieler weiß"), ("push button", "Zugvorschlag"), ("list", None)]:
            x, y, w, h = extents(s.wait_find(role, name))
            check(inside((x, y, x + w, y + h), win), f"window {what}: {name or role} is cut off")
