"""The end-to-end harness: every case runs the real autorun.exe under Wine in a session of its
own (tools/wine) with a menu folder it writes, and checks what a user would see and what the
menu really did, through the screen, the registry, the programs it started and its exit code."""

import os
import shutil
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests", "support")]
import bmp  # noqa: E402
from wine.session import WINE64, Failure, Session, check, shared_prefix, wait_until, windows_path  # noqa: E402,F401

# Colours of the generated pictures; none of them is black, the colour of the empty screen.
BACK, BACK_EDGE, SCREEN = 0x2080C0, 0xFFFF00, 0x000000
NORMAL, HOVER, PRESSED, DISABLED = 0xC03030, 0x30C030, 0x3030C0, 0x808080
PICTURES = (("NABitmap", NORMAL), ("ABitmap", HOVER), ("PBitmap", PRESSED), ("DBitmap", DISABLED))
BUTTON_W, BUTTON_H = 100, 40
CASES = {}


def case(function=None, locale="C", x86=True, x64=False):
    """Registers a case under its name, those of hostile.py and from_page.py as hostile.NAME and
    from_page.NAME; @case(locale=...) runs Wine in that Unix locale, which sets the ANSI code
    page; @case(x64=True) registers it also as x64.NAME, which runs the 64-bit build of the same
    sources under Wine's 64-bit loader, and x86=False leaves out the 32-bit one."""
    def register(function):
        function.locale = locale
        module = function.__module__
        name = (module + "." if module in ("hostile", "from_page") else "") + function.__name__
        if x86:
            CASES[name] = function
        if x64:
            CASES["x64." + name] = function
        return function
    return register(function) if function else register


class Case(Session):
    """One case's session, menu folder and running menu; positions are in client coordinates
    once the menu is shown. mingw is the build folder of the programs, 64-bit ones with the
    loader WINE64."""

    def __init__(self, name, work, mingw, loader="wine", mingw64=None, locale="C"):
        super().__init__(os.path.join(work, "runs", name), base=shared_prefix(work), loader=loader,
                         locale=locale)
        self.mingw, self.log, self.menu = mingw, os.path.join(self.root, "programs.log"), None
        self.mingw64 = mingw64

    def __enter__(self):
        super().__enter__()
        self.env["AUTORUN_E2E_LOG"] = windows_path(self.log)
        # The pointer starts in the middle of the screen, where the menus are; a window that
        # appears under it gets a pointer move and shows hover before any test input.
        self.move(0, 0)
        self.warm_up()
        self.folder()
        return self

    # The menu folder.

    def folder(self, relative="menu"):
        """A fresh menu folder, with autorun.exe copied into it as a user copies it next to
        autorun.ini; the files written next go there."""
        self.dir = os.path.join(self.root, relative)
        os.makedirs(self.dir, exist_ok=True)
        shutil.copy(os.path.join(self.mingw, "autorun.exe"), self.dir)
        return self.dir

    def write(self, relative, content, folder=None):
        path = os.path.join(folder or self.dir, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode("latin-1"))
        return path

    def ini(self, text):
        """autorun.ini with the line ends a Windows editor writes."""
        return self.write("autorun.ini", "".join(l.strip() + "\r\n" for l in text.strip().split("\n")))

    def recorder(self, *names, folder=None, directions=""):
        """The recorder, which logs how it was started, copied under each name, with its
        directions beside it (lines sleep|ms, until|path, regset|key|name|text); the last path
        is returned."""
        for name in names:
            path = self.write(name, open(os.path.join(self.mingw, "e2e", "recorder.exe"), "rb").read(), folder)
            if directions:
                self.write(os.path.splitext(name)[0] + ".cfg", directions, folder)
        return path

    def standard(self, buttons, main="", registry="", start=True):
        """A menu of a framed 400 x 300 background and buttons of four one-colour pictures,
        started unless start is False: buttons is a list of (left, top, extra lines)."""
        self.write("back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
        for key, colour in PICTURES:
            self.write(key + ".bmp", bmp.solid(BUTTON_W, BUTTON_H, colour))
        lines = ["[Main]", "BackGround = back.bmp", "Buttons = %d" % len(buttons), main]
        lines += ["[Registry]\n" + registry] if registry else []
        for n, (left, top, extra) in enumerate(buttons, 1):
            lines += ["[Button%d]\nLeft = %d\nTop = %d" % (n, left, top)]
            lines += ["%s = %s.bmp" % (key, key) for key, _ in PICTURES] + [extra]
        self.ini("\n".join(l for l in lines if l))
        if start:
            self.launch()

    def hold(self):
        """A line of directions that keeps a recorder running until release() is called."""
        return "until|%s\r\n" % windows_path(os.path.join(self.root, "release"))

    def release(self):
        self.write("release", "", self.root)

    # The menu.

    def launch(self, shown=True, timeout=30):
        """Starts the menu in its folder; with shown, waits until its background is painted."""
        self.menu = self.start("autorun.exe", self.dir)
        _, self.ox, self.oy, _, _ = self.menu.window(timeout)
        if shown:
            self.wait_colour(self.ox + 200, self.oy + 1, BACK, "the background to be painted")
        return self.menu

    def point(self, x, y, *then):
        self.xdotool("mousemove", self.ox + x, self.oy + y, *then)

    def press(self, left, top):
        """A click 10 pixels into the button at (left, top)."""
        self.point(left + 10, top + 10, "click", 1)

    def colour(self, left, top):
        """The colour in the middle of the button at (left, top)."""
        return self.x.pixel(self.ox + left + BUTTON_W // 2, self.oy + top + BUTTON_H // 2)

    def expect(self, left, top, colour, what):
        self.wait_colour(self.ox + left + BUTTON_W // 2, self.oy + top + BUTTON_H // 2, colour, what)

    def client(self):
        return self.x.image(self.ox, self.oy, 400, 300)

    def check_screen(self, condition, message):
        check(condition, lambda: "%s; screen in %s" % (message, self.screenshot("failure")))

    def driver(self, *args, check_result=True):
        """driver.exe acts on the menu's window from another process."""
        return self.wine(os.path.join(self.mingw, "e2e", "driver.exe"), *args, check_result=check_result)

    def reader(self, *args):
        """The driver reading the menu through accessibility, as a screen reader: the 64-bit
        build under Wine's 64-bit loader, so that the 32-bit menu is read across processes of
        two kinds, as on 64-bit Windows, by a reader that runs natively here."""
        driver = os.path.join(self.mingw64 or "", "e2e", "driver.exe")
        check(os.path.isfile(driver), "%s is missing: build the 64-bit programs first (cmake --preset mingw64 "
              "&& cmake --build --preset mingw64)" % driver)
        return self.wine(driver, *args, loader=WINE64)

    def facts(self):
        """The menu window's rectangles, style and title as Win32 reports them to another process."""
        lines = dict(l.split(" ", 1) for l in self.driver("rects").stdout.decode("utf-8").splitlines())
        facts = {k: [int(v) for v in lines[k].split()] for k in ("window", "client", "origin")}
        return dict(facts, style=int(lines["style"], 16), title=lines["title"])

    def close(self):
        """Closes the menu as another program can; every case does so at its end unless the
        menu has ended. It must end with exit code 0."""
        self.driver("post", "16")
        self.exited()

    def exited(self):
        code, self.menu = self.menu.wait_exit(), None
        check(code == 0, "the menu ended with exit code %d, expected 0" % code)

    # The programs the menu started, as the recorder logged them.

    def started(self):
        """(program, command line, working directory, ended) of each start, in order; the menu
        folder shown as ~, the program and directory in lower case, without a final backslash."""
        starts, ends = [], set()
        # Only whole lines: the last piece is empty, or a line still being written.
        for line in (open(self.log, "rb").read().decode("utf-8").split("\r\n")[:-1]
                     if os.path.exists(self.log) else []):
            fields = line.split("\t")
            if fields[0] == "start" and len(fields) == 5:
                starts.append(fields[1:])
            elif fields[0] == "end" and len(fields) == 2:
                ends.add(fields[1])
        base = windows_path(self.dir) + "\\"
        short = lambda text: text.replace(base, "~\\").replace(base[:-1], "~")  # noqa: E731
        return [(short(exe).lower(), short(cmdline), short(cwd.rstrip("\\")).lower(), pid in ends)
                for pid, exe, cwd, cmdline in starts]

    def wait_started(self, count, timeout=15):
        return wait_until(lambda: len(self.started()) >= count and self.started(), timeout,
                          "%d program start(s) in the log" % count)

    def settle(self, left, top, expected):
        """Waits for the expected starts, then clicks the sentinel button at (left, top), which
        runs sentinel.exe, and waits for that start and for all programs to end: the menu handles
        input in order, so nothing earlier input asked for starts later. Returns the other starts."""
        others = lambda: [r[:3] for r in self.started() if not r[0].endswith("sentinel.exe")]  # noqa: E731
        before = len(self.started()) - len(others())
        wait_until(lambda: len(others()) >= expected, 15, "%d program start(s)" % expected)
        self.press(left, top)
        wait_until(lambda: len(self.started()) - len(others()) > before, 15, "the sentinel to start")
        wait_until(lambda: all(r[3] for r in self.started()), 15, "the programs to end")
        return others()


def filled(image, x, y, width, height, colour):
    """Whether every pixel of the screen rectangle has the colour."""
    return image.count(colour, x, y, x + width, y + height) == width * height


def main():
    """cases.py --work DIR --mingw DIR [--mingw64 DIR] NAME runs a case; the name prepare checks
    the programs and makes the shared Wine prefix. The cases x64.NAME run the 64-bit programs of
    the --mingw64 folder. cases.py --list prints the names of the cases."""
    args = sys.argv[1:]
    if args == ["--list"]:
        print("\n".join(CASES))
        return 0
    options = dict(zip(args[:-1:2], args[1:-1:2]))
    if (len(args) % 2 != 1 or not {"--work", "--mingw"} <= set(options) <= {"--work", "--mingw", "--mingw64"}
            or args[-1] not in list(CASES) + ["prepare"]):
        sys.stderr.write("usage: cases.py --list | --work DIR --mingw DIR [--mingw64 DIR] CASE\n")
        return 2
    name, work = args[-1], os.path.abspath(options["--work"])
    win64 = name.startswith("x64.")
    mingw = os.path.abspath(options.get("--mingw64", "") if win64 else options["--mingw"])
    started = time.monotonic()
    try:
        for program in ("autorun.exe", "e2e/recorder.exe", "e2e/driver.exe"):
            check(os.path.isfile(os.path.join(mingw, program)), "%s/%s is missing: build the Windows "
                  "programs first (cmake --preset %s && cmake --build --preset %s)" % (
                      mingw, program, *(["mingw64" if win64 else "mingw"] * 2)))
        if name == "prepare":
            shared_prefix(work)
        else:
            mingw64 = options.get("--mingw64") and os.path.abspath(options["--mingw64"])
            with Case(name, work, mingw, WINE64 if win64 else "wine", mingw64,
                      CASES[name].locale) as t:
                CASES[name](t)
                if t.menu is not None:
                    t.close()
            shutil.rmtree(t.root, ignore_errors=True)
    except Failure as failure:
        sys.stderr.write("FAIL %s: %s\n(files of the run kept in %s/runs/%s)\n" % (name, failure, work, name))
        return 1
    print("PASS %s (%.1f s)" % (name, time.monotonic() - started))
    return 0
