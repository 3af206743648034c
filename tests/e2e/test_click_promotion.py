"""Click-click through a whole short line up to a promotion: the piece chosen in
"Bauernwandel in ..." is the one that appears; clicks on empty or enemy squares between
change nothing."""
from e2e import check, index, scenario, wait_until

LINE = ["h2h4", "g7g5", "h4g5", "g8f6", "g5g6", "e7e6", "g6h7", "h8g8", "h7g8"]


@scenario
def run(s):
    s.start_program()
    s.find_board()
    s.press("radio button", "Springer")

    def click(square):
        s.click(*s.board.centre(square))

    # Refused first: an empty square, an enemy piece, and a target click with nothing selected.
    before = s.pieces()
    for square in ("e4", "e7", "e5"):
        click(square)
    check(s.pieces("after-refused-clicks") == before and s.move_list() == [],
          "a click on an empty or enemy square changed the game")

    for n, move in enumerate(LINE, 1):
        click(move[:2])
        click(move[2:])
        wait_until(f"{move} by clicks", lambda: len(s.move_list()) == n)
    s.wait_pieces("a white piece on g8", lambda p: p[index("g8")] == "w" and p[index("h7")] == ".")
    board = s.wait_find("table", "Schachbrett")
    g8 = board.queryTable().getAccessibleAt(0, 6)
    wait_until("a white knight on g8", lambda: g8.name == "g8, weißer Springer")
    s.grab("promoted")
