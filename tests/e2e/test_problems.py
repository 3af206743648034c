"""Problem panel: solve a problem, stop a long solution, store a new problem that is still
there after a restart."""
import re

from e2e import check, scenario, wait_until

NAME = "Eigenes Problem"


def problem_list(s):
    for lst in s.find_all("list"):
        if lst.childCount and re.match(r"\d+\. ", lst[0].name or ""):
            return lst
    return None


def pick(s, pattern):
    lst = wait_until("the problem list", lambda: problem_list(s))
    item = next((c for c in lst if re.fullmatch(pattern, c.name or "")), None)
    check(item is not None, f"no problem {pattern!r} in {[c.name for c in lst][:5]}...")
    s.click_on(item)


def open_panel(s):
    s.menu("Problemtavrel", "Tavrelprobleme")
    s.wait_find("push button", "Lösung", "the problem panel")


@scenario
def run(s):
    s.start_program()
    open_panel(s)
    pick(s, r"0\. Morphy.*")
    wait_until("the problem's name above the board", lambda: s.find("label", re.compile(r"0\.Problem : .*")))
    s.press("push button", "Lösung")
    found = wait_until("the solution", lambda: s.find("label", re.compile(r"Matt in \d+ Züg(en)?|Matt in 1 Zug")))
    s.grab("solved")
    labels = s.texts()
    move = labels[labels.index(found.name) + 1]
    check(re.fullmatch(r"[KDTLS]?[a-h][1-8][-x][a-h][1-8].*", move), f"solution move {move!r} is not German")

    # A new problem from the board, stored, and found again after a restart.
    s.press("push button", "Neues Spiel")
    s.menu("Problemtavrel", "Neues Problem eingeben")
    s.menu("Problemtavrel", "Spielfeld kopieren")
    name_field, count_field = s.find_all("text")[:2]
    s.click_on(name_field)
    s.type(NAME)
    s.press("push button", "Speichern")
    wait_until("the new problem in the list", lambda: any(NAME in (c.name or "") for c in problem_list(s)))
    s.grab("stored")
    # A long solution is stopped with "Abbruch!": the start position has no mate in 8 moves,
    # and proving that takes far longer than any machine needs to stop it.
    pick(s, r"0\. .*")
    s.key("End")  # the stored problem is the last one, chosen with the keyboard
    wait_until("the stored problem above the board", lambda: s.find("label", re.compile(rf"\d+\.Problem :.*{NAME}.*", re.S)))
    s.click_on(s.find_all("spin button")[-1])
    s.key("ctrl+a")
    s.type("8")
    wait_until("8 moves to solve", lambda: s.find_all("spin button")[-1].queryText().getText(0, -1) == "8")
    s.press("push button", "Lösung")
    s.press("push button", "Abbruch!")
    wait_until("the stopped solution", lambda: s.find("label", "keine Lösung gefunden")
               and s.find("push button", "Lösung"))
    s.grab("stopped")
    s.key("Escape")
    s.wait_exit()
    s.start_program()
    open_panel(s)
    pick(s, rf"\d+\. {NAME}")
