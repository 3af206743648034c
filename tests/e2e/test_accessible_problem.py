"""A mate in two from the problem collection, solved with only what the accessibility tree
offers: the menu item's and buttons' actions, the cells' focus action, typed moves and the
cursor keys; the solver's answer and the mate are said."""
import re

from e2e import scenario, wait_until


@scenario
def run(s):
    s.listen()
    s.start_program()
    s.act(wait_until("the menu item", lambda: s.find("menu item", "Tavrelprobleme", visible=False)))
    problems = s.wait_find("list", "Probleme")
    first = wait_until("the first problem", lambda: problems.childCount and problems[0])
    wait_until("the first problem chosen", lambda: first.name == "0. Morphy, Paris 1858"
               and s.find("label", re.compile(r"0\.Problem :\s+Morphy, Paris 1858\s*")))
    board = s.wait_find("table", "Schachbrett")

    def cell(square):
        return board.queryTable().getAccessibleAt(8 - int(square[1]), ord(square[0]) - ord("a"))

    wait_until("the problem on the board", lambda: cell("b3").name == "b3, weiße Dame")
    s.act(s.wait_find("push button", "Lösung"))
    s.wait_said(re.compile(r"Matt in 2 Zügen: Db3-b8.*"))
    s.act(cell("b3"), 1)  # the focus, with the cursor on b3
    s.type("Db8")
    s.key("Return")
    s.wait_said("Weiß: Dame b3 nach b8, Schach")
    s.type("Sxb8")
    s.key("Return")
    s.wait_said("Schwarz: Springer d7 nach b8, schlägt Dame")
    # The mate with the cursor: pick up on d1, seven squares up, put down.
    s.act(cell("d1"), 1)
    s.key("Return", *["Up"] * 7, "Return")
    s.wait_said("Weiß: Turm d1 nach d8, schachmatt. Matt – Weiß gewinnt")
    s.act(s.wait_find("push button", "OK"))
    wait_until("the box closed", lambda: not s.find("push button", "OK"))
