"""The end-to-end cases, one ctest test each: cases.py --work DIR --mingw DIR NAME. Each writes
its menu folder, starts the real autorun.exe under Wine and checks what a user would see and
what the menu really did. hostile.py adds the cases of broken and huge folders, from_page.py
that of a menu made on the designer page; the cases x64.NAME run the 64-bit build."""

import os
import subprocess
import sys
import time

from harness import (BACK, BACK_EDGE, BUTTON_H, BUTTON_W, DISABLED, HOVER, NORMAL, PRESSED, SCREEN, Failure,
                     bmp, case, check, filled, main, wait_until, windows_path)
import pngread


def pixels_are(t, image, table):
    """table: (x, y, colour) on the screen; a colour None means neither colour of the background."""
    for x, y, colour in table:
        seen = image.at(x, y)
        t.check_screen(seen == colour if colour is not None else seen not in (BACK, BACK_EDGE),
                       "pixel (%d, %d) is %06x, expected %s" % (x, y, seen, colour and "%06x" % colour))


@case
def layout_without_caption(t):
    t.standard([(10, 20, ""), (250, 200, "")])
    facts, window = t.facts(), t.menu.window()[1:]
    # 400 x 300, centred on the 1024 x 768 screen.
    check((window, facts["client"], facts["origin"]) == ((312, 234, 400, 300), [0, 0, 400, 300], [312, 234]),
          "X window %s, Win32 %s" % (window, facts))
    check(facts["style"] & 0x80000000 and not facts["style"] & 0x00C00000,
          "style %08x: expected a popup without caption" % facts["style"])
    image = t.x.image(300, 222, 424, 324)
    # The frame of the background lies exactly on the window's edges; the screen shows around it.
    pixels_are(t, image, [(312, 234, BACK_EDGE), (711, 234, BACK_EDGE), (312, 533, BACK_EDGE),
                          (711, 533, BACK_EDGE), (313, 235, BACK), (710, 532, BACK), (311, 234, SCREEN),
                          (712, 533, SCREEN), (312, 233, SCREEN), (711, 534, SCREEN)])
    # Each button's normal picture covers exactly its 100 x 40 rectangle at (Left, Top).
    for x, y in ((322, 254), (562, 434)):
        t.check_screen(filled(image, x, y, BUTTON_W, BUTTON_H, NORMAL) and image.count(
            NORMAL, x - 2, y - 2, x + BUTTON_W + 2, y + BUTTON_H + 2) == BUTTON_W * BUTTON_H,
            "the button at (%d, %d) does not cover exactly its rectangle" % (x, y))


@case
def centring_odd_overhang(t):
    # 1201 pixels on a 1024-pixel screen: x = (1024 - 1201) / 2 halved towards minus infinity
    # is -89; truncation would give -88.
    t.write("back.bmp", bmp.bmp(1201, 101, lambda x, y: BACK if x != 89 else BACK_EDGE))
    t.ini("[Main]\nBackGround=back.bmp")
    t.launch(shown=False)
    y = (768 - 101) // 2
    t.wait_colour(512, y + 50, BACK, "the background to be painted")
    check(t.facts()["origin"] == [-89, y], "client origin %s" % t.facts()["origin"])
    t.check_screen(t.x.pixel(0, y + 50) == BACK_EDGE, "column 89 of the picture is not at the screen's left edge")


@case
def caption_fitted(t):
    t.standard([(10, 20, "")], main="ShowCaption = 1\nAppName = E2E Menu Title", start=False)
    window, gx, gy, gw, gh = t.launch(shown=False).window()
    facts = t.facts()
    check(facts["style"] & 0x00CA0000 == 0x00CA0000 and not facts["style"] & 0x80000000,
          "style %08x: expected a caption, system menu and minimize box" % facts["style"])
    check(facts["client"] == [0, 0, 400, 300], "client area %s, expected the 400 x 300 background" % facts["client"])
    # Without a window manager on the display the caption is not drawn, but Windows programs
    # and a window manager read the title from the window.
    check(facts["title"] == t.x.name(window) == "E2E Menu Title", "titles %r, %r" % (facts["title"], t.x.name(window)))
    # The window lies where the centring put it: the fitting changed only its size.
    words = t.driver("metrics").stdout.split()  # caption N frame FX FY
    caption, frame_w, frame_h = int(words[1]), int(words[3]), int(words[4])
    x = frame_w + (1024 - 400 - 2 * frame_w) // 2
    y = frame_h + caption + (768 - 300 - caption - 2 * frame_h) // 2
    left, top, right, bottom = facts["window"]
    check((left, top) == (x - frame_w, y - frame_h - caption), "window at %s, expected (%d, %d) from caption "
          "%d and frame %d x %d" % (facts["window"], x - frame_w, y - frame_h - caption, caption, frame_w, frame_h))
    check(right - left > 400 and bottom - top - 300 > right - left - 400,
          "outer rectangle %s has no room for a frame and caption" % facts["window"])
    ox, oy = facts["origin"]
    check(gx <= ox and gy <= oy and gx + gw >= ox + 400 and gy + gh >= oy + 300,
          "the X window %s does not hold the client area at %s" % ((gx, gy, gw, gh), (ox, oy)))
    t.wait_colour(ox + 200, oy + 1, BACK, "the background to be painted")
    pixels_are(t, t.x.image(ox - 40, oy - 60, 480, 400), [
        (ox, oy, BACK_EDGE), (ox + 399, oy + 299, BACK_EDGE), (ox + 1, oy + 1, BACK),
        (ox - 1, oy, None), (ox + 400, oy + 299, None), (ox, oy + 300, None), (ox + 200, oy - 1, None)])


@case
def hover_leave_press(t):
    # Button 2 overlaps the right 10 pixels of button 1's hit area, so a move into the overlap
    # shows, by button 2's picture, that the menu has handled it, whatever button 1 shows.
    t.standard([(10, 20, ""), (100, 20, "")])
    t.expect(10, 20, NORMAL, "button 1 in its normal picture")
    t.point(30, 30)
    t.expect(10, 20, HOVER, "button 1 in its hover picture (pointer entered)")
    check(t.colour(100, 20) == NORMAL, "button 2 changed although the pointer is not on it")
    t.point(40, 35, "mousedown", 1)
    t.expect(10, 20, PRESSED, "button 1 in its pressed picture (button down)")
    t.xdotool("mouseup", 1)
    # A move inside button 1 that also enters button 2: button 1 is already in hover and is not
    # redrawn, so it keeps its pressed picture.
    t.point(105, 30)
    t.expect(100, 20, HOVER, "button 2 in hover in the overlap")
    t.check_screen(t.colour(10, 20) == PRESSED, "button 1 lost its pressed picture on a move inside it")
    # A whole-window redraw shows the state the last move left, hover.
    t.driver("post", "20")
    t.expect(10, 20, HOVER, "button 1 in hover after a whole-window redraw")
    t.point(300, 250)
    t.expect(10, 20, NORMAL, "button 1 normal after the pointer left")
    t.expect(100, 20, NORMAL, "button 2 normal after the pointer left")
    # A press in the overlap presses only button 1, the lower number, though button 2 is on top.
    t.point(105, 30)
    t.expect(100, 20, HOVER, "button 2 in hover in the overlap again")
    t.xdotool("mousedown", 1, "mouseup", 1)
    t.expect(10, 20, PRESSED, "button 1 pressed by a press in the overlap")
    check(t.colour(100, 20) == HOVER, "button 2 changed on a press that belongs to button 1")


@case
def hit_edges(t):
    # Button 1 is 100 x 40 at (10, 20): its hit area runs from x 10 to 110 and y 20 to 60, both
    # edges included, one pixel more than the picture on the right and at the bottom.
    t.recorder("hit.exe", "sentinel.exe")
    t.standard([(10, 20, "Action = RUN hit.exe"), (250, 200, "Action = RUN sentinel.exe")])
    for x, y, inside in ((10, 20, True), (110, 60, True), (110, 20, True), (10, 60, True),
                         (111, 60, False), (110, 61, False), (9, 20, False), (10, 19, False)):
        t.point(x, y)
        if not inside:
            # The move back to the button's middle is handled after this one: the hover picture
            # then proves this move was seen, and it must not have shown hover before.
            t.point(60, 40)
        t.expect(10, 20, HOVER, "hover with the pointer at (%d, %d)" % ((x, y) if inside else (60, 40)))
        t.point(200, 150)
        t.expect(10, 20, NORMAL, "normal with the pointer away")
    # A hover change after the outside moves would not show, so look at clicks too: the corner
    # (110, 60) runs the Action, the pixels past it do not.
    for x, y in ((110, 60), (111, 60), (10, 61)):
        t.point(x, y, "click", 1)
    check([r[0] for r in t.settle(250, 200, 1)] == ["~\\hit.exe"], "expected one run of hit.exe")


def runs(t, buttons, expected, registry=""):
    """Clicks each button in turn; expected: (command line, working directory) of each start."""
    t.standard(buttons, registry=registry)
    for n, (left, top, _) in enumerate(buttons, 1):
        t.press(left, top)
        t.wait_started(n)
    seen = [r[1:3] for r in t.started()]
    check(expected == seen, "starts (command line, directory): %s, expected %s" % (seen, expected))
    t.close()
    return t.started()


@case
def run_plain(t):
    t.recorder("tools/setup.exe", "first.exe")
    runs(t, [(10, 20, "Action = RUN Tools\\setup.exe"), (150, 20, "Action = run  first.exe")],
         [("~\\Tools\\setup.exe", "~\\tools"), ("~\\first.exe", "~")])


@case
def run_argument(t):
    # "wait" in any case is the wait, never an argument; a second argument is dropped.
    t.recorder("setup.exe")
    runs(t, [(10, 20, "Action = RUN setup.exe /silent /ignored"), (150, 20, "Action = RUN setup.exe WAIT")],
         [("~\\setup.exe /silent", "~"), ("~\\setup.exe", "~")])


@case
def run_alias(t):
    elsewhere = os.path.join(t.root, "programs", "Viewer")
    t.recorder("bin/view.exe", "view.exe", folder=elsewhere)
    text = windows_path(elsewhere) + "\\"
    t.reg_set("HKCU\\Software\\E2E\\Viewer", "Path", text)
    runs(t, [(10, 20, "Action = RUN Viewer+bin/view.exe"), (150, 20, "Action = RUN viewer+view.exe wait")],
         [(text + "bin/view.exe", (text + "bin").lower()), (text + "view.exe", text[:-1].lower())],
         registry="Viewer = E2E\\Viewer\\Path")


@case
def space_in_base_directory(t):
    # "D:\\My Menu\\setup.exe" unquoted would let the system try "D:\\My.exe" first, so one
    # is planted there; the menu must start the program in its own folder.
    t.recorder("My.exe", folder=os.path.join(t.root, "disc"))
    t.folder("disc/My Menu")
    t.recorder("setup.exe")
    started = runs(t, [(10, 20, "Action = RUN setup.exe"), (150, 20, "Action = RUN setup.exe /lang=en"),
                       (290, 20, "Action = RUN setup.exe wait")],
                   [('"~\\setup.exe"', "~"), ('"~\\setup.exe" /lang=en', "~"), ('"~\\setup.exe"', "~")])
    check([r[0] for r in started] == ["~\\setup.exe"] * 3, "programs started: %s" % started)


@case
def run_wait(t):
    t.recorder("setup.exe", directions=t.hold())
    t.standard([(10, 20, "Action = RUN setup.exe wait"), (150, 20, "")])
    t.press(10, 20)
    t.wait_started(1)
    # Wine shows what the menu draws when it next looks at its queue: with the first 200 ms slice.
    t.expect(10, 20, PRESSED, "button 1 pressed while its program runs")
    # The menu reacts to nothing while it waits: the pointer leaves for button 2, and both pictures
    # stay until the program has ended. The repaint every 200 ms is composed off screen, so a
    # pixel read as often as the X server answers, on a busy machine, never shows the background:
    # each button is read at least 1000 times and for 3 s, fifteen repaints, before the program
    # may end.
    t.point(160, 30)
    busy = subprocess.Popen([sys.executable, "-c", "while True: pass"])
    seen, until = {1: [], 2: []}, time.monotonic() + 3
    try:
        while len(seen[1]) < 1000 or time.monotonic() < until:
            for _ in range(100):
                for n, left in ((1, 10), (2, 150)):
                    seen[n].append(t.x.pixel(t.ox + left + BUTTON_W // 2, t.oy + 20 + BUTTON_H // 2))
    finally:
        busy.kill()
    runs = {n: [c for i, c in enumerate(seen[n]) if i == 0 or c != seen[n][i - 1]] for n in seen}
    check(runs == {1: [PRESSED], 2: [NORMAL]}, "read each button %d times while its program ran; they showed %s" % (
        len(seen[1]), {n: ["%06x" % c for c in runs[n]] for n in runs}))
    t.release()
    # Then the pointer move that waited is handled.
    t.expect(150, 20, HOVER, "button 2 in hover once the wait is over")
    t.expect(10, 20, NORMAL, "button 1 normal once the wait is over")


@case
def keyboard_alone(t):
    # Button 2 is disabled, so Tab goes 1, 3; Shift+Tab, Left and Down go 1, 3, 1. Enter and
    # Space click; Alt+F4 closes a menu without a caption. The pointer never moves.
    t.recorder("first.exe", "third.exe")
    t.standard([(10, 20, "Action = RUN first.exe"), (150, 20, "Activate = ENABLE BUTTON2 nothing"),
                (290, 20, "Action = RUN third.exe")])
    t.expect(150, 20, DISABLED, "button 2 disabled")
    # Xvfb has no window manager to give the new window the X keyboard focus, so the test does.
    t.xdotool("windowfocus", "--sync", t.menu.window()[0], "key", "Tab")
    t.expect(10, 20, HOVER, "button 1 focused by the first Tab")
    t.xdotool("key", "Tab")
    t.expect(290, 20, HOVER, "button 3 focused by the second Tab")
    check(t.colour(10, 20) == NORMAL, "button 1 kept its focus picture")
    t.xdotool("key", "Return")
    t.wait_started(1)
    t.xdotool("key", "shift+Tab", "key", "Left", "key", "Down", "key", "space")
    t.wait_started(2)
    check([r[0] for r in t.started()] == ["~\\third.exe", "~\\first.exe"], "starts: %s" % t.started())
    t.expect(10, 20, PRESSED, "button 1 pressed by Space")
    t.xdotool("key", "alt+F4")
    t.exited()


@case
def screen_reader_reads_and_presses(t):
    # Another process reads the menu through accessibility: button 2 disabled, button 3 hidden,
    # button 4 without a Tip; the keyboard focus on button 1; then presses child 3 (button 4).
    t.recorder("first.exe", "fourth.exe")
    t.standard([(10, 20, "Tip = Install E2E\nAction = RUN first.exe"),
                (150, 20, "Tip = Off\nActivate = ENABLE BUTTON2 nothing"), (150, 120, "Tip = Hidden"),
                (290, 20, "Action = RUN fourth.exe")], main="AppName = E2E Names", start=False)
    t.write("autorun.ini", open(os.path.join(t.dir, "autorun.ini"), "rb").read().replace(b"Top = 120", b""))
    t.launch()
    t.xdotool("windowfocus", "--sync", t.menu.window()[0], "key", "Tab")
    t.expect(10, 20, HOVER, "button 1 focused by Tab")
    where = lambda left, top, w=100, h=40: "location %d %d %d %d" % (t.ox + left, t.oy + top, w, h)  # noqa: E731
    expected = ['child 0 name "E2E Names" role 10 state 100004 %s action ""' % where(0, 0, 400, 300),
                'child 1 name "Install E2E" role 43 state 100004 %s action "Press"' % where(10, 20),
                'child 2 name "Off" role 43 state 1 %s action "Press"' % where(150, 20),
                'child 3 name "Button 4" role 43 state 100000 %s action "Press"' % where(290, 20),
                "press 3 00000000"]
    seen = t.reader("accessible", "3").stdout.decode("utf-8").splitlines()
    check(seen == expected, "the accessible tree:\n%s\nexpected:\n%s" % ("\n".join(seen), "\n".join(expected)))
    check([r[0] for r in t.wait_started(1)] == ["~\\fourth.exe"], "starts: %s" % t.started())


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


# The close of a menu that a screen reader has read, for the 32-bit menu and, as x64.NAME, for
# the 64-bit build of the same sources: the worker thread of the last COM call the menu answered
# may still be waiting for work when the process ends.
@case(x64=True)
def screen_reader_close_after_release(t):
    # Closed at once after the reader let go of the object and left COM.
    close_reading(t, "released")


@case(x64=True)
def screen_reader_close_while_holding(t):
    # Closed while the reader holds the object; its call after the window has gone fails.
    close_reading(t, "holding")


# Only the 64-bit build: on machines that run 32-bit programs through qemu's user-mode emulator
# (scripts/setup), the 32-bit menu closed while calls keep arriving can still die in the
# emulator (exit code -11, qemu's uncaught segmentation fault), rarely, in Wine's own ending of
# the process, after the menu's code has returned.
@case(x86=False, x64=True)
def screen_reader_close_while_calling(t):
    # Closed while the reader calls the object without pause, until a call fails.
    close_reading(t, "calling")


@case
def tooltip_rests(t):
    # The pointer rests on button 1, then on button 2; button 3 has no Tip. The tip shows for a
    # few seconds: its window is watched on the screen, and its text, which the control keeps
    # once the tip has hidden, is asked of it afterwards, as a driver.exe start can take longer.
    t.standard([(10, 20, "Tip = Install the whole E2E product"), (150, 20, "Tip = Help"), (290, 20, "")])
    menu = t.menu.window()[0]
    boxes = lambda: [b for b in (t.x.geometry(w) for w in t.x.top_level("autorun.exe")  # noqa: E731
                                 if w != menu and t.x.name(w) != "Default IME") if b]

    def drawn(pointer_x):
        """The box of a tip's window near the pointer once it shows text, drawn dark on light.
        The tip of the button the pointer left can still show for a moment where it was."""
        for box in boxes():
            if abs(box[0] - pointer_x) >= 60:
                continue
            shades = [max(p >> s & 255 for s in (0, 8, 16)) for p in t.x.image(*box).pixels]
            if 0 < sum(1 for v in shades if v < 0x60) < len(shades) // 2:
                return box
        return None
    for left, text in ((10, "Install the whole E2E product"), (150, "Help"), (290, None)):
        t.point(left + 30, 30)
        if text is None:
            time.sleep(1.5)
            check(not boxes(), "a tip shows over the button without Tip: %s" % boxes())
            continue
        wait_until(lambda: drawn(t.ox + left + 30), 10, "the tip %r drawn dark on light near the pointer" % text)
        lines = t.driver("tooltip").stdout.decode("utf-8").splitlines()
        check(any(l.startswith("tooltip ") and l.endswith(' "%s"' % text) for l in lines),
              "the tip's control holds another text: %s" % lines)


@case
def shell_open(t):
    # Documents of a type of their own, opened by a viewer (the recorder) that the test
    # registers for it, so that what the shell was handed and where it ran can be seen.
    viewer = t.recorder("viewer.exe", folder=os.path.join(t.root, "apps"))
    t.reg_import('[HKEY_CLASSES_ROOT\\.e2edoc]\n@="e2edoc"\n\n[HKEY_CLASSES_ROOT\\e2edoc\\shell\\open\\command]\n'
                 '@="\\"%s\\" \\"%%1\\""\n' % windows_path(viewer).replace("\\", "\\\\"))
    t.write("readme.e2edoc", "read me")
    t.write("docs/manual.e2edoc", "manual")
    t.recorder("sentinel.exe")
    # print is not open: nothing happens. Five words: no directory, the viewer runs in the
    # menu's own current directory.
    t.standard([(10, 20, "Action = SHELL open readme.e2edoc .\\"),
                (150, 20, "Action = SHELL OPEN docs\\manual.e2edoc docs"),
                (10, 120, "Action = SHELL print readme.e2edoc"),
                (150, 120, "Action = SHELL open readme.e2edoc docs extra"),
                (250, 220, "Action = RUN sentinel.exe")])
    # Each start through the shell is waited for: the shell may start a program after the menu
    # has gone on to the next click.
    for left, top, starts in ((10, 20, 1), (150, 20, 2), (10, 120, 2), (150, 120, 3)):
        t.press(left, top)
        t.wait_started(starts)
    opens = '"%s" "~\\%%s"' % windows_path(viewer)
    viewer = windows_path(viewer).lower()
    expected = [(viewer, opens % "readme.e2edoc", "~"), (viewer, opens % "docs\\manual.e2edoc", "~\\docs"),
                (viewer, opens % "readme.e2edoc", "~")]
    seen = t.settle(250, 220, 3)
    check(expected == seen, "viewer starts: %s" % seen)


@case
def reinit_after_wait(t):
    t.recorder("setup.exe", directions="regset|Software\\E2E\\App|Installed|yes\r\n" + t.hold())
    t.standard([(10, 20, "Action = RUN setup.exe wait|REINIT\nActivate = ENABLE BUTTON2 installed"),
                (150, 20, "")], registry="installed = E2E\\App\\Installed")
    t.expect(150, 20, DISABLED, "button 2 disabled while nothing is installed")
    t.press(10, 20)
    t.wait_started(1)
    wait_until(lambda: t.reg_query("HKCU\\Software\\E2E\\App", "Installed") == "yes", 15,
               "the program to write the registry")
    # The registry has changed, but the menu reads it again only after the program has ended.
    check(t.colour(150, 20) in (DISABLED, BACK), "button 2 changed during the wait")
    t.release()
    wait_until(lambda: t.started()[0][3], 15, "the program to end")
    t.expect(150, 20, NORMAL, "button 2 enabled after REINIT")
    # Enabled for the pointer too, and the rebuild left button 1 out of hover.
    t.point(160, 30)
    t.expect(150, 20, HOVER, "button 2 in hover")
    check(t.colour(10, 20) == NORMAL, "button 1 not back to normal after the rebuild")


@case
def activate_rules(t):
    t.reg_import('[HKEY_CURRENT_USER\\Software\\E2E]\n"Full"="C:\\\\Program Files\\\\E2E"\n"Empty"=""\n\n'
                 '[HKEY_CURRENT_USER\\Software\\E2E\\Reader]\n@="reader"\n')
    # (left, top, enabled) of buttons 1 to 6, as the rules of button 1 leave them.
    places = [(10, 20, True), (150, 20, True), (290, 20, False), (10, 120, False), (150, 120, True),
              (290, 120, True)]
    rules = "ENABLE BUTTON2 full|DISABLE BUTTON3 full|enable button4 empty|DISABLE BUTTON5 missing|ENABLE BUTTON6 reader"
    t.recorder(*["b%d.exe" % n for n in range(1, 7)], "sentinel.exe")
    t.standard([(left, top, "Action = RUN b%d.exe" % n + ("\nActivate = " + rules) * (n == 1))
                for n, (left, top, _) in enumerate(places, 1)] + [(150, 220, "Action = RUN sentinel.exe")],
               registry="full = E2E\\Full\nempty = E2E\\Empty\nmissing = E2E\\Missing\nreader = E2E\\Reader\\")
    for left, top, enabled in places:
        t.expect(left, top, NORMAL if enabled else DISABLED, "button at (%d, %d) enabled: %s" % (left, top, enabled))
    # Pointer moves leave disabled buttons alone; clicks on them run nothing.
    for left, top, enabled in places:
        t.point(left + 20, top + 20)
        if enabled:
            t.expect(left, top, HOVER, "hover on the enabled button at (%d, %d)" % (left, top))
    t.point(5, 250)
    check(all(t.colour(left, top) == DISABLED for left, top, enabled in places if not enabled),
          "a disabled button reacted to the pointer")
    for left, top, _ in places:
        t.point(left + 20, top + 20, "click", 1)
    ran = [r[0] for r in t.settle(150, 220, 4)]
    check(ran == ["~\\b1.exe", "~\\b2.exe", "~\\b5.exe", "~\\b6.exe"], "programs run: %s" % ran)


@case
def rebuild_message_from_outside(t):
    t.standard([(10, 20, "Activate = ENABLE BUTTON2 installed"), (150, 20, "")],
               registry="installed = E2E\\App\\Installed")
    t.expect(150, 20, DISABLED, "button 2 disabled while nothing is installed")
    t.reg_set("HKCU\\Software\\E2E\\App", "Installed", "1.0")
    # The hover picture of button 1 shows that the menu is handling input, and button 2 stays
    # disabled: the registry is read only on a rebuild.
    t.point(20, 30)
    t.expect(10, 20, HOVER, "button 1 in hover")
    check(t.colour(150, 20) == DISABLED, "button 2 changed before the rebuild")
    t.driver("post", "1025")
    t.expect(150, 20, NORMAL, "button 2 enabled after message 1025 from another process")
    # The rebuild left button 1 out of hover until the pointer moves again.
    check(t.colour(10, 20) == NORMAL, "button 1 still in hover after the rebuild")
    t.point(21, 31)
    t.expect(10, 20, HOVER, "button 1 in hover after the next move")
    # And back: the value removed, sent (not posted) this time.
    t.reg_delete("HKCU\\Software\\E2E\\App", "Installed")
    t.driver("send", "1025")
    t.expect(150, 20, DISABLED, "button 2 disabled again after the value was removed")


@case
def send_during_wait(t):
    # Another program sends (not posts) the rebuild message and the close request while a RUN
    # waits: the menu handles sent messages in its wait slices. The waiting command must survive
    # the rebuild under it, and the close, and the menu must end normally.
    t.recorder("setup.exe", directions=t.hold())
    t.recorder("after.exe")
    t.standard([(10, 20, "Action = RUN setup.exe wait|RUN after.exe\nActivate = DISABLE BUTTON2 installed"),
                (150, 20, "")], registry="installed = E2E\\App\\Installed")
    t.expect(150, 20, NORMAL, "button 2 enabled")
    t.press(10, 20)
    t.wait_started(1)
    t.reg_set("HKCU\\Software\\E2E\\App", "Installed", "yes")
    t.driver("send", "1025")
    t.expect(150, 20, DISABLED, "button 2 disabled by the rebuild during the wait")
    t.driver("send", "16")
    check(len(t.started()) == 1, "the item after the waited program ran while it ran: %s" % t.started())
    t.release()
    wait_until(lambda: len(t.started()) == 2, 20, "the item after the waited program to run")
    check(t.started()[0][3], "the next item ran before the waited program ended")
    t.exited()


@case
def close_with_items_after(t):
    t.recorder("after.exe")
    t.standard([(10, 20, "Action = CLOSE now | RUN after.exe")])
    t.press(10, 20)
    t.exited()
    check([r[0] for r in t.wait_started(1)] == ["~\\after.exe"], "the item after CLOSE should still run once")
    check(not t.x.top_level("autorun.exe"), "the menu's window is still on the screen")


@case
def double_click_once(t):
    t.recorder("once.exe", "sentinel.exe")
    t.standard([(10, 20, "Action = RUN once.exe"), (250, 200, "Action = RUN sentinel.exe")])
    t.point(30, 30, "click", "--repeat", 2, "--delay", 60, 1)
    ran = len(t.settle(250, 200, 1))
    check(ran == 1, "a double click ran the Action %d times" % ran)
    # Two clicks far enough apart are two clicks.
    t.point(30, 30, "click", 1)
    time.sleep(0.6)
    t.point(30, 30, "click", 1)
    check(len(t.settle(250, 200, 3)) == 3, "two separate clicks did not run the Action twice")


@case
def no_ini(t):
    t.menu = t.start("autorun.exe", t.dir)
    wait_until(lambda: t.driver("rects", check_result=False).returncode == 0, 30, "the menu's window to exist")
    facts = t.facts()
    check((facts["client"], facts["origin"], facts["title"]) == ([0, 0, 0, 0], [512, 384], ""),
          "expected a 0 x 0 client area in the screen's middle, without title: %s" % facts)
    t.check_screen(t.x.screenshot().count(SCREEN, 0, 0, 1024, 768) >= 1024 * 768 - 1, "something is drawn")


@case
def malformed_pictures(t):
    good = bmp.solid(BUTTON_W, BUTTON_H, HOVER)
    # name: (file, left, top, [(first row, last row, colour)] as drawn)
    buttons = {
        "good": (bmp.solid(BUTTON_W, BUTTON_H, NORMAL), 10, 20, [(0, 40, NORMAL)]),
        # The header promises 40 rows, the file holds 10: the rows it lacks (the top ones, as
        # the rows are stored bottom up) are black.
        "short": (bmp.solid(BUTTON_W, BUTTON_H, NORMAL, truncate_to=54 + 300 * 10), 150, 20,
                  [(0, 30, SCREEN), (30, 40, NORMAL)]),
        "huge": (good[:18] + b"\xff\xff\xff\x7f\xff\xff\xff\x7f" + good[26:], 290, 20, [(0, 40, BACK)]),
        "garbage": (b"not a picture at all" * 10, 10, 120, [(0, 40, BACK)]),
        "header": (b"BM" + b"\x00" * 10, 150, 120, [(0, 40, BACK)]),
        # Without the two bytes some programs put after the pixels: every pixel shows, the last
        # one (top right) too.
        "tight": (bmp.solid(BUTTON_W, BUTTON_H, 0x4080FF, trailing=0), 290, 120, [(0, 40, 0x4080FF)]),
    }
    t.write("back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    t.write("pressed.bmp", bmp.solid(BUTTON_W, BUTTON_H, PRESSED))
    t.write("rle.bmp", bmp.solid(BUTTON_W, BUTTON_H, HOVER, compression=1))
    lines = "[Main]\nBackGround = back.bmp\nButtons = 6\n"
    for n, (name, (data, left, top, _)) in enumerate(buttons.items(), 1):
        t.write(name + ".bmp", data)
        lines += "[Button%d]\nLeft = %d\nTop = %d\nNABitmap = %s.bmp\n" % (n, left, top, name)
    t.ini(lines.replace("good.bmp", "good.bmp\nABitmap = rle.bmp\nPBitmap = pressed.bmp"))
    t.launch()
    image = t.client()
    for name, (_, left, top, bands) in buttons.items():
        for first, last, colour in bands:
            t.check_screen(filled(image, t.ox + left, t.oy + top + first, BUTTON_W, last - first, colour),
                           "the %s picture: rows %d to %d are not %06x" % (name, first, last, colour))
    # The hover picture could not be read, so hover shows the normal picture; the pressed one
    # was read and shows.
    t.point(200, 40)
    t.point(30, 30)
    t.expect(10, 20, NORMAL, "button 1 with its unreadable hover picture")
    t.xdotool("mousedown", 1, "mouseup", 1)
    t.expect(10, 20, PRESSED, "button 1 pressed")


def gradient(width, height, salt):
    """A picture in which neighbouring pixels differ in every colour, so that a row or column
    out of place, a swapped colour or a lost bit shows."""
    return lambda x, y: ((x * 255 // max(width - 1, 1)) << 16 | (y * 255 // max(height - 1, 1)) << 8
                         | ((x * 7 + y * 13 + salt) & 0xFF))


@case
def sim_matches_wine(t):
    # The menu's pictures in every format the reader takes, pictures that lack bytes, a picture
    # larger than its button's picture 0, a disabled and a hidden button: autorun-sim play must
    # draw every step exactly as the real program does through Wine's GDI, so that its shots
    # show an author what the disc will show.
    sim = os.environ.get("AUTORUN_SIM", "")
    check(os.path.isfile(sim), "AUTORUN_SIM does not name the built autorun-sim (%r)" % sim)
    def picture(salt, w=97, h=41, **options):
        return bmp.bmp(w, h, gradient(w, h, salt), **options)
    # b1n and b3n (rows of 96 pixels need no padding) end with their pixels, as most programs
    # write them, and show every pixel; b3h is cut in the middle of a row, and the rows it lacks
    # are black.
    pictures = {"back": picture(0, 400, 300), "b1n": picture(1, bits=32, trailing=0), "b1h": picture(2, bits=16),
                "b1p": picture(3, top_down=True), "b2n": bmp.bmp(101, 41, lambda x, y: (x // 7 + y // 5) % 256, bits=8),
                "b2h": bmp.bmp(93, 41, lambda x, y: (x // 3 + y) % 16, bits=4),
                "b2p": bmp.bmp(91, 41, lambda x, y: (x // 4 + y // 4) % 2, bits=1), "b3n": picture(4, 96, trailing=0),
                "b3h": picture(5)[:54 + 300 * 20 + 17], "b3p": picture(6, 130, 70), "b4n": picture(7), "b4d": picture(8)}
    for name, data in pictures.items():
        t.write(name + ".bmp", data)
    lines = "[Main]\nBackGround = back.bmp\nButtons = 5\n"
    for n, left, top in ((1, 10, 10), (2, 150, 10), (3, 290, 10)):
        lines += "[Button%d]\nLeft = %d\nTop = %d\nNABitmap = b%dn.bmp\nABitmap = b%dh.bmp\nPBitmap = b%dp.bmp\n" % (
            n, left, top, n, n, n)
    t.ini(lines + "[Button4]\nLeft = 10\nTop = 150\nNABitmap = b4n.bmp\nDBitmap = b4d.bmp\n"
          "Activate = ENABLE BUTTON4 nothing\n[Button5]\nLeft = 150\nNABitmap = b4n.bmp")
    # Each step is an event of the play script and the same input to the real menu.
    steps = [("start", ""), ("hover 16-bit", "move 40 30"), ("press top-down", "down 40 30"),
             ("hover 4-bit", "move 180 30"), ("press 1-bit", "down 180 30"), ("hover on a cut file", "move 320 30"),
             ("press larger than the button", "down 320 30"), ("leave onto a disabled button", "move 40 170"),
             ("whole-window redraw", "erase")]
    t.write("steps.play", "".join("%s\nshot step%d.png\n" % (event, n) for n, (_, event) in enumerate(steps)), t.root)
    result = subprocess.run([sim, "--dir", t.dir, "play", "steps.play"], cwd=t.root, capture_output=True, timeout=60)
    check(result.returncode == 0, "autorun-sim play failed: %s" % result.stderr.decode("latin-1")[-400:])
    shots = [pngread.read(os.path.join(t.root, "step%d.png" % n)) for n in range(len(steps))]
    check(all(shot[:2] == (400, 300) for shot in shots), "autorun-sim shots of the wrong size")
    t.launch(shown=False)
    check(t.menu.window()[3:] == (400, 300), "the window is not 400 x 300: %s" % (t.menu.window(),))
    for n, (what, event) in enumerate(steps):
        words = event.split() + ["", 0, 0]
        if words[0] in ("move", "down"):
            t.point(int(words[1]), int(words[2]), *(("mousedown", 1, "mouseup", 1) if words[0] == "down" else ()))
        elif words[0] == "erase":
            t.driver("post", "20")
        expected, seen = shots[n][2], []

        def same():
            seen[:] = t.client().pixels
            return seen == expected
        try:
            wait_until(same, 15, "the screen to show step %d (%s) as autorun-sim drew it" % (n, what))
        except Failure as failure:
            wrong = [i for i in range(len(expected)) if seen[i] != expected[i]]
            raise Failure("%s: %d pixels differ, the first at (%d, %d): Wine %06x, autorun-sim %06x; screen in %s" % (
                failure, len(wrong), wrong[0] % 400, wrong[0] // 400, seen[wrong[0]], expected[wrong[0]],
                t.screenshot("step%d" % n)))


@case
def idle_cpu(t):
    t.standard([(10, 20, ""), (150, 20, "")])
    t.point(20, 30)
    t.expect(10, 20, HOVER, "hover")
    t.point(300, 250)
    t.expect(10, 20, NORMAL, "normal")
    before = t.menu.cpu_seconds()
    time.sleep(4)
    used = t.menu.cpu_seconds() - before
    # A menu that polls its queue uses the whole 4 s; one that waits uses nothing measurable.
    check(used <= 0.08, "the idle menu used %.2f s of processor time in 4 s" % used)


def starts_and_ends(t):
    """The recorder's log as (start or end, program) in the order the programs wrote it."""
    names, events = {}, []
    for line in open(t.log, "rb").read().decode("utf-8").split("\r\n")[:-1]:
        fields = line.split("\t")
        if fields[0] == "start":
            names[fields[1]] = fields[2].rsplit("\\", 1)[-1].lower()
        events.append((fields[0], names.get(fields[1])))
    return events


@case(locale="en_US.UTF-8")
def folder_outside_code_page(t):
    # Code page 1252 cannot write the menu's folder, nor the folder an alias names: the menu
    # still reads its file, pictures and icon there, starts its programs there (waiting for
    # one), opens a document there and starts a program below the alias's folder.
    viewer = t.recorder("viewer.exe", folder=os.path.join(t.root, "apps"))
    t.reg_import('[HKEY_CLASSES_ROOT\\.e2edoc]\n@="e2edoc"\n\n[HKEY_CLASSES_ROOT\\e2edoc\\shell\\open\\command]\n'
                 '@="\\"%s\\" \\"%%1\\""\n' % windows_path(viewer).replace("\\", "\\\\"))
    aliased = os.path.join(t.root, "Программы 日本語")
    t.recorder("view.exe", folder=aliased)
    t.reg_set("HKCU\\Software\\E2E\\Viewer", "Path", windows_path(aliased) + "\\")
    t.folder("Программа 日本語")
    t.recorder("setup.exe", "after.exe", "sentinel.exe")
    t.recorder("wait.exe", directions="sleep|1500")
    t.write("docs/readme.e2edoc", "read me")
    t.write("menu.ico", bmp.icon(32, 0x30C030))
    t.standard([(10, 20, "Action = RUN setup.exe /x"), (150, 20, "Action = RUN wait.exe wait|RUN after.exe"),
                (290, 20, "Action = SHELL open docs\\readme.e2edoc docs"), (10, 120, "Action = RUN Viewer+view.exe"),
                (250, 220, "Action = RUN sentinel.exe")], main="Icon = menu.ico", registry="Viewer = E2E\\Viewer\\Path")
    for left, top in ((10, 20), (150, 20), (290, 20), (10, 120)):
        t.expect(left, top, NORMAL, "the button at (%d, %d) in its picture" % (left, top))
    # Wine hands the window class's icon to the X server, where other programs see it.
    icon = subprocess.run(["xprop", "-id", str(t.menu.window()[0]), "_NET_WM_ICON"], env=t.env,
                          capture_output=True).stdout.decode("utf-8")
    check("Icon (32 x 32)" in icon, "the window has no 32 x 32 icon: %r" % icon[:80])
    for left, top in ((10, 20), (150, 20), (290, 20), (10, 120)):
        t.press(left, top)
    seen = t.settle(250, 220, 5)
    view = windows_path(os.path.join(aliased, "view.exe"))
    expected = [("~\\setup.exe", '"~\\setup.exe" /x', "~"), ("~\\wait.exe", '"~\\wait.exe"', "~"),
                ("~\\after.exe", '"~\\after.exe"', "~"),
                (windows_path(viewer).lower(), '"%s" "~\\docs\\readme.e2edoc"' % windows_path(viewer), "~\\docs"),
                (view.lower(), '"%s"' % view, windows_path(aliased).lower())]
    check(seen == expected, "starts: %s, expected %s" % (seen, expected))
    events = starts_and_ends(t)
    check(events.index(("end", "wait.exe")) < events.index(("start", "after.exe")),
          "after.exe started before wait.exe ended: %s" % events)


def named_menu(t, title, encode):
    """A menu with this title whose picture and program names, argument and Tip are Cyrillic,
    written by encode; started, its names read through the window, the accessibility interface
    and the tooltip, its button pressed."""
    t.write("фон.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    t.write("кнопка.bmp", bmp.solid(BUTTON_W, BUTTON_H, NORMAL))
    t.write("кнопка-над.bmp", bmp.solid(BUTTON_W, BUTTON_H, HOVER))
    t.recorder("установка.exe")
    t.write("autorun.ini", encode("".join(line + "\r\n" for line in (
        "[Main]", "AppName = " + title, "BackGround = фон.bmp", "Buttons = 1", "[Button1]", "Left = 10",
        "Top = 20", "NABitmap = КНОПКА.bmp", "ABitmap = кнопка-над.bmp", "Tip = Установить программу",
        "Action = RUN установка.exe аргумент"))))
    t.launch()
    t.expect(10, 20, NORMAL, "the button in its normal picture")
    check(t.facts()["title"] == title, "the window's title is %r, expected %r" % (t.facts()["title"], title))
    lines = t.reader("accessible").stdout.decode("utf-8").splitlines()
    names = [line.split('"')[1] for line in lines if line.startswith("child ")]
    check(names == [title, "Установить программу"], "the accessible names: %s" % names)
    t.point(30, 30)
    t.expect(10, 20, HOVER, "the button in its hover picture")
    tips = lambda: [l for l in t.driver("tooltip").stdout.decode("utf-8").splitlines()  # noqa: E731
                    if l.startswith("tooltip 1 ") and l.endswith('"Установить программу"')]
    wait_until(tips, 10, "the tip to show")
    t.press(10, 20)
    seen = [r[:3] for r in t.wait_started(1)]
    check(seen == [("~\\установка.exe", "~\\установка.exe аргумент", "~")], "starts: %s" % seen)


@case(locale="en_US.UTF-8")
def utf8_file(t):
    named_menu(t, "Меню 日本語", lambda text: b"\xef\xbb\xbf" + text.encode("utf-8"))


@case(locale="ru_RU.UTF-8")
def cp1251_file_on_1251_machine(t):
    named_menu(t, "Меню", lambda text: text.encode("cp1251"))


if __name__ == "__main__":
    import hostile  # noqa: F401  (registers its cases)
    import from_page  # noqa: F401
    sys.exit(main())
