"""Drive the real program under a private X server, the way a person does.

Each scenario gets its own Xvfb (display chosen by -displayfd), openbox, a fresh HOME and
data folder, and the built program. Input is real X input through xdotool; what the test
checks is what a person sees: screenshots (read through XCB), window titles and geometry, texts
read from the accessibility tree (AT-SPI, read only), or files the program writes.

Each scenario also runs its own D-Bus session, so that its accessibility bus is its alone.
"""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

from PIL import Image, ImageGrab, ImageMath

# Loaded once the scenario's own session bus is up: pyatspi connects when it is imported.
pyatspi = Atspi = None

PROGRAM = os.environ.get("TAVREL_BIN", "")
ARTIFACTS = os.environ.get("TAVREL_E2E_ARTIFACTS", os.path.join(tempfile.gettempdir(), "tavrel-e2e"))

# Generous limits: the suite waits for what the screen shows, never for a fixed time.
TIMEOUT = float(os.environ.get("TAVREL_E2E_TIMEOUT", "45"))


class Failure(Exception):
    pass


def wait_until(what, condition, timeout=TIMEOUT, interval=0.1):
    """Poll `condition` until it returns something true; return that value."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"gave up after {timeout:.0f} s waiting for: {what}")
        time.sleep(interval)


def check(ok, what):
    if not ok:
        raise Failure(what)


# ---------------------------------------------------------------- board in a picture

class Picture:
    """A screenshot with masks of black pixels (piece outlines, grid) and near-white pixels.

    The grid mask also takes pure yellow and green, the highlight frames drawn over grid lines.
    """

    def __init__(self, img):
        self.img = img
        self._masks = None

    def _make_masks(self):
        if self._masks is None:
            r, g, b = self.img.split()
            dark = ImageMath.eval("convert((r+g+b) < 150, 'L')", r=r, g=g, b=b)
            white = ImageMath.eval("convert((r>235) & (g>235) & (b>235), 'L')", r=r, g=g, b=b)
            frames = ImageMath.eval("convert((g>230) & (b<40) & ((r>230) | (r<40)), 'L')",
                                    r=r, g=g, b=b)
            grid = ImageMath.eval("convert(a | b, 'L')", a=dark, b=frames)
            self._masks = dark, white, grid
        return self._masks

    @property
    def dark(self):
        return self._make_masks()[0]

    @property
    def white(self):
        return self._make_masks()[1]

    @property
    def grid(self):
        return self._make_masks()[2]

    def count(self, mask, box):
        return mask.crop(box).histogram()[1]


class Board:
    """Square area of the board found in a screenshot: top-left (x0, y0), square edge s."""

    def __init__(self, x0, y0, s, white_on_top=False):
        self.x0, self.y0, self.s, self.white_on_top = x0, y0, s, white_on_top

    def __repr__(self):
        return f"Board(x0={self.x0}, y0={self.y0}, square={self.s})"

    def rect(self):
        return (self.x0, self.y0, self.x0 + 8 * self.s, self.y0 + 8 * self.s)

    def _cell(self, square):
        f, r = ord(square[0]) - ord("a"), int(square[1]) - 1
        col, row = (7 - f, r) if self.white_on_top else (f, 7 - r)
        return self.x0 + col * self.s, self.y0 + row * self.s

    def centre(self, square):
        x, y = self._cell(square)
        return x + self.s // 2, y + self.s // 2

    def piece(self, pic, square):
        """'.' empty, 'w' white piece, 'b' black piece.

        The squares are textured wood, which is neither black nor near-white: a piece is told
        by its black outline and white body; a black piece is mostly black.
        """
        x, y = self._cell(square)
        m = max(3, self.s // 12)  # keep off the grid lines and highlight frames
        box = (x + m, y + m, x + self.s - m, y + self.s - m)
        area = (self.s - 2 * m) ** 2
        dark, white = pic.count(pic.dark, box), pic.count(pic.white, box)
        if dark + white < area * 0.01:
            return "."
        return "w" if white > dark // 2 else "b"

    def signature(self, pic):
        """Black and near-white pixel counts of every square: equal for equal pieces."""
        m = max(3, self.s // 12)
        cells = [self._cell(f"{f}{r}") for r in "87654321" for f in "abcdefgh"]
        return [(pic.count(pic.dark, (x + m, y + m, x + self.s - m, y + self.s - m)),
                 pic.count(pic.white, (x + m, y + m, x + self.s - m, y + self.s - m))) for x, y in cells]

    def pieces(self, pic):
        """64 characters a8..h8, a7..h1 of '.', 'w', 'b'."""
        return "".join(self.piece(pic, f"{f}{r}") for r in "87654321" for f in "abcdefgh")


START = "b" * 16 + "." * 32 + "w" * 16


def index(square):
    return "abcdefgh".index(square[0]) + 8 * (8 - int(square[1]))


def occupancy(*moves, start=START):
    """What the squares show after plain moves such as "e2e4" (no castling, no en passant)."""
    p = list(start)
    for m in moves:
        a, b = index(m[:2]), index(m[2:4])
        p[b], p[a] = p[a], "."
    return "".join(p)


def _runs(mask, vertical, min_len):
    """Runs of set pixels of at least min_len in each column (or row): {index: [(start, end)]}."""
    if vertical:
        mask = mask.transpose(Image.Transpose.TRANSPOSE)
    w, h = mask.size
    data = mask.tobytes()
    found = {}
    for a in range(h):
        spans = [m.span() for m in re.finditer(rb"\x01{%d,}" % min_len, data[a * w:(a + 1) * w])]
        if spans:
            found[a] = spans
    return found


def _nine_lines(runs):
    """Nine thin, equally spaced lines, each as long as eight squares: their positions.

    The length of a grid line gives the square size; the black screen background and the
    board's outer frame do not fit.
    """
    def line_at(a, s0, e0):
        return any(abs(s - s0) <= 2 and abs(e - e0) <= 2 for s, e in runs.get(a, ()))

    def thin(a, s0, e0):
        return not (line_at(a - 1, s0, e0) and line_at(a + 1, s0, e0)) and not line_at(a + 2, s0, e0)

    for a0 in sorted(runs):
        for s0, e0 in runs[a0]:
            step = round((e0 - s0 - 1) / 8)
            if step < 12 or line_at(a0 - 1, s0, e0) or not thin(a0, s0, e0):
                continue
            lines = [a0]
            for k in range(1, 9):
                hit = [a for a in (a0 + k * step, a0 + k * step - 1, a0 + k * step + 1)
                       if line_at(a, s0, e0) and thin(a, s0, e0)]
                if not hit:
                    break
                lines.append(hit[0])
            else:
                return lines, s0
    return None


def find_board(pic, box, white_on_top=False):
    """The board in a screenshot, from its nine dark vertical and horizontal lines in box."""
    grid = pic.grid.crop(box)
    v = _nine_lines(_runs(grid, True, 96))
    h = v and _nine_lines(_runs(grid, False, 96))
    if not h:
        return None
    (xs, top), (ys, left) = v, h
    if abs((xs[8] - xs[0]) - (ys[8] - ys[0])) > 2 or abs(top - ys[0]) > 2 or abs(left - xs[0]) > 2:
        return None
    return Board(box[0] + xs[0], box[1] + ys[0], (xs[8] - xs[0]) // 8, white_on_top)


# ---------------------------------------------------------------- accessibility (read only)

_noted = set()


def _note(e):
    """Say once what went wrong reading the accessibility tree (it reads as 'not found')."""
    text = f"{type(e).__name__}: {e}"
    if text not in _noted:
        _noted.add(text)
        print(f"AT-SPI: {text}", file=sys.stderr)


def _role(acc):
    try:
        return acc.getRoleName()
    except Exception as e:
        _note(e)
        return ""


def _name(acc):
    try:
        return acc.name or ""
    except Exception as e:
        _note(e)
        return ""


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception as e:
        _note(e)
        return False


def walk(acc, depth=0, visible=False):
    """The accessible and all below it; with visible, hidden parts are left out."""
    yield acc
    if depth > 20 or (visible and depth > 1 and not showing(acc)):
        return
    try:
        children = list(acc)
    except Exception as e:
        _note(e)
        return
    for c in children:
        if c is not None:
            yield from walk(c, depth + 1, visible)


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


# ---------------------------------------------------------------- the session

def _die_with_parent():
    # Xvfb, openbox and the program end with the scenario, however it ends.
    ctypes.CDLL("libc.so.6").prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Session:
    """One X server, one window manager, one account; the program started inside it."""

    def __init__(self, name):
        self.name = name
        # A folder of its own, so that two runs of the suite at once keep apart.
        os.makedirs(ARTIFACTS, exist_ok=True)
        self.art = tempfile.mkdtemp(prefix=f"{name}-", dir=ARTIFACTS)
        self.tmp = tempfile.mkdtemp(prefix="tavrel-e2e-")
        self.home = os.path.join(self.tmp, "home")
        self.data = os.path.join(self.tmp, "data")
        runtime = os.path.join(self.tmp, "run")
        os.makedirs(self.home)
        os.makedirs(runtime, mode=0o700)
        os.chmod(runtime, 0o700)
        self.env = dict(os.environ)
        self.env.update(HOME=self.home, XDG_DATA_HOME=self.data, XDG_RUNTIME_DIR=runtime,
                        XDG_CONFIG_HOME=os.path.join(self.tmp, "config"),
                        XDG_CACHE_HOME=os.path.join(self.tmp, "cache"))
        self.env.pop("DISPLAY", None)
        self.procs = []
        self.mark = None
        self.program = None
        self.win = None
        self.shots = 0
        self.last = None
        self.log = open(os.path.join(self.art, "log.txt"), "w")

    # -- processes
    def _spawn(self, argv, **kw):
        p = subprocess.Popen(argv, env=kw.pop("env", self.env), stdout=kw.pop("stdout", self.log),
                             stderr=subprocess.STDOUT, preexec_fn=_die_with_parent, **kw)
        self.procs.append(p)
        return p

    def start_bus(self):
        """A D-Bus session of this scenario's own; the accessibility bus it starts keeps its
        socket in this scenario's XDG_RUNTIME_DIR, apart from any other run."""
        global pyatspi, Atspi
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE)
        ready, _, _ = select.select([bus.stdout], [], [], TIMEOUT)
        address = bus.stdout.readline().decode().strip() if ready else ""
        if not address:
            raise Failure("dbus-daemon gave no address")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=address, XDG_RUNTIME_DIR=self.env["XDG_RUNTIME_DIR"])
        import pyatspi as _pyatspi
        from gi.repository import Atspi as _Atspi
        pyatspi, Atspi = _pyatspi, _Atspi
        # AT-SPI gives up on a call after 0.8 s by default; a busy program on a loaded
        # machine takes longer, and a lost answer would read as a missing control.
        Atspi.set_timeout(20000, 30000)

    def start_x(self, size="1280x1024"):
        r, w = os.pipe()
        # -noreset: the server would otherwise start afresh whenever its last client leaves.
        self._spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", f"{size}x24",
                     "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        text = b""
        end = time.monotonic() + TIMEOUT
        while not text.endswith(b"\n"):
            ready, _, _ = select.select([r], [], [], max(0.0, end - time.monotonic()))
            if not ready:
                raise Failure("Xvfb gave no display number")
            chunk = os.read(r, 64)
            if not chunk:
                raise Failure("Xvfb ended without a display")
            text += chunk
        os.close(r)
        self.env["DISPLAY"] = ":" + text.decode().strip()
        self.screen = tuple(int(v) for v in size.split("x"))
        # Mark the server as this scenario's, so that a failure can tell whether another X
        # server answered on the same number; this also waits until the server answers.
        self.mark = os.path.basename(self.tmp)
        wait_until("the X server to answer", lambda: subprocess.run(
            ["xprop", "-root", "-f", "_TAVREL_E2E", "8s", "-set", "_TAVREL_E2E", self.mark],
            env=self.env, capture_output=True, timeout=60).returncode == 0)
        check(self.display_is_ours(), f"display {self.env['DISPLAY']} answers for another X server")
        for _ in range(3):
            wm = self._spawn(["openbox", "--config-file", "/etc/xdg/openbox/rc.xml"])
            wait_until("openbox to manage the screen", lambda: wm.poll() is not None or "window id" in
                       self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]))
            if wm.poll() is None:
                return
            print(f"openbox ended at once (exit {wm.returncode}); starting it again", file=sys.stderr)
        raise Failure("openbox does not start")

    def display_is_ours(self):
        return f'"{self.mark}"' in self.run(["xprop", "-root", "_TAVREL_E2E"])

    def start_program(self, first_message=None, args=()):
        """Start the program (with command-line args); with first_message (a regex), a message box whose text matches
        it must come up first: its text is kept in start_message and the box is closed."""
        # The accessibility bus must be up before the program looks for it.
        pyatspi.Registry.getDesktop(0).childCount
        env = dict(self.env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.program = self._spawn([PROGRAM, *args], env=env)
        if first_message is not None:
            # Closed before the window is looked for: the box carries the program's title too.
            self.start_message = self.close_message(first_message, "the message at start-up")
        self.win = wait_until("the main window", self._main_window)
        self.board = wait_until("the board on the screen", self._board_now)
        wait_until("the program's menus in the accessibility tree", lambda: self.find("menu bar", ""))
        return self.board

    # A rich middlegame: even the fast search needs millions of nodes here at level 8 and more,
    # so the computer's thinking stays on the screen for many of the status line's 200 ms ticks.
    RICH_FEN = "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1"

    def start_program_at(self, fen):
        """Start the program on a position, given as a PGN file on the command line."""
        game = os.path.join(self.home, "stellung.pgn")
        with open(game, "w", encoding="utf-8") as f:
            f.write(f'[Event "Stellung"]\n[SetUp "1"]\n[FEN "{fen}"]\n\n*\n')
        return self.start_program(args=[game])

    def close_message(self, text, what="the message box"):
        """Wait for a message box whose text matches the regex, click its OK; return the text."""
        box = wait_until(what, lambda: self.find("label", text))
        message = box.name
        self.press("push button", "OK")
        wait_until(f"{what} to close", lambda: not self.find("label", text))
        return message

    def running(self):
        return self.program is not None and self.program.poll() is None

    def wait_exit(self, what="the program to end"):
        wait_until(what, lambda: not self.running())

    def stop_program(self):
        if self.running():
            self.program.terminate()
            try:
                self.program.wait(10)
            except subprocess.TimeoutExpired:
                self.program.kill()
                self.program.wait()

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.log.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def run(self, argv):
        r = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=60)
        return r.stdout

    def xdo(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env, check=True,
                       timeout=60, stdout=subprocess.DEVNULL)

    # -- windows
    def windows(self, title="^Tavrel$"):
        """Visible top-level windows with this title: [(id, x, y, w, h)], skipping Qt's 1x1 helpers."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", title])
        found = []
        for wid in out.split():
            g = self.geometry(wid)
            if g and g[2] > 1 and g[3] > 1:
                found.append((wid, *g))
        return found

    def geometry(self, wid=None):
        """(x, y, width, height) of the window's inside on the screen.

        xwininfo, because `xdotool getwindowgeometry` adds the frame offset twice under a
        reparenting window manager.
        """
        out = self.run(["xwininfo", "-id", str(wid or self.win)])
        v = [re.search(rf"{k}:\s+(-?\d+)", out) for k in
             ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        return tuple(int(m.group(1)) for m in v) if all(v) else None

    def _main_window(self):
        found = self.windows()
        return found[0][0] if len(found) == 1 else None

    def frame_extents(self):
        out = self.run(["xprop", "-id", str(self.win), "_NET_FRAME_EXTENTS"])
        m = re.search(r"= (\d+), (\d+), (\d+), (\d+)", out)
        return tuple(int(v) for v in m.groups()) if m else (0, 0, 0, 0)

    def on_screen(self, box, what):
        x0, y0, x1, y1 = box
        check(0 <= x0 and 0 <= y0 and x1 <= self.screen[0] and y1 <= self.screen[1],
              f"{what} is not wholly on the screen: {box}")

    def frame_box(self):
        """The window with its frame, as (left, top, right, bottom) on the screen."""
        x, y, w, h = self.geometry()
        left, right, top, bottom = self.frame_extents()
        return (x - left, y - top, x + w + right, y + h + bottom)

    def wait_dialog(self, title):
        """Wait until a window of this title is shown and a text field in it has the focus."""
        wait_until(f"the dialog {title!r}", lambda: self.windows(f"^{re.escape(title)}$"))
        wait_until(f"a text field in {title!r} to take the keyboard",
                   lambda: (lambda f: f and f.getRoleName() == "text")(self.focused()))

    def wait_dialog_gone(self, title):
        wait_until(f"the dialog {title!r} to close", lambda: not self.windows(f"^{re.escape(title)}$"))

    def double_click_title(self):
        """Double-click the title bar: openbox maximises or restores the window."""
        x, y, w, h = self.geometry()
        top = self.frame_extents()[2]
        self.xdo("mousemove", x + w // 2, y - max(1, top // 2), "click", "--repeat", 2, "--delay", 100, 1)

    def wm_state(self):
        return self.run(["xprop", "-id", str(self.win), "_NET_WM_STATE"])

    # -- pictures
    def grab(self, label=None):
        """Screenshot of the whole screen; kept as a file only under a label.

        Pillow reads the screen through XCB: the same pixels as ImageMagick's `import`, in a
        third of the time, which matters when the suite polls the screen.
        """
        img = ImageGrab.grab(xdisplay=self.env["DISPLAY"]).convert("RGB")
        self.last = img
        if label:
            self.shots += 1
            img.save(os.path.join(self.art, f"{self.shots:02d}-{label}.png"))
        return Picture(img)

    def window_box(self):
        x, y, w, h = self.geometry()
        return (max(0, x), max(0, y), min(self.screen[0], x + w), min(self.screen[1], y + h))

    def _board_now(self, white_on_top=False):
        return find_board(self.grab(), self.window_box(), white_on_top)

    def find_board(self, white_on_top=False):
        self.board = wait_until("the board on the screen", lambda: self._board_now(white_on_top))
        return self.board

    def pieces(self, label=None):
        """What the squares show: 64 characters of '.', 'w', 'b' from a8 to h1."""
        pic = self.grab(label)
        b = self.board
        crop = Picture(pic.img.crop(b.rect()))
        return Board(0, 0, b.s, b.white_on_top).pieces(crop)

    def wait_pieces(self, what, condition, refind=False):
        """Wait until the squares read from the screen satisfy condition(pieces).

        With refind, the board is looked for afresh in every screenshot (after the window
        changed its size, the board may move more than once).
        """
        def probe():
            pic = self.grab()
            if refind:
                board = find_board(pic, self.window_box())
                if not board:
                    return None
                self.board = board
            p = self.board.pieces(pic)
            return p if condition(p) else None
        return wait_until(what, probe)

    # -- input
    def click(self, x, y, button=1):
        self.xdo("mousemove", x, y, "click", button)

    def drag(self, src, dst, release=True):
        """Press on square src, move in steps to square dst, release there."""
        (x0, y0), (x1, y1) = self.board.centre(src), self.board.centre(dst)
        self.xdo("mousemove", x0, y0, "mousedown", 1)
        steps = 12
        for i in range(1, steps + 1):
            self.xdo("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        if release:
            self.xdo("mouseup", 1)

    def play(self, *moves):
        """Drag each move ("e2e4") and wait until the move list shows it, as a person would."""
        for m in moves:
            n = len(self.move_list())
            self.drag(m[:2], m[2:4])
            wait_until(f"{m} in the move list", lambda: len(self.move_list()) == n + 1)

    def key(self, *keys):
        self.xdo("key", *keys)  # no --clearmodifiers: it would let go of a held mouse button

    def type(self, text):
        self.xdo("type", "--delay", "20", text)

    # -- accessibility tree of this program
    def app(self):
        """The program's accessible, with nothing cached: this process serves no events, so
        a cached name or child list would never learn that the program changed it."""
        pid = self.program.pid
        for a in pyatspi.Registry.getDesktop(0):
            try:
                if a is not None and a.get_process_id() == pid:
                    a.set_cache_mask(Atspi.Cache.NONE)
                    a.clear_cache()
                    return a
            except Exception:
                pass
        return None

    def find(self, role, name=None, visible=True, root=None):
        """First accessible of this role (and name, a string or a regex) that is showing."""
        root = root or self.app()
        if root is None:
            return None
        for acc in walk(root, visible=visible):
            if _role(acc) != role:
                continue
            n = _name(acc)
            if name is not None and not (re.fullmatch(name, n) if isinstance(name, re.Pattern) else n == name):
                continue
            if visible and not showing(acc):
                continue
            return acc
        return None

    def find_all(self, role, visible=True, root=None):
        root = root or self.app()
        if root is None:
            return []
        return [a for a in walk(root, visible=visible) if _role(a) == role and (not visible or showing(a))]

    def wait_find(self, role, name=None, what=None, timeout=TIMEOUT):
        return wait_until(what or f"{role} {name!r}", lambda: self.find(role, name), timeout)

    def click_on(self, acc):
        x, y, w, h = extents(acc)
        self.click(x + w // 2, y + h // 2)

    def press(self, role, name):
        """Click the control a person would: a button, a radio button, a check box ..."""
        self.click_on(self.wait_find(role, name))

    def menu(self, *path):
        """Open menus by clicking their titles, then click the item."""
        self.press("menu item", path[0])
        for item in path[1:]:
            self.click_on(self.wait_find("menu item", item, f"menu item {item!r} on the screen"))

    def choose(self, group, item):
        """Click the radio button `item` in the group captioned `group`."""
        box = self.wait_find("panel", group)
        self.click_on(wait_until(f"{item!r} in {group!r}", lambda: self.find("radio button", item, root=box)))

    def set_level(self, level, name):
        """Type a level into the "Spielstufe" field, as a person would; wait for its name."""
        self.click_on(self.wait_find("spin button", None))
        self.key("ctrl+a")
        self.type(str(level))
        self.key("Return")
        wait_until(f"level {name!r}", lambda: self.find("label", name))

    def move_list(self):
        lst = self.move_list_box()
        return [_name(c) for c in lst] if lst else []

    def move_list_box(self):
        # The move list is the first list in the right column (the problem list comes later).
        lists = self.find_all("list")
        return lists[0] if lists else None

    def label_after(self, caption):
        """Text of the label that follows the label `caption` (the clock beside its title)."""
        labels = self.find_all("label")
        for a, b in zip(labels, labels[1:]):
            if _name(a) == caption:
                return _name(b)
        return None

    def focused(self):
        """The control with the keyboard focus. A list's current line says it is focused
        even after the list lost the focus, so lines are skipped: the list itself tells."""
        root = self.app()
        for acc in walk(root, visible=True) if root else ():
            try:
                if acc.getState().contains(pyatspi.STATE_FOCUSED) and _role(acc) not in (
                        "list item", "table cell"):
                    return acc
            except Exception:
                pass
        return None

    def texts(self, role="label"):
        return [_name(a) for a in self.find_all(role)]

    # -- what a screen reader is told, and what it can do
    def listen(self):
        """Collect what the program says: the labels of every notification it shows (the
        event Orca speaks wherever the focus is). Called before start_program, so that the
        program learns at start that someone listens."""
        self.said, self._heard = [], 0

        def shown(event):
            try:
                if event.source.getRoleName() == "notification":
                    self.said.append(" ".join(_name(c) for c in event.source))
            except Exception as e:
                _note(e)
        self._listener = shown  # pyatspi keeps a weak reference only
        pyatspi.Registry.registerEventListener(shown, "object:state-changed:showing")

    def wait_said(self, text, what=None):
        """Wait until the program says text (a string or a regex) after what it said last
        time this was asked; return it."""
        from gi.repository import GLib

        def heard():
            while GLib.MainContext.default().iteration(False):
                pass
            for i in range(self._heard, len(self.said)):
                t = self.said[i]
                if re.fullmatch(text, t) if isinstance(text, re.Pattern) else t == text:
                    self._heard = i + 1
                    return t
            return None
        try:
            return wait_until(what or f"the program to say {text!r}", heard)
        except Failure as e:
            raise Failure(f"{e}; it said {self.said[self._heard:]}") from None

    def act(self, acc, action=0):
        """Do an accessible's action (a button's press, a cell's press or focus)."""
        acc.queryAction().doAction(action)


def scenario(fn):
    """Run one scenario in a fresh session; keep its screenshots when it fails."""
    name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    if not PROGRAM or not os.access(PROGRAM, os.X_OK):
        print(f"TAVREL_BIN does not name the built program: {PROGRAM!r}")
        sys.exit(1)
    s = Session(name)
    ok = False
    try:
        s.start_bus()
        s.start_x()
        fn(s)
        ok = True
    except Exception:
        traceback.print_exc()
        try:
            if s.mark and not s.display_is_ours():
                print(f"{name}: the display {s.env['DISPLAY']} answered for another X server")
        except Exception:
            pass
        try:
            if s.last is not None:
                s.shots += 1
                s.last.save(os.path.join(s.art, f"{s.shots:02d}-last-seen.png"))
            s.grab("failure")
        except Exception:
            pass
    finally:
        s.close()
    if ok:
        if not os.environ.get("TAVREL_E2E_KEEP"):
            shutil.rmtree(s.art, ignore_errors=True)
        print(f"{name}: passed")
        sys.exit(0)
    print(f"{name}: FAILED; screenshots and the program's output are kept in {s.art}:")
    for f in sorted(os.listdir(s.art)):
        print("  " + os.path.join(s.art, f))
    sys.exit(1)
