"""A check shows "Tavrel !"; Fool's mate played by hand shows the "Matt" message box."""
from e2e import START, check, scenario, wait_until

MATE = "      ******** Matt !!! ********      "


@scenario
def run(s):
    s.start_program()
    s.play("e2e4", "f7f5", "d1h5")
    wait_until('"Tavrel !" after the check', lambda: s.find("label", "Tavrel !"))
    s.grab("check")
    s.play("g7g6")
    wait_until('"Tavrel !" to go with the next move', lambda: not s.find("label", "Tavrel !"))

    s.press("push button", "Neues Spiel")
    s.wait_pieces("the start position", lambda p: p == START)
    s.play("f2f3", "e7e5", "g2g4")
    s.drag("d8", "h4")
    # The box's text exactly: the line above the board says "Matt" too.
    wait_until("the mate message", lambda: s.find("label", MATE))
    s.grab("mate")
    check(s.find("label", "Tavrel !"), 'no "Tavrel !" at the mate')
    s.key("Return")
    wait_until("the mate message to close", lambda: not s.find("label", MATE))
    check(s.move_list()[-1] == "\tDd8-h4+", f"last move {s.move_list()[-1]!r}")
    check(s.running(), "the program ended with the game")
