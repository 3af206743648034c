"""A working copy of the problem collection that the program refuses is kept aside, byte for
byte, before a stored problem replaces it; one it may not read is never replaced."""
import os
import re
import zlib

from e2e import PROGRAM, check, scenario, wait_until

NAME = "Nach der Panne"


def store_problem(s):
    """A new problem from the board, as a person enters it."""
    if not s.find("push button", "Lösung"):
        s.menu("Problemtavrel", "Tavrelprobleme")
        s.wait_find("push button", "Lösung", "the problem panel")
        s.menu("Problemtavrel", "Neues Problem eingeben")
    s.menu("Problemtavrel", "Spielfeld kopieren")
    name_field = s.find_all("text")[0]
    s.click_on(name_field)
    s.key("ctrl+a")
    s.type(NAME)
    s.press("push button", "Speichern")


def read(path):
    with open(path, "rb") as f:
        return f.read()


@scenario
def run(s):
    folder = os.path.join(s.data, "Orvanel 2014")
    working = os.path.join(folder, "mtavrel.c00")
    aside = working + ".defekt"
    os.makedirs(folder)
    # The user's collection followed by padding: more than the program reads.
    shipped = read(os.path.join(os.path.dirname(PROGRAM), "mtavrel.c00"))
    original = shipped + b"\0" * (18 << 20)
    with open(working, "wb") as f:
        f.write(original)

    s.start_program(first_message=re.compile(r"(?s).*größer als.*"))
    check(aside in s.start_message, f"the message does not name the kept copy: {s.start_message!r}")
    check(os.path.exists(aside) and read(aside) == original, "the refused collection was not kept aside")
    store_problem(s)
    wait_until("the stored problem in the working copy", lambda: os.path.getsize(working) < len(shipped))
    text = zlib.decompress(read(working)).decode("cp1252")
    check(text == f"0. {NAME}\r\n3\r\n" + text.split("\r\n")[2] + "\r\n", f"working copy holds {text!r}")
    check(read(aside) == original, "the kept copy changed when the problem was stored")
    s.grab("kept")

    if os.geteuid() == 0:
        return  # root reads every file; the unit tests cover a copy it may not read
    s.key("Escape")
    s.wait_exit()
    before = read(working)
    os.chmod(working, 0)
    try:
        s.start_program(first_message=re.compile(r"(?s).*keine Berechtigung.*"))
        store_problem(s)
        message = s.close_message(re.compile(r"(?s)Änderung nicht speicherbar.*"), "the refusal")
        check(working in message, f"the refusal does not say where the file is: {message!r}")
    finally:
        os.chmod(working, 0o600)
    check(read(working) == before, "the unreadable working copy was replaced")
