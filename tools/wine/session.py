"""Runs Windows programs under Wine on an X display of their own and acts on them as a user
does: an Xvfb display that Xvfb picks free, a Wine prefix, programs started in a folder, real
pointer input through xdotool, the screen read through a small X client, the registry through
`wine reg`. The end-to-end tests, scripts/demo and bench/run drive the menu with it.

A session ends only the processes it started: its Xvfb by process id and the Wine processes of
its own prefix through that prefix's wineserver."""

import fcntl
import glob
import os
import shutil
import signal
import subprocess
import tempfile
import time

from . import xclient

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
# Generous limits: under emulation a Wine process takes about half a second to start, and the
# machine may be busy with builds.
START_TIMEOUT = 30
STEP_TIMEOUT = 15
# A cloned prefix copies small files and the registry and links the other large ones (the
# system's DLLs, which nothing writes). The registry files are large too, but the wineserver
# rewrites them in place: linked, one case's registry would become the next case's base.
LINK_THRESHOLD = 64 * 1024
# Wine's loader for 64-bit programs alone; Debian keeps it out of the PATH. It runs natively
# also where 32-bit programs need an emulator.
WINE64 = shutil.which("wine64") or "/usr/lib/wine/wine64"


class Failure(Exception):
    """A check that failed; the message says what was expected and what was seen."""


def check(condition, message):
    """message may be a function, called only when the check fails (to save a screenshot)."""
    if not condition:
        raise Failure(message() if callable(message) else message)


def wait_until(condition, timeout, what, interval=0.02):
    """Polls condition until it returns a true value, which is returned; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def windows_path(unix_path):
    """The path as Wine's drive Z: shows it to Windows programs."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wine_environment(prefix, display="", locale="C"):
    """Wine takes the ANSI code page from the Unix locale: 1252 for C and en_US.UTF-8, 1251 for
    ru_RU.UTF-8. Its Unix file names are UTF-8 in every locale. Wine's own errors go to each
    program's log, which is kept with the files of a failed run: a program that fails for Wine's
    reasons says why there. AUTORUN_WINEDEBUG, when set, gives other debug channels (e.g.
    +ole,+rpc) to every program of the session."""
    debug = os.environ.get("AUTORUN_WINEDEBUG", "-all,err+all")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG=debug,
               DISPLAY=display, LC_ALL=locale,
               # No prompts to install the .NET and HTML engines, which nothing here uses.
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if not display:
        env.pop("DISPLAY")
    return env


def quiet(command, env, timeout=120):
    return subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout)


def prepare_prefix(prefix, log):
    """Makes the prefix with wineboot unless it exists."""
    env = wine_environment(prefix)
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        with open(log, "wb") as out:
            result = subprocess.run(["wineboot", "-i"], env=env, stdout=out, stderr=out, timeout=300)
        quiet(["wineserver", "-w"], env)
        check(result.returncode == 0 and os.path.exists(os.path.join(prefix, "system.reg")),
              "wineboot failed; see %s" % log)
    # The 32-bit half of Wine, when it runs through an emulator, does not find Wine's own fonts,
    # and captions then show letters instead of their buttons; a copy in the prefix is found.
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    for font in glob.glob("/usr/share/wine/fonts/*.ttf"):
        if not os.path.exists(os.path.join(fonts, os.path.basename(font))):
            shutil.copy(font, fonts)


def shared_prefix(work):
    """A base prefix below work, made on first use; concurrent callers wait on the lock while
    one of them makes it."""
    base, done = os.path.join(work, "prefix"), os.path.join(work, "prefix.done")
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, "prefix.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(done):
            shutil.rmtree(base, ignore_errors=True)
            prepare_prefix(base, os.path.join(work, "wineboot.log"))
            open(done, "w").close()
    return base


def clone_prefix(base, target):
    """A private copy of the base prefix: its own registry and wineserver, the system files
    shared through hard links."""
    for directory, subdirectories, files in os.walk(base):
        destination = os.path.normpath(os.path.join(target, os.path.relpath(directory, base)))
        os.makedirs(destination, exist_ok=True)
        for name in subdirectories + files:
            source, copy = os.path.join(directory, name), os.path.join(destination, name)
            if os.path.islink(source):
                os.symlink(os.readlink(source), copy)
            elif name in files:
                shared = os.path.getsize(source) >= LINK_THRESHOLD and not name.endswith(".reg")
                (os.link if shared else shutil.copy2)(source, copy)
        subdirectories[:] = [d for d in subdirectories if not os.path.islink(os.path.join(directory, d))]


def start_xvfb(folder):
    """An Xvfb of the screen size on a display number it picks free, its messages logged in
    folder; the process, with its display's number as .number."""
    read_end, write_end = os.pipe()
    with open(os.path.join(folder, "xvfb.log"), "wb") as log:
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp", "-br", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
    os.close(write_end)
    number, deadline = b"", time.monotonic() + START_TIMEOUT
    while not number.endswith(b"\n"):
        check(time.monotonic() < deadline and xvfb.poll() is None, "Xvfb did not start; see %s/xvfb.log" % folder)
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    check(number.strip().isdigit(), "Xvfb reported no display number")
    xvfb.number = int(number)
    return xvfb


def stop_xvfb(xvfb):
    """Ends an Xvfb of start_xvfb, killing it when it does not end within 10 s."""
    xvfb.terminate()
    try:
        xvfb.wait(10)
    except subprocess.TimeoutExpired:
        xvfb.kill()
        xvfb.wait()


class Session:
    """A display and a prefix for programs; a context manager. With base, the prefix is a fresh
    clone of that base prefix inside root; otherwise prefix is made once and kept. loader
    starts the programs: "wine", or WINE64 for a session of 64-bit programs only. Programs run
    in the Unix locale given."""

    def __init__(self, root, prefix=None, base=None, loader="wine", locale="C"):
        self.root, self.base, self.loader, self.locale = root, base, loader, locale
        self.prefix = prefix or os.path.join(root, "prefix")
        self.xvfb, self.x, self.programs = None, None, []

    def __enter__(self):
        self._end_leftovers()
        os.makedirs(self.root, exist_ok=True)
        if self.base:
            clone_prefix(self.base, self.prefix)
        else:
            prepare_prefix(self.prefix, os.path.join(self.root, "wineboot.log"))
        self._start_display()
        self.env = wine_environment(self.prefix, self.display, self.locale)
        return self

    def __exit__(self, *failure):
        for program in self.programs:
            program.kill()
        self._end_wine(self.prefix)
        if self.x is not None:
            self.x.close()
        if self.xvfb is not None:
            stop_xvfb(self.xvfb)
            os.remove(os.path.join(self.root, "xvfb.pid"))
        return False

    @staticmethod
    def _end_wine(prefix):
        if os.path.exists(os.path.join(prefix, "system.reg")):
            quiet(["wineserver", "-k"], wine_environment(prefix), 60)
            quiet(["wineserver", "-w"], wine_environment(prefix), 60)

    def _end_leftovers(self):
        """A run killed from outside may have left its Xvfb and Wine processes: ends those,
        found by the process id and the prefix that run recorded, and removes a cloned prefix."""
        pidfile = os.path.join(self.root, "xvfb.pid")
        try:
            pid = int(open(pidfile).read())
            if "Xvfb" in open("/proc/%d/cmdline" % pid).read():
                os.kill(pid, signal.SIGTERM)
        except (ValueError, OSError):
            pass
        self._end_wine(self.prefix)
        if self.base:
            shutil.rmtree(self.root, ignore_errors=True)

    def _start_display(self):
        self.xvfb = start_xvfb(self.root)
        with open(os.path.join(self.root, "xvfb.pid"), "w") as f:
            f.write(str(self.xvfb.pid))
        self.display = ":%d" % self.xvfb.number
        self.x = xclient.Display(self.xvfb.number)

    def warm_up(self):
        """Starts the prefix's wineserver, services and desktop with a window of Wine's own
        Notepad. In a fresh prefix, two Wine programs that start together while this happens
        can hang for many seconds; the tests start the menu and talk to it at once."""
        notepad = self.start("notepad.exe", self.root)
        try:
            notepad.window(START_TIMEOUT * 2)
        finally:
            notepad.kill()

    # Wine and its registry.

    def wine(self, *args, timeout=STEP_TIMEOUT * 4, check_result=True, loader=None):
        """Runs a program to its end, with the session's loader unless loader is given. Its
        output comes through files, not pipes: the command that finds the prefix's wineserver
        gone starts the prefix's services again, and they keep its standard error open long
        after it has ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            try:
                code = subprocess.run([loader or self.loader] + list(args), env=self.env,
                                      stdout=out, stderr=err, timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                code = None
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(args, code, out.read(), err.read())
        how = "did not end within %d s" % timeout if code is None else "failed with %d" % code
        check(code == 0 or (code is not None and not check_result), lambda: "wine %s %s: %s%s" % (
            " ".join(args), how, result.stderr.decode("utf-8", "replace")[-400:],
            "\nits output until then:\n" + result.stdout.decode("utf-8", "replace")[-800:] if code is None else ""))
        return result

    def reg_set(self, key, name, value):
        """A text value, written with reg.exe; name None is the key's default value."""
        self.wine("reg", "add", key, *(["/ve"] if name is None else ["/v", name]), "/t", "REG_SZ",
                  "/d", value, "/f")

    def reg_delete(self, key, name=None):
        """Removes a value, or with no name the whole key; nothing happens when it is missing."""
        self.wine("reg", "delete", key, *(["/v", name] if name else []), "/f", check_result=False)

    def reg_query(self, key, name):
        """The text of a value, or None when it does not exist."""
        result = self.wine("reg", "query", key, "/v", name, check_result=False)
        for line in result.stdout.decode("utf-8", "replace").splitlines() if result.returncode == 0 else []:
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def reg_import(self, text):
        """Several values at once: the text of a .reg file imported with reg.exe."""
        path = os.path.join(self.root, "import.reg")
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n\r\n" + text).replace("\n", "\r\n").encode("utf-16-le"))
        self.wine("reg", "import", windows_path(path))

    # Programs, input and the screen.

    def start(self, program, folder, *args):
        """Starts a Windows program in folder, as a user starts it there."""
        self.programs.append(Program(self, program, folder, args))
        return self.programs[-1]

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True, timeout=STEP_TIMEOUT)

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y):
        self.xdotool("mousemove", x, y, "click", 1)

    def window_named(self, title):
        """The first viewable top-level window of this title, or None."""
        return next(iter(self.x.top_level(name=title)), None)

    def screenshot(self, name):
        """The whole screen as a PNG file in the session's folder; the path is returned."""
        path = os.path.join(self.root, name + ".png")
        with open(path, "wb") as f:
            f.write(self.x.screenshot().png())
        return path

    def wait_colour(self, x, y, colour, what, timeout=STEP_TIMEOUT):
        try:
            wait_until(lambda: self.x.pixel(x, y) == colour, timeout, what)
        except Failure as failure:
            raise Failure("%s (pixel at %d,%d is %06x, expected %06x; screen saved as %s)" % (
                failure, x, y, self.x.pixel(x, y), colour, self.screenshot("failure")))


class Program:
    """A running Windows program, its output logged in the session's folder."""

    def __init__(self, session, program, folder, args):
        self.session, self.program = session, program
        self.output = open(os.path.join(session.root, "%s-%d.log" % (
            os.path.basename(program), len(session.programs))), "wb")
        # Under emulation this process is the emulator running Wine's loader running the
        # program; its id and its processor times are the program's.
        self.process = subprocess.Popen([session.loader, program] + [str(a) for a in args], cwd=folder,
                                        env=session.env, stdout=self.output, stderr=self.output)

    def window(self, timeout=START_TIMEOUT):
        """The program's X window, once it is mapped: (id, x, y, width, height)."""
        def mapped():
            check(self.running(), "%s ended with %s before showing a window" % (
                self.program, self.process.returncode))
            for window in self.session.x.top_level(os.path.basename(self.program)):
                # A window that went away since the listing has no geometry.
                box = self.session.x.geometry(window)
                if box and self.session.x.name(window) != "Default IME":
                    return (window,) + box
            return None
        return wait_until(mapped, timeout, "the window of %s" % self.program)

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=STEP_TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not end within %d s" % (self.program, timeout))

    def cpu_seconds(self):
        """User and system time the process has used so far."""
        with open("/proc/%d/stat" % self.process.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait()
        self.output.close()
