"""Save a game through the real file dialog, start a new game, load it back."""
import os

from e2e import START, check, occupancy, scenario, wait_until

MOVES = ["e2e4", "e7e5", "g1f3", "b8c6"]


@scenario
def run(s):
    s.start_program()
    s.play(*MOVES)
    played = s.move_list()
    game = s.wait_pieces("the game on the board", lambda p: p == occupancy(*MOVES))
    looks = s.board.signature(s.grab("played"))

    s.menu("Spielsteuerung", "Spielstand speichern")
    s.wait_dialog("Spielstand speichern")
    s.type("partie")  # the dialog opens in the home folder and adds ".spa"
    s.grab("save-dialog")
    s.key("Return")
    s.wait_dialog_gone("Spielstand speichern")
    saved = os.path.join(s.home, "partie.spa")
    wait_until(f"{saved} to be written", lambda: os.path.isfile(saved))
    check(os.path.getsize(saved) % 88 == 0, f"{saved} is {os.path.getsize(saved)} bytes")

    s.press("push button", "Neues Spiel")
    s.wait_pieces("the start position after 'Neues Spiel'", lambda p: p == START)
    wait_until("an empty move list", lambda: s.move_list() == [])

    s.menu("Spielsteuerung", "Spielstand laden")
    s.wait_dialog("Spielstand laden")
    s.type("partie.spa")
    s.key("Return")
    s.wait_dialog_gone("Spielstand laden")
    wait_until("the loaded moves in the list", lambda: s.move_list() == played)
    s.wait_pieces("the loaded game on the board", lambda p: p == game)
    check(s.board.signature(s.grab("loaded")) == looks, "the loaded position looks different")
    s.play("f1c4")  # the loaded game goes on
