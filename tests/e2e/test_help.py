"""F1 opens the help at the main window's page, wholly on the screen; the about box closes with Esc."""
from e2e import check, scenario, wait_until


@scenario
def run(s):
    s.start_program()
    s.key("F1")
    wid, *_ = wait_until("the help window", lambda: (s.windows("Hilfe$") or [None])[0])
    help_box = wait_until("the help in the accessibility tree", lambda: s.find("filler", "Tavrel – Hilfe"))

    def page_text():
        for label in s.find_all("label", root=help_box):
            try:
                text = label.queryText().getText(0, -1)
            except NotImplementedError:
                continue
            if text:
                return text
        return None
    text = wait_until("the help page", page_text)
    s.grab("help")
    check("Tavrel – das Hauptfenster" in text, f"the help shows {text[:80]!r}")
    main = s.win
    s.win = wid
    s.on_screen(s.frame_box(), "the help window")
    s.win = main

    s.xdo("windowactivate", main)
    s.menu("?", "Info über ...")
    wait_until("the about box", lambda: s.windows(r"^Info über \.\.\.$"))
    s.grab("about")
    s.key("Escape")
    wait_until("the about box to close", lambda: not s.windows(r"^Info über \.\.\.$"))
    check(s.running(), "Esc in the about box closed the program")
    check(s.windows(), "the main window is gone")
