"""The end-to-end harness: the real autorun.exe under Wine on a virtual X display of its own,
driven with real pointer input and observed through the screen, the registry, the programs it
starts and its exit code.

Every test runs in a session of its own: an Xvfb display that Xvfb picks free, a Wine prefix
cloned from one base prefix (created once, under a lock, since tests may run in parallel) and
a folder below the build tree. The session ends only the processes it started: its Xvfb by
process id and the Wine processes of its own prefix through that prefix's wineserver."""

import fcntl
import os
import shutil
import signal
import subprocess
import sys
import time

import xclient

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768
# Generous limits: under emulation a Wine process takes about half a second to start, and the
# machine may be busy with builds.
START_TIMEOUT = 30
STEP_TIMEOUT = 15
# A small file is copied into a cloned prefix, a larger one (the system's DLLs, which nothing
# writes) is linked.
LINK_THRESHOLD = 64 * 1024


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


def wine_environment(prefix, display):
    env = dict(os.environ)
    env.update(
        WINEPREFIX=prefix,
        WINEDEBUG="-all",
        # No prompts to install the .NET and HTML engines.
        WINEDLLOVERRIDES="mscoree,mshtml=",
        DISPLAY=display,
        LC_ALL="C",
    )
    return env


def ensure_base_prefix(work):
    """The base Wine prefix, made with wineboot on first use. Concurrent tests wait on the lock
    while one of them makes it."""
    base = os.path.join(work, "prefix")
    done = os.path.join(work, "prefix.done")
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, "prefix.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(done):
            return base
        shutil.rmtree(base, ignore_errors=True)
        env = wine_environment(base, "")
        env.pop("DISPLAY")
        log = open(os.path.join(work, "wineboot.log"), "wb")
        result = subprocess.run(["wineboot", "-i"], env=env, stdout=log, stderr=log, timeout=300)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        check(result.returncode == 0, "wineboot failed; see %s/wineboot.log" % work)
        check(os.path.exists(os.path.join(base, "system.reg")), "wineboot made no registry")
        open(done, "w").close()
        return base


def clone_prefix(base, target):
    """A private copy of the base prefix: its own registry and wineserver, the system files
    shared through hard links."""
    for directory, subdirectories, files in os.walk(base):
        relative = os.path.relpath(directory, base)
        destination = os.path.normpath(os.path.join(target, relative))
        os.makedirs(destination, exist_ok=True)
        for name in subdirectories + files:
            source = os.path.join(directory, name)
            copy = os.path.join(destination, name)
            if os.path.islink(source):
                os.symlink(os.readlink(source), copy)
            elif name in files:
                if os.path.getsize(source) >= LINK_THRESHOLD:
                    os.link(source, copy)
                else:
                    shutil.copy2(source, copy)
        subdirectories[:] = [d for d in subdirectories if not os.path.islink(os.path.join(directory, d))]


def check_programs(mingw):
    for program in ("autorun.exe", "e2e/recorder.exe", "e2e/driver.exe", "e2e/blank.exe"):
        path = os.path.join(mingw, program)
        check(os.path.isfile(path),
              "%s is missing: build the Windows programs first "
              "(cmake --preset mingw && cmake --build --preset mingw)" % path)


class Session:
    """One test's display, prefix and folders. Use as a context manager."""

    def __init__(self, name, work, mingw):
        self.name = name
        self.work = work
        self.mingw = mingw
        self.root = os.path.join(work, "runs", name)
        self.xvfb = None
        self.x = None
        self.menus = []
        self.prefix = None

    # Setting up and tearing down.

    def __enter__(self):
        check_programs(self.mingw)
        self._clean_leftovers()
        base = ensure_base_prefix(self.work)
        os.makedirs(self.root)
        self.prefix = os.path.join(self.root, "prefix")
        clone_prefix(base, self.prefix)
        self._start_display()
        self.env = wine_environment(self.prefix, self.display)
        self.log_path = os.path.join(self.root, "programs.log")
        self.env["AUTORUN_E2E_LOG"] = windows_path(self.log_path)
        # The pointer starts in the middle of the screen, where the menus are; a window that
        # appears under it gets a pointer move and shows hover before any test input.
        self.move(0, 0)
        self._warm_up()
        return self

    def _warm_up(self):
        """Starts the prefix's wineserver, services and desktop with a window of a program of
        ours. In a fresh prefix, two Wine programs that start together while this happens can
        hang for many seconds; the tests start the menu and talk to it at once."""
        blank = subprocess.Popen(["wine", os.path.join(self.mingw, "e2e", "blank.exe"), "10", "10", "1"],
                                 cwd=self.root, env=self.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            wait_until(lambda: self.x.top_level("blank.exe"), START_TIMEOUT * 2, "Wine to start up")
        finally:
            blank.kill()
            blank.wait()

    def __exit__(self, kind, value, trace):
        for menu in self.menus:
            menu.kill()
        if self.prefix is not None:
            subprocess.run(["wineserver", "-k"], env=wine_environment(self.prefix, ""),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
            subprocess.run(["wineserver", "-w"], env=wine_environment(self.prefix, ""),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.x is not None:
            self.x.close()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        pidfile = os.path.join(self.root, "xvfb.pid")
        if os.path.exists(pidfile):
            os.remove(pidfile)
        if kind is None:
            shutil.rmtree(self.root, ignore_errors=True)
        return False

    def _clean_leftovers(self):
        """A run that was killed from outside may have left its Xvfb and Wine processes: end
        those (found by the id and the prefix that run recorded) and remove its folder."""
        pidfile = os.path.join(self.root, "xvfb.pid")
        if os.path.exists(pidfile):
            try:
                pid = int(open(pidfile).read())
                if "Xvfb" in open("/proc/%d/cmdline" % pid).read():
                    os.kill(pid, signal.SIGTERM)
            except (ValueError, OSError):
                pass
        old_prefix = os.path.join(self.root, "prefix")
        if os.path.exists(os.path.join(old_prefix, "system.reg")):
            subprocess.run(["wineserver", "-k"], env=wine_environment(old_prefix, ""),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(self.root, ignore_errors=True)

    def _start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp", "-br", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.root, "xvfb.log"), "wb"))
        os.close(write_end)
        with open(os.path.join(self.root, "xvfb.pid"), "w") as f:
            f.write(str(self.xvfb.pid))
        number = b""
        deadline = time.monotonic() + START_TIMEOUT
        while not number.endswith(b"\n"):
            check(time.monotonic() < deadline and self.xvfb.poll() is None,
                  "Xvfb did not start; see %s/xvfb.log" % self.root)
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip().isdigit(), "Xvfb reported no display number")
        self.display_number = int(number)
        self.display = ":%d" % self.display_number
        self.x = xclient.Display(self.display_number)

    # Folders and files.

    def folder(self, relative="menu"):
        """A fresh menu folder below the session's root, with autorun.exe copied into it as a
        user copies it next to autorun.ini."""
        path = os.path.join(self.root, relative)
        os.makedirs(path, exist_ok=True)
        shutil.copy(os.path.join(self.mingw, "autorun.exe"), path)
        return path

    def write(self, folder, relative, content):
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else content.encode("latin-1"))
        return path

    def write_ini(self, folder, text):
        """autorun.ini with the line ends a Windows editor writes."""
        lines = text.strip("\n").split("\n")
        return self.write(folder, "autorun.ini", "\r\n".join(l.strip() for l in lines) + "\r\n")

    def recorder(self, folder, relative, directions=()):
        """The recorder program copied to folder/relative, with its directions beside it."""
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(os.path.join(self.mingw, "e2e", "recorder.exe"), path)
        if directions:
            self.write(folder, os.path.splitext(relative)[0] + ".cfg",
                       "".join(line + "\r\n" for line in directions))
        return path

    # The programs the menu started, as the recorder logged them.

    def started(self):
        """Records of the recorder's starts, in order: dicts with pid, exe, cwd, cmdline, and
        ended (True once the same process logged its end)."""
        if not os.path.exists(self.log_path):
            return []
        records, ends = [], set()
        with open(self.log_path, "rb") as f:
            # Only whole lines: the last piece is empty, or a line still being written.
            for line in f.read().decode("latin-1").split("\r\n")[:-1]:
                fields = line.split("\t")
                if fields[0] == "start" and len(fields) == 5:
                    records.append(dict(pid=fields[1], exe=fields[2], cwd=fields[3],
                                        cmdline=fields[4]))
                elif fields[0] == "end" and len(fields) == 2:
                    ends.add(fields[1])
        for record in records:
            record["ended"] = record["pid"] in ends
        return records

    def wait_started(self, count, timeout=STEP_TIMEOUT):
        return wait_until(lambda: len(self.started()) >= count and self.started(), timeout,
                          "%d program start(s) in the log" % count)

    # Wine and its tools.

    def wine(self, *args, timeout=STEP_TIMEOUT * 4, check_result=True):
        result = subprocess.run(["wine"] + list(args), env=self.env, capture_output=True,
                                timeout=timeout)
        if check_result:
            check(result.returncode == 0, "wine %s failed with %d: %s" % (
                " ".join(args), result.returncode, result.stderr.decode("latin-1")[-400:]))
        return result

    def driver(self, *args, check_result=True):
        return self.wine(os.path.join(self.mingw, "e2e", "driver.exe"), *args,
                         check_result=check_result)

    def window_facts(self):
        """The menu window as Win32 reports it to another process."""
        out = self.driver("rects").stdout.decode("latin-1")
        facts = {}
        for line in out.splitlines():
            key, _, rest = line.partition(" ")
            if key == "title":
                facts[key] = rest
            elif key == "style":
                facts[key] = int(rest, 16)
            else:
                facts[key] = [int(v) for v in rest.split()]
        return facts

    def reg_set(self, key, name, value):
        """A text value below HKEY_CURRENT_USER, written with reg.exe."""
        self.wine("reg", "add", "HKCU\\" + key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")

    def reg_import(self, text):
        """Several values at once: a .reg file imported with reg.exe."""
        path = os.path.join(self.root, "import.reg")
        with open(path, "wb") as f:
            f.write(("Windows Registry Editor Version 5.00\r\n\r\n" + text.replace("\n", "\r\n")
                     ).encode("latin-1"))
        self.wine("reg", "import", windows_path(path))

    def reg_query(self, key, name):
        """The text of a value below HKEY_CURRENT_USER, or None when it does not exist."""
        result = self.wine("reg", "query", "HKCU\\" + key, "/v", name, check_result=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("latin-1").splitlines():
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    # The menu.

    def start_menu(self, folder, program="autorun.exe"):
        menu = Menu(self, folder, program)
        self.menus.append(menu)
        return menu

    # Real input.

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       timeout=STEP_TIMEOUT)

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y):
        self.xdotool("mousemove", x, y, "click", 1)

    def double_click(self, x, y):
        self.xdotool("mousemove", x, y, "click", "--repeat", 2, "--delay", 60, 1)

    # The screen.

    def image(self, x, y, width, height):
        return self.x.image(x, y, width, height)

    def screenshot(self, name):
        """The whole screen as a PPM file in the session's folder, for looking at after a
        failure; the path is returned."""
        shot = self.x.screenshot()
        path = os.path.join(self.root, name + ".ppm")
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (shot.width, shot.height))
            f.write(b"".join(bytes(((p >> 16) & 255, (p >> 8) & 255, p & 255)) for p in shot.pixels))
        return path

    def wait_colour(self, x, y, colour, what, timeout=STEP_TIMEOUT):
        def seen():
            return self.x.pixel(x, y) == colour
        try:
            wait_until(seen, timeout, what)
        except Failure as failure:
            raise Failure("%s (pixel at %d,%d is %06x, expected %06x; screen saved as %s)" % (
                failure, x, y, self.x.pixel(x, y), colour, self.screenshot("failure")))


class Menu:
    """A running autorun.exe, started in its folder as a user starts it there."""

    def __init__(self, session, folder, program):
        self.session = session
        self.program = program
        self.output = open(os.path.join(session.root, "menu-%d.log" % len(session.menus)), "wb")
        # Under emulation this process is the emulator running Wine's loader running the menu;
        # its id and its processor times are those of the menu.
        self.process = subprocess.Popen(["wine", program], cwd=folder, env=session.env,
                                        stdout=self.output, stderr=self.output)

    def window(self, timeout=START_TIMEOUT):
        """The menu's X window, once it is mapped: (id, x, y, width, height)."""
        def mapped():
            check(self.process.poll() is None,
                  "autorun.exe ended with %s before showing a window" % self.process.returncode)
            # Wine names the X window's class after the program's file.
            for window in self.session.x.top_level(os.path.basename(self.program)):
                if self.session.x.name(window) != "Default IME":
                    return (window,) + self.session.x.geometry(window)
            return None
        return wait_until(mapped, timeout, "the menu's window")

    def title(self, window):
        return self.session.x.name(window)

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=STEP_TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("autorun.exe did not end within %d s" % timeout)

    def cpu_seconds(self):
        """User and system time the menu's process has used so far."""
        with open("/proc/%d/stat" % self.process.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.output.close()


def main(cases):
    """Runs the case named on the command line: cases.py --work DIR --mingw DIR NAME, where
    the name prepare checks the programs and makes the shared Wine prefix."""
    args = sys.argv[1:]
    options = {}
    while args and args[0].startswith("--"):
        options[args[0][2:]] = args[1]
        args = args[2:]
    if len(args) == 1 and args[0] == "prepare" and "work" in options and "mingw" in options:
        try:
            check_programs(os.path.abspath(options["mingw"]))
            ensure_base_prefix(os.path.abspath(options["work"]))
        except Failure as failure:
            sys.stderr.write("FAIL prepare: %s\n" % failure)
            return 1
        print("PASS prepare")
        return 0
    if len(args) != 1 or args[0] not in cases or "work" not in options or "mingw" not in options:
        sys.stderr.write("usage: %s --work DIR --mingw DIR CASE\ncases: %s\n" % (
            sys.argv[0], " ".join(sorted(cases))))
        return 2
    name = args[0]
    started = time.monotonic()
    try:
        with Session(name, os.path.abspath(options["work"]), os.path.abspath(options["mingw"])) as s:
            cases[name](s)
    except Failure as failure:
        sys.stderr.write("FAIL %s: %s\n" % (name, failure))
        sys.stderr.write("(files of the run kept in %s)\n" % os.path.join(options["work"], "runs", name))
        return 1
    print("PASS %s (%.1f s)" % (name, time.monotonic() - started))
    return 0
