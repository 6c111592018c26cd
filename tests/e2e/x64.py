"""The close of a menu that a screen reader has read, run by cases.py as x64.NAME with the
64-bit menu and driver under Wine's 64-bit loader. A 32-bit Wine process that runs under qemu's
user-mode emulator (scripts/setup) can die of a segmentation fault in its own exit when it ends
within about 5 s of the last COM call it answered, while the thread-pool worker that ran the
call still waits for work; the 64-bit loader runs natively, so here every close must end the
menu with exit code 0. The 32-bit case reads the same kind of menu and leaves its close to
these."""

from harness import HOVER, case, check


def reader_menu(t):
    """A menu of one named button, the second without a Tip; button 1 focused."""
    t.standard([(10, 20, "Tip = Install E2E"), (150, 20, "")], main="AppName = E2E Names")
    t.xdotool("windowfocus", "--sync", t.menu.window()[0], "key", "Tab")
    t.expect(10, 20, HOVER, "button 1 focused by Tab")


def close_reading(t, how):
    """The driver reads the tree and closes the menu how; both must end with exit code 0."""
    reader_menu(t)
    lines = t.reader("close-reading", how).stdout.decode("utf-8").splitlines()
    where = lambda left, top, w=100, h=40: "location %d %d %d %d" % (t.ox + left, t.oy + top, w, h)  # noqa: E731
    expected = ['child 0 name "E2E Names" role 10 state 100004 %s action ""' % where(0, 0, 400, 300),
                'child 1 name "Install E2E" role 43 state 100004 %s action "Press"' % where(10, 20),
                'child 2 name "Button 2" role 43 state 100000 %s action "Press"' % where(150, 20)]
    expected += [] if how == "released" else ["after the close failed"]
    check(lines == expected, "the reader saw:\n%s\nexpected:\n%s" % ("\n".join(lines), "\n".join(expected)))
    t.exited()


@case
def screen_reader_close_after_release(t):
    # Closed at once after the reader let go of the object and left COM.
    close_reading(t, "released")


@case
def screen_reader_close_while_holding(t):
    # Closed while the reader holds the object; its call after the window has gone fails.
    close_reading(t, "holding")


@case
def screen_reader_close_while_calling(t):
    # Closed while the reader calls the object without pause, until a call fails.
    close_reading(t, "calling")
