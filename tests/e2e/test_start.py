"""Start: start position, German menus, running clock, data folder with its problems."""
import os
import re

from e2e import START, check, scenario, wait_until

MENUS = ["Datei", "Spielsteuerung", "Problemtavrel", "Varianten", "Eröffnungen", "?"]
GAME_MENU = ["Neues Spiel", "Abbruch des automatischen Spiels", "Zug ausführen", "1 Zug zurück",
             "1 Zug vorwärts", "Spielstand speichern", "Spielstand laden", "Zugliste drucken",
             "Zugvorschlag markieren", "Letzten Zug markieren", "Tonausgabe bei Computerzug"]


@scenario
def run(s):
    s.start_program()
    x, y, w, h = s.geometry()
    check(0 <= x and 0 <= y and x + w <= s.screen[0] and y + h <= s.screen[1],
          f"window not wholly on the screen: {w}x{h}+{x}+{y}")
    check(s.pieces("start") == START, "the board does not show the start position")

    bar = s.wait_find("menu bar", "")
    # Features beyond these menus go into "Extras" only.
    menus = [c.name for c in bar if c.name != "Extras"]
    check(menus == MENUS, f"menus are {[c.name for c in bar]}")
    s.menu("Spielsteuerung")
    popup = wait_until("the game menu to open", lambda: s.find("popup menu"))
    items = [c.name for c in popup if c.getRoleName() == "menu item"]
    s.grab("game-menu")
    check(items == GAME_MENU, f"game menu items are {items}")
    s.key("Escape")
    wait_until("the game menu to close", lambda: not s.find("popup menu"))
    check(s.running(), "Esc in an open menu closed the program")

    for caption in ["Spieler weiß", "Spieler schwarz"]:
        check(s.find("panel", caption), f"no group {caption!r}")
    clock = re.compile(r"\d+:\d\d")
    check(clock.fullmatch(s.label_after("Zeit für Schwarz") or ""), "no clock for black")
    wait_until("white's clock to run", lambda: s.label_after("Zeit für Weiß") not in (None, "0:00", "0:01"))

    folder = os.path.join(s.data, "Orvanel 2014")
    check(os.path.getsize(os.path.join(folder, "mtavrel.c00")) > 0, f"no problem file in {folder}")
