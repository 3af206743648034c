"""Print the move list into a PDF file chosen in the print dialog, then the window."""
import os
import subprocess

from e2e import check, scenario, wait_until

PRINT = ("Print", "Drucken")  # the dialog's own button, in English or German Qt texts


def print_to(s, menu, item, pdf):
    s.menu(menu, item)
    dialog = wait_until("the print dialog", lambda: s.find("dialog", None))
    field = wait_until("the output file field", lambda: s.find("text", None, root=dialog))
    s.click_on(field)
    s.key("ctrl+a")
    s.type(pdf)
    s.grab(f"dialog-{os.path.basename(pdf)}")
    button = next(b for b in s.find_all("push button", root=dialog) if b.name in PRINT)
    s.click_on(button)
    wait_until(f"{pdf} to be written", lambda: os.path.isfile(pdf) and os.path.getsize(pdf) > 0
               and not s.find("dialog", None))
    info = wait_until(f"{pdf} to be complete",
                      lambda: subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout)
    check("Pages:" in info, f"{pdf} is no PDF: {info}")


@scenario
def run(s):
    s.start_program()
    s.play("e2e4", "e7e5", "g1f3")

    moves = os.path.join(s.home, "zugliste.pdf")
    print_to(s, "Spielsteuerung", "Zugliste drucken", moves)
    text = subprocess.run(["pdftotext", moves, "-"], capture_output=True, text=True).stdout
    for move in ["e2-e4", "e7-e5", "Sg1-f3"]:
        check(move in text, f"{move} is not in the printed move list: {text!r}")

    # The window printout has no dialog of its own: it goes where the dialog last chose.
    kept = os.path.join(s.home, "zugliste-1.pdf")
    os.rename(moves, kept)
    s.menu("Datei", "Fenster drucken")
    wait_until(f"{moves} to be written again", lambda: os.path.isfile(moves) and subprocess.run(
        ["pdfinfo", moves], capture_output=True, text=True).stdout)
    images = subprocess.run(["pdfimages", "-list", moves], capture_output=True, text=True).stdout
    check(len(images.splitlines()) > 2, f"no picture of the window in {moves}: {images!r}")
    check(s.running(), "the program ended")
