"""Runs the built demo menu under Wine: PYTHONPATH=tools python3 -m wine.demo [--headless],
after scripts/demo has built everything. With a usable display the menu opens there for the user;
without one (or with --headless) it runs on a virtual display, plays a short pointer journey,
checks every step on the screen, saves screenshots and closes again."""

import os
import shutil
import subprocess
import sys

from .session import Failure, Session, check, prepare_prefix, quiet, wait_until, wine_environment

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DEMO = os.path.join(ROOT, "build", "demo")
MENU, SHOTS, WORK = (os.path.join(DEMO, d) for d in ("menu", "screenshots", "work"))
TITLE = "Autorun Menu Demo"
KEYS = {"normal": "NABitmap", "hover": "ABitmap", "pressed": "PBitmap", "disabled": "DBitmap"}


def say(text):
    print("demo: " + text, flush=True)


def assemble():
    """The menu folder: the demo's files, its pictures as built, the menu and the installer."""
    for folder in (MENU, SHOTS, WORK):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    for name in ("autorun.ini", "autorun.inf", "readme.txt"):
        shutil.copy(os.path.join(ROOT, "examples", "demo", name), MENU)
    shutil.copytree(os.path.join(ROOT, "build", "native", "demo"), MENU, dirs_exist_ok=True,
                    ignore=shutil.ignore_patterns("pictures.stamp"))
    for program in ("autorun.exe", os.path.join("demo", "setup.exe")):
        shutil.copy(os.path.join(ROOT, "build", "mingw", program), MENU)
    say("the menu folder is " + MENU)


def ini(section, key):
    """What the menu reads for key in [section], asked of the menu's own code."""
    return subprocess.run([os.path.join(ROOT, "build", "native", "autorun-sim"), "--dir", MENU, "query",
                           section, key], check=True, capture_output=True, text=True).stdout.rstrip("\n")


def picture(section, key):
    """(width, height, pixels) of the picture that key in [section] names, read by ImageMagick."""
    data = subprocess.run(["convert", os.path.join(MENU, *ini(section, key).split("\\")), "-depth", "8", "ppm:-"],
                          check=True, capture_output=True).stdout
    _, width, height, _, pixels = data.split(maxsplit=4)
    width, height = int(width), int(height)
    return width, height, [int.from_bytes(pixels[i:i + 3], "big") for i in range(0, 3 * width * height, 3)]


def prepare_registry(run):
    """Each run starts as on a machine where the demo was never installed. Windows opens text
    files with Notepad; a fresh prefix knows Notepad but does not tie .txt to it, and Read me
    would open nothing."""
    run("reg", "add", "HKCR\\.txt", "/ve", "/d", "txtfile", "/f")
    run("reg", "delete", "HKCU\\Software\\AutorunMenuDemo", "/f")


def interactive(prefix):
    prepare_prefix(prefix, os.path.join(WORK, "wineboot.log"))
    env = wine_environment(prefix, os.environ["DISPLAY"])
    run = lambda *args: quiet(["wine"] + list(args), env)  # noqa: E731
    prepare_registry(run)
    # Leave window decorations to the desktop's window manager.
    run("reg", "delete", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Decorated", "/f")
    say("the menu is open on %s; close it with its Close button" % os.environ["DISPLAY"])
    with open(os.path.join(WORK, "wine.log"), "wb") as log:
        subprocess.run(["wine", "autorun.exe"], cwd=MENU, env=env, stdout=log, stderr=log)
    say("the menu closed")


class Journey:
    """The headless run: every check reads one grabbed frame, so that a screenshot shows
    exactly what was checked (the menu draws its background and then each button straight onto
    the window, and a grab in between would catch a half-drawn menu)."""

    def __init__(self, session):
        self.s, self.shots = session, 0
        self.back_w, self.back_h, _ = picture("Main", "BackGround")
        # Every picture a frame is compared with is read before the menu starts: the windows
        # of the installer and of the demo program stay only a few seconds.
        self.buttons = {}
        for n in range(1, int(ini("Main", "Buttons")) + 1):
            section = "Button%d" % n
            self.buttons[n] = (int(ini(section, "Left")), int(ini(section, "Top")),
                               {state: picture(section, key) for state, key in KEYS.items()})

    def window(self, title, timeout=20):
        return wait_until(lambda: self.s.window_named(title), timeout, "a window titled %r" % title)

    def gone(self, title, timeout=30):
        wait_until(lambda: not self.s.window_named(title), timeout, "the window %r to close" % title)

    def close_held(self, window, when):
        """Clicks a held window of the demo's setup or program, which closes it once its work
        is done."""
        x, y, w, h = self.box(window, when)
        self.s.click(x + w // 2, y + h // 2)

    def box(self, window, when):
        """(x, y, width, height) of a window of the journey, which must still be there: no
        frame can show a window that has gone."""
        box = self.s.x.geometry(window)
        check(box is not None, "the window %#x closed %s" % (window, when))
        return box

    def locate_client(self):
        """The client area sits in the frame with equal borders left, right and below and the
        caption above; the window is fitted to the background only after it has appeared, so
        this is asked again for every frame. The menu window's box is returned."""
        x, y, w, h = menu = self.box(self.menu_window, "while the journey was still under way")
        border = (w - self.back_w) // 2
        self.cx, self.cy = x + border, y + h - self.back_h - border
        return menu

    def button_shows(self, number, state):
        left, top, pictures = self.buttons[number]
        w, h, pixels = pictures[state]
        return self.frame.crop(self.cx + left, self.cy + top, w, h).pixels == pixels

    def frame_shows(self, what, buttons, windows):
        """Grabs the smallest rectangle of the screen that holds the menu and the windows, each
        given as (window, px, py, colour), and tells whether it shows every button in its state
        and in every window that colour at (px, py), a negative coordinate counted from the
        window's right or bottom edge."""
        boxes = [self.locate_client()] + [self.box(window, "before a frame showed it (%s)" % what)
                                          for window, _, _, _ in windows]
        x0, y0 = max(0, min(b[0] for b in boxes)), max(0, min(b[1] for b in boxes))
        x1 = min(self.s.x.width, max(b[0] + b[2] for b in boxes))
        y1 = min(self.s.x.height, max(b[1] + b[3] for b in boxes))
        self.frame = self.s.x.image(x0, y0, x1 - x0, y1 - y0)
        return (all(self.button_shows(n, state) for n, state in buttons.items())
                and all(self.frame.at(x + px % w, y + py % h) == colour
                        for (x, y, w, h), (_, px, py, colour) in zip(boxes[1:], windows)))

    def expect(self, what, buttons, windows=()):
        """Waits for a frame that shows every button in its state and every window's pixel."""
        wait_until(lambda: self.frame_shows(what, buttons, windows), 20,
                   "a frame showing %s %s (%s)" % (buttons, list(windows), what), interval=0.2)

    def point(self, number):
        """The pointer to the middle of the button."""
        left, top, pictures = self.buttons[number]
        w, h, _ = pictures["normal"]
        self.s.move(self.cx + left + w // 2, self.cy + top + h // 2)

    def shot(self, name):
        """The last frame, which holds the menu and the windows it was checked for."""
        self.shots += 1
        path = os.path.join(SHOTS, "%02d-%s.png" % (self.shots, name))
        with open(path, "wb") as f:
            f.write(self.frame.png())
        say("screenshot " + path)

    def play(self):
        s = self.s
        # The demo's setup and program close by themselves a few seconds after they start; on a
        # busy machine that can be before a frame has shown them. Held, each stays until the
        # journey clicks it.
        s.env = dict(s.env, AUTORUN_DEMO_HOLD="1")
        menu = s.start("autorun.exe", MENU)
        self.menu_window = self.window(TITLE, 60)
        # Buttons: 1 Install demo, 2 Read me, 3 Start demo, 4 Close.
        self.expect("at start", {1: "normal", 2: "normal", 3: "disabled", 4: "normal"})
        say("menu window %#x; its %dx%d client area at %d,%d" % (
            self.menu_window, self.back_w, self.back_h, self.cx, self.cy))
        self.shot("menu")
        self.point(1)
        self.expect("pointer over Install demo", {1: "hover", 2: "normal", 3: "disabled", 4: "normal"})
        self.shot("hover-install")
        s.xdotool("click", 1)
        setup = self.window(TITLE + " Setup")
        self.expect("while setup.exe runs", {1: "pressed", 2: "normal", 3: "disabled", 4: "normal"},
                    [(setup, 8, -8, 0xF4F7FB)])
        self.shot("installing")
        self.close_held(setup, "before the journey could close setup")
        self.gone(TITLE + " Setup")
        self.expect("after the rebuild", {1: "disabled", 2: "normal", 3: "normal", 4: "normal"})
        self.shot("installed")
        self.point(2)
        s.xdotool("click", 1)
        # Notepad opens at the top left corner of the screen, over much of the menu, often
        # before a frame with the pressed Read me could be grabbed; the menu shows it again
        # once Notepad closes.
        notepad = self.window("readme.txt - Notepad", 30)
        self.expect("after opening readme.txt", {}, [(notepad, -40, -60, 0xFFFFFF)])
        self.shot("readme")
        nx, ny, nw, _ = self.box(notepad, "before the journey could close it")
        s.click(nx + nw - 14, ny + 12)  # the close box at the right end of Notepad's caption
        self.gone("readme.txt - Notepad", 20)
        # The pointer has not been over the menu since the click, so the repaint shows Read me
        # pressed.
        self.expect("after Notepad closed", {1: "disabled", 2: "pressed", 3: "normal", 4: "normal"})
        self.point(3)
        self.expect("pointer over Start demo", {1: "disabled", 2: "normal", 3: "hover", 4: "normal"})
        s.xdotool("click", 1)
        program = self.window(TITLE + " Program")
        self.expect("after starting the demo program", {1: "disabled", 2: "normal", 3: "pressed", 4: "normal"},
                    [(program, 8, -8, 0xF4F7FB)])
        self.shot("program")
        self.close_held(program, "before the journey could close it")
        self.gone(TITLE + " Program")
        self.point(4)
        self.expect("pointer over Close", {4: "hover"})
        s.xdotool("click", 1)
        code = menu.wait_exit(20)
        check(code == 0, "the menu exited with %s" % code)
        say("the menu closed with exit code 0; screenshots are in " + SHOTS)


def headless(prefix):
    with Session(WORK, prefix=prefix) as session:
        say("virtual display " + session.display)
        prepare_registry(lambda *args: session.wine(*args, check_result=False))
        # Without a window manager Wine draws the window's caption itself only when told to.
        session.reg_set("HKCU\\Software\\Wine\\X11 Driver", "Decorated", "N")
        Journey(session).play()


def main(args):
    if args not in ([], ["--headless"]):
        sys.stderr.write("usage: scripts/demo [--headless]\n")
        return 2
    assemble()
    prefix = os.path.join(DEMO, "wineprefix")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        say("creating the Wine prefix %s (once)" % prefix)
    display = os.environ.get("DISPLAY")
    if not args and display and subprocess.run(["xdpyinfo"], capture_output=True).returncode == 0:
        interactive(prefix)
        return 0
    try:
        headless(prefix)
    except Failure as failure:
        sys.stderr.write("demo: %s\n" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
