"""Windows come and go between a listing and the queries about them: a window of another
client, listed and then destroyed, must read as gone through every query of the X client,
while errors that are no such race still fail. Runs on an Xvfb of its own with an xmessage
window: window_gone.py WORK_DIR."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from wine import xclient  # noqa: E402
from wine.session import SCREEN_WIDTH, START_TIMEOUT, check, start_xvfb, stop_xvfb, wait_until  # noqa: E402

TITLE = "window gone probe"


def vanished_window(x, display):
    """A listing of the top-level windows that holds an xmessage window which has been destroyed
    since, and that window."""
    env = dict(os.environ, DISPLAY=":%d" % display)
    probe = subprocess.Popen(["xmessage", "-title", TITLE, "probe"], env=env, stderr=subprocess.DEVNULL)
    try:
        window = wait_until(lambda: next(iter(x.top_level(name=TITLE)), None), START_TIMEOUT, "the xmessage window")
        check(x.geometry(window) is not None and x.viewable(window), "the live window reads as gone")
        listing = x.children()
    finally:
        probe.kill()
        probe.wait()
    wait_until(lambda: window not in x.children(), START_TIMEOUT, "the server to destroy the window")
    return listing, window


def main(work):
    xvfb = start_xvfb(work)
    x = xclient.Display(xvfb.number)
    try:
        listing, window = vanished_window(x, xvfb.number)
        answers = {"geometry": x.geometry(window), "viewable": x.viewable(window), "name": x.name(window),
                   "class": x.window_class(window), "children": x.children(window)}
        check(answers == {"geometry": None, "viewable": False, "name": None, "class": [], "children": []},
              "the destroyed window read as %s" % answers)
        # A listing taken before the window went, filtered as top_level filters the live one.
        x.children = lambda window=None: listing if window is None else []
        check(x.top_level(name=TITLE) == [], "top_level still finds the destroyed window")
        del x.children
        # A rectangle that leaves the screen is the caller's mistake, not a window that went.
        failed = None
        try:
            x.image(SCREEN_WIDTH - 5, 0, 10, 10)
        except xclient.XError as error:
            failed = error
        check(failed is not None, "an image beyond the screen's edge did not fail")
        check(x.pixel(0, 0) == 0, "the connection is unusable after the errors")
    finally:
        x.close()
        stop_xvfb(xvfb)
    print("PASS window_gone")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 2:
        os.makedirs(sys.argv[1], exist_ok=True)
        with tempfile.TemporaryDirectory(dir=sys.argv[1]) as folder:
            sys.exit(main(folder))
    sys.stderr.write("usage: window_gone.py WORK_DIR\n")
    sys.exit(2)
