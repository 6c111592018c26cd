"""The end-to-end cases: each function is one ctest test, run as
    cases.py --work DIR --mingw DIR NAME
Each writes its own menu folder, starts the real autorun.exe under Wine and checks what a user
would see and what the menu really did."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import bmp  # noqa: E402
import pngread  # noqa: E402
from harness import START_TIMEOUT, Failure, check, main, wait_until, windows_path

# Colours of the generated pictures; none of them is black, the colour of the empty screen.
BACK = 0x2080C0
BACK_EDGE = 0xFFFF00
NORMAL = 0xC03030
HOVER = 0x30C030
PRESSED = 0x3030C0
DISABLED = 0x808080
ROOT = 0x000000

BUTTON_W, BUTTON_H = 100, 40


def button_pictures(session, folder, prefix="b"):
    """The four pictures of a button, one colour each."""
    names = {}
    for key, colour in (("NABitmap", NORMAL), ("ABitmap", HOVER), ("PBitmap", PRESSED),
                        ("DBitmap", DISABLED)):
        name = "%s_%s.bmp" % (prefix, key[:-6].lower())
        session.write(folder, name, bmp.solid(BUTTON_W, BUTTON_H, colour))
        names[key] = name
    return names


def standard_menu(session, folder, buttons, main_extra="", registry="", width=400, height=300):
    """A 400 x 300 menu; buttons is a list of (left, top, extra lines) for [Button1] on."""
    session.write(folder, "back.bmp", bmp.framed(width, height, BACK, BACK_EDGE))
    pictures = button_pictures(session, folder)
    lines = ["[Main]", "BackGround = back.bmp", "Buttons = %d" % len(buttons)]
    lines += [l for l in main_extra.split("\n") if l.strip()]
    if registry:
        lines += ["[Registry]"] + [l for l in registry.split("\n") if l.strip()]
    for n, (left, top, extra) in enumerate(buttons, 1):
        lines += ["[Button%d]" % n, "Left = %d" % left, "Top = %d" % top]
        lines += ["%s = %s" % (k, v) for k, v in pictures.items()]
        lines += [l for l in extra.split("\n") if l.strip()]
    session.write_ini(folder, "\n".join(lines))


def shown(session, menu, width=400, height=300):
    """Waits until the menu's window is mapped and its background painted; returns the
    screen position of its client area."""
    window, x, y, w, h = menu.window()
    session.wait_colour(x + width // 2, y + 1, BACK, "the background to be painted")
    return window, x, y


def button_colour(session, origin, left, top):
    """The colour in the middle of the button at (left, top) of the client area."""
    return session.x.pixel(origin[0] + left + BUTTON_W // 2, origin[1] + top + BUTTON_H // 2)


def wait_button(session, origin, left, top, colour, what):
    session.wait_colour(origin[0] + left + BUTTON_W // 2, origin[1] + top + BUTTON_H // 2,
                        colour, what)


def close(session, menu):
    """Closes the menu as another program can, and checks that it ends with exit code 0."""
    session.driver("post", "16")
    code = menu.wait_exit()
    check(code == 0, "the menu ended with exit code %d, expected 0" % code)


def is_sentinel(record):
    return record["exe"].endswith("sentinel.exe")


def settle(session, origin, sentinel_left, sentinel_top):
    """Clicks the sentinel button, whose Action runs sentinel.exe, and waits for that start and
    for every program to end: the menu handles input in order, so whatever an earlier input
    started has been started by then. Returns the records of the programs other than the
    sentinel."""
    before = sum(map(is_sentinel, session.started()))
    session.click(origin[0] + sentinel_left + 5, origin[1] + sentinel_top + 5)
    wait_until(lambda: sum(map(is_sentinel, session.started())) > before, 15, "the sentinel to start")
    wait_until(lambda: all(r["ended"] for r in session.started()), 15, "the programs to end")
    return [r for r in session.started() if not is_sentinel(r)]


# Layout.

def layout_without_caption(s):
    menu_folder = s.folder()
    standard_menu(s, menu_folder, [(10, 20, ""), (250, 200, "")])
    menu = s.start_menu(menu_folder)
    window, x, y = shown(s, menu)
    _, gx, gy, gw, gh = menu.window()
    check((gx, gy, gw, gh) == (312, 234, 400, 300),
          "window at %s, expected 400 x 300 at (312, 234), centred on 1024 x 768" % ((gx, gy, gw, gh),))
    facts = s.window_facts()
    check(facts["client"] == [0, 0, 400, 300], "client rectangle %s" % facts["client"])
    check(facts["origin"] == [312, 234], "client origin %s" % facts["origin"])
    check(facts["style"] & 0x80000000 and not facts["style"] & 0x00C00000,
          "style %08x: expected a popup without caption" % facts["style"])
    img = s.image(300, 222, 424, 324)
    # The frame of the background lies exactly on the window's edges; the screen shows around it.
    for px, py, colour in ((312, 234, BACK_EDGE), (711, 234, BACK_EDGE), (312, 533, BACK_EDGE),
                           (711, 533, BACK_EDGE), (313, 235, BACK), (710, 532, BACK),
                           (311, 234, ROOT), (712, 533, ROOT), (312, 233, ROOT), (711, 534, ROOT)):
        check(img.at(px, py) == colour, lambda: "pixel (%d, %d) is %06x, expected %06x; screen in %s" % (
            px, py, img.at(px, py), colour, s.screenshot("layout")))
    # Each button's normal picture covers exactly its 100 x 40 rectangle at (Left, Top).
    for left, top in ((10, 20), (250, 200)):
        bx, by = 312 + left, 234 + top
        inside = img.count(NORMAL, bx, by, bx + BUTTON_W, by + BUTTON_H)
        around = img.count(NORMAL, bx - 2, by - 2, bx + BUTTON_W + 2, by + BUTTON_H + 2)
        check(inside == BUTTON_W * BUTTON_H and around == inside,
              lambda: "button at (%d, %d): %d of %d pixels inside, %d around; screen in %s" % (
                  left, top, inside, BUTTON_W * BUTTON_H, around, s.screenshot("layout")))
    close(s, menu)


def centring_odd_overhang(s):
    # 1201 pixels on a 1024-pixel screen: x = (1024 - 1201) / 2 halved towards minus infinity
    # is -89; truncation would give -88.
    menu_folder = s.folder()
    s.write(menu_folder, "back.bmp", bmp.bmp(1201, 101, lambda x, y: BACK if x != 89 else BACK_EDGE))
    s.write_ini(menu_folder, "[Main]\nBackGround=back.bmp\n")
    menu = s.start_menu(menu_folder)
    menu.window()
    y = (768 - 101) // 2
    s.wait_colour(512, y + 50, BACK, "the background to be painted")
    check(s.window_facts()["origin"] == [-89, y], "client origin %s" % s.window_facts()["origin"])
    check(s.x.pixel(0, y + 50) == BACK_EDGE,
          lambda: "column 89 of the picture should be at the screen's left edge; screen in %s" % s.screenshot("odd"))
    close(s, menu)


def caption_fitted(s):
    menu_folder = s.folder()
    standard_menu(s, menu_folder, [(10, 20, "")], main_extra="ShowCaption = 1\nAppName = E2E Menu Title")
    menu = s.start_menu(menu_folder)
    window, gx, gy, gw, gh = menu.window()
    facts = s.window_facts()
    check(facts["style"] & 0x00C00000 == 0x00C00000 and facts["style"] & 0x000A0000 == 0x000A0000
          and not facts["style"] & 0x80000000,
          "style %08x: expected a caption, system menu and minimize box" % facts["style"])
    check(facts["client"] == [0, 0, 400, 300],
          "the client area is %s, expected exactly the 400 x 300 background" % facts["client"])
    # Without a window manager on the display the caption is not drawn, but Windows programs
    # and a window manager read the title from the window.
    check(facts["title"] == "E2E Menu Title", "GetWindowText gives %r" % facts["title"])
    check(menu.title(window) == "E2E Menu Title", "the X window is titled %r" % menu.title(window))
    # The window lies where the centring put it: the fitting changed only its size.
    metrics = dict((l.split()[0], [int(v) for v in l.split()[1:]])
                   for l in s.driver("metrics").stdout.decode().splitlines())
    caption, (frame_w, frame_h) = metrics["caption"][0], metrics["frame"]
    x = frame_w + (1024 - 400 - 2 * frame_w) // 2
    y = frame_h + caption + (768 - 300 - caption - 2 * frame_h) // 2
    left, top, right, bottom = facts["window"]
    check((left, top) == (x - frame_w, y - frame_h - caption),
          "window at (%d, %d), expected (%d, %d) from caption %d and frame %d x %d" % (
              left, top, x - frame_w, y - frame_h - caption, caption, frame_w, frame_h))
    check(right - left > 400 and bottom - top - 300 > right - left - 400,
          "outer rectangle %s has no room for a frame and caption" % facts["window"])
    ox, oy = facts["origin"]
    check(gx <= ox and gy <= oy and gx + gw >= ox + 400 and gy + gh >= oy + 300,
          "the X window %s does not hold the client area at %s" % ((gx, gy, gw, gh), (ox, oy)))
    s.wait_colour(ox + 200, oy + 1, BACK, "the background to be painted")
    img = s.image(ox - 40, oy - 60, 480, 400)
    for px, py, colour in ((ox, oy, BACK_EDGE), (ox + 399, oy + 299, BACK_EDGE), (ox + 1, oy + 1, BACK)):
        check(img.at(px, py) == colour, lambda: "pixel (%d, %d) is %06x, expected %06x; screen in %s" % (
            px, py, img.at(px, py), colour, s.screenshot("caption")))
    for px, py in ((ox - 1, oy), (ox + 400, oy + 299), (ox, oy + 300), (ox + 200, oy - 1)):
        check(img.at(px, py) not in (BACK, BACK_EDGE),
              lambda: "pixel (%d, %d) outside the client area shows the background; screen in %s" % (
                  px, py, s.screenshot("caption")))
    close(s, menu)


# Pointer feedback.

def hover_leave_press(s):
    # Button 2 overlaps the right 10 pixels of button 1's hit area, so a move into the overlap
    # shows, by button 2's picture, that the menu has handled it, whatever button 1 shows.
    menu_folder = s.folder()
    standard_menu(s, menu_folder, [(10, 20, ""), (100, 20, "")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    wait_button(s, o, 10, 20, NORMAL, "button 1 in its normal picture")
    s.move(ox + 30, oy + 30)
    wait_button(s, o, 10, 20, HOVER, "button 1 in its hover picture (pointer entered)")
    check(button_colour(s, o, 100, 20) == NORMAL, "button 2 changed although the pointer is not on it")
    s.move(ox + 40, oy + 35)
    s.xdotool("mousedown", 1)
    wait_button(s, o, 10, 20, PRESSED, "button 1 in its pressed picture (button down)")
    s.xdotool("mouseup", 1)
    # A move inside button 1 that also enters button 2: button 1 is already in hover and is not
    # redrawn, so it keeps its pressed picture.
    s.move(ox + 105, oy + 30)
    wait_button(s, o, 100, 20, HOVER, "button 2 in hover in the overlap")
    check(button_colour(s, o, 10, 20) == PRESSED,
          lambda: "button 1 lost its pressed picture on a move inside it; screen in %s" % s.screenshot("press"))
    # A whole-window redraw shows the state the last move left, hover.
    s.driver("post", "20")
    wait_button(s, o, 10, 20, HOVER, "button 1 in hover after a whole-window redraw")
    # Leaving both.
    s.move(ox + 300, oy + 250)
    wait_button(s, o, 10, 20, NORMAL, "button 1 normal after the pointer left")
    wait_button(s, o, 100, 20, NORMAL, "button 2 normal after the pointer left")
    # A press in the overlap presses only button 1, the lower number, though button 2 is on top.
    s.move(ox + 105, oy + 30)
    wait_button(s, o, 100, 20, HOVER, "button 2 in hover in the overlap again")
    s.xdotool("mousedown", 1, "mouseup", 1)
    wait_button(s, o, 10, 20, PRESSED, "button 1 pressed by a press in the overlap")
    check(button_colour(s, o, 100, 20) == HOVER, "button 2 changed on a press that belongs to button 1")
    close(s, menu)


def hit_edges(s):
    # Button 1 is 100 x 40 at (10, 20): its hit area runs from x 10 to 110 and y 20 to 60, both
    # edges included, one pixel more than the picture on the right and at the bottom.
    menu_folder = s.folder()
    s.recorder(menu_folder, "hit.exe")
    s.recorder(menu_folder, "sentinel.exe")
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN hit.exe"), (250, 200, "Action = RUN sentinel.exe")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    away = (ox + 200, oy + 150)
    for x, y, inside in ((10, 20, True), (110, 60, True), (110, 20, True), (10, 60, True),
                         (111, 60, False), (110, 61, False), (9, 20, False), (10, 19, False)):
        s.move(ox + x, oy + y)
        if inside:
            wait_button(s, o, 10, 20, HOVER, "hover with the pointer at (%d, %d)" % (x, y))
            s.move(*away)
            wait_button(s, o, 10, 20, NORMAL, "normal with the pointer away")
        else:
            # The move back to the button's middle is handled after this one: the hover picture
            # then proves this move was seen, and it must not have shown hover before.
            s.move(ox + 60, oy + 40)
            wait_button(s, o, 10, 20, HOVER, "hover in the middle")
            s.move(*away)
            wait_button(s, o, 10, 20, NORMAL, "normal with the pointer away")
    # The pictures changed as the hit test says; a hover change after the outside moves would
    # have shown as well, so look at the clicks too: the corner (110, 60) runs the Action, the
    # pixel past it does not.
    s.click(ox + 110, oy + 60)
    s.click(ox + 111, oy + 60)
    s.click(ox + 10, oy + 61)
    records = settle(s, o, 250, 200)
    check([r["exe"].endswith("hit.exe") for r in records] == [True],
          "expected one run of hit.exe, saw %s" % [r["exe"] for r in records])
    close(s, menu)


# RUN.

def base_of(folder):
    return windows_path(folder) + "\\"


def run_plain(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "tools/setup.exe")
    s.recorder(menu_folder, "first.exe")
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN Tools\\setup.exe"),
                                   (150, 20, "Action = run  first.exe")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.click(ox + 20, oy + 30)
    first = s.wait_started(1)[0]
    s.click(ox + 160, oy + 30)
    second = s.wait_started(2)[1]
    base = base_of(menu_folder)
    check(first["cmdline"] == base + "Tools\\setup.exe",
          "command line %r, expected %r" % (first["cmdline"], base + "Tools\\setup.exe"))
    check(first["cwd"].lower() == (base + "tools").lower(),
          "working directory %r, expected %r" % (first["cwd"], base + "Tools"))
    check(second["cmdline"] == base + "first.exe", "command line %r" % second["cmdline"])
    check(second["cwd"] == base[:-1], "working directory %r, expected %r" % (second["cwd"], base[:-1]))
    check(menu.running(), "the menu ended after starting programs")
    close(s, menu)


def run_argument(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "setup.exe")
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN setup.exe /silent /ignored"),
                                   (150, 20, "Action = RUN setup.exe WAIT")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.click(ox + 20, oy + 30)
    record = s.wait_started(1)[0]
    base = base_of(menu_folder)
    check(record["cmdline"] == base + "setup.exe /silent",
          "command line %r, expected %r" % (record["cmdline"], base + "setup.exe /silent"))
    check(record["cwd"] == base[:-1], "working directory %r" % record["cwd"])
    # "wait" in any case is the wait, never an argument.
    s.click(ox + 160, oy + 30)
    record = s.wait_started(2)[1]
    check(record["cmdline"] == base + "setup.exe", "command line %r" % record["cmdline"])
    close(s, menu)


def run_alias(s):
    menu_folder = s.folder()
    elsewhere = os.path.join(s.root, "programs", "Viewer")
    s.recorder(elsewhere, "bin/view.exe")
    s.recorder(elsewhere, "view.exe")
    s.reg_set("Software\\E2E\\Viewer", "Path", windows_path(elsewhere) + "\\")
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN Viewer+bin/view.exe"),
                                   (150, 20, "Action = RUN viewer+view.exe wait")],
                  registry="Viewer = E2E\\Viewer\\Path")
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.click(ox + 20, oy + 30)
    record = s.wait_started(1)[0]
    text = windows_path(elsewhere) + "\\"
    check(record["cmdline"] == text + "bin/view.exe",
          "command line %r, expected %r" % (record["cmdline"], text + "bin/view.exe"))
    check(record["cwd"].lower() == (text + "bin").lower(), "working directory %r" % record["cwd"])
    s.click(ox + 160, oy + 30)
    record = s.wait_started(2)[1]
    check(record["cmdline"] == text + "view.exe", "command line %r" % record["cmdline"])
    check(record["cwd"] == text[:-1], "working directory %r" % record["cwd"])
    close(s, menu)


def run_wait(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "setup.exe", ["sleep|5000"])
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN setup.exe wait"), (150, 20, "")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    s.click(ox + 20, oy + 30)
    s.wait_started(1)
    # Wine shows what the menu draws into its window when the menu next looks at its queue or
    # repaints, so the pressed picture appears with the first 200 ms slice of the wait.
    wait_button(s, o, 10, 20, PRESSED, "button 1 pressed while its program runs")
    # The menu reacts to nothing while it waits: the pointer leaves for button 2, and both
    # pictures stay as they are until the program has ended. Every 200 ms the menu repaints the
    # background and then the buttons; Wine often puts the half-done repaint on the screen and
    # leaves it there until the next slice, so a look may see background where a button is.
    s.move(ox + 160, oy + 30)
    looks, pressed = 0, 0
    while not s.started()[0]["ended"]:
        one, two = button_colour(s, o, 10, 20), button_colour(s, o, 150, 20)
        check(one in (PRESSED, BACK) and two in (NORMAL, BACK),
              lambda: "the pictures changed while the program ran (%06x, %06x); screen in %s" % (
                  one, two, s.screenshot("wait")))
        looks += 1
        pressed += one == PRESSED
        time.sleep(0.05)
    check(looks >= 10 and pressed >= 3,
          "watched the wait %d times, saw the pressed picture %d times" % (looks, pressed))
    # Then the pointer move that waited is handled.
    wait_button(s, o, 150, 20, HOVER, "button 2 in hover once the wait is over")
    wait_button(s, o, 10, 20, NORMAL, "button 1 normal once the wait is over")
    close(s, menu)


# SHELL.

def shell_open(s):
    # Documents of a type of their own, opened by a viewer (the recorder) that the test
    # registers for it, so that what the shell was handed and where it ran can be seen.
    viewer = s.recorder(os.path.join(s.root, "apps"), "viewer.exe")
    s.reg_import(
        "[HKEY_CLASSES_ROOT\\.e2edoc]\n@=\"e2edoc\"\n\n"
        "[HKEY_CLASSES_ROOT\\e2edoc\\shell\\open\\command]\n"
        "@=\"\\\"%s\\\" \\\"%%1\\\"\"\n" % windows_path(viewer).replace("\\", "\\\\"))
    menu_folder = s.folder()
    s.write(menu_folder, "readme.e2edoc", "read me")
    s.write(menu_folder, "docs/manual.e2edoc", "manual")
    s.recorder(menu_folder, "sentinel.exe")
    standard_menu(s, menu_folder, [
        (10, 20, "Action = SHELL open readme.e2edoc .\\"),
        (150, 20, "Action = SHELL OPEN docs\\manual.e2edoc docs"),
        (10, 120, "Action = SHELL print readme.e2edoc"),
        (150, 120, "Action = SHELL open readme.e2edoc docs extra"),
        (250, 220, "Action = RUN sentinel.exe"),
    ])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    base = base_of(menu_folder)
    s.click(ox + 20, oy + 30)
    record = s.wait_started(1)[0]
    check(record["exe"] == windows_path(viewer), "the shell started %r" % record["exe"])
    check(record["cmdline"].lower().endswith("readme.e2edoc\""), "viewer command line %r" % record["cmdline"])
    check(record["cwd"].rstrip("\\") == base[:-1], "the viewer ran in %r, expected %r" % (record["cwd"], base))
    s.click(ox + 160, oy + 30)
    record = s.wait_started(2)[1]
    check("docs\\manual.e2edoc" in record["cmdline"].lower(), "viewer command line %r" % record["cmdline"])
    check(record["cwd"].rstrip("\\") == base + "docs", "the viewer ran in %r, expected %r" % (record["cwd"], base + "docs"))
    # print is not open: nothing happens. Five words: no directory, the viewer runs in the
    # menu's own current directory.
    s.click(ox + 20, oy + 130)
    s.click(ox + 160, oy + 130)
    records = settle(s, (ox, oy), 250, 220)
    check(len(records) == 3, "expected 3 programs before the sentinel, saw %s" % [r["cmdline"] for r in records])
    check(records[2]["exe"] == windows_path(viewer) and records[2]["cwd"].rstrip("\\") == base[:-1],
          "SHELL with five words: %r in %r" % (records[2]["cmdline"], records[2]["cwd"]))
    close(s, menu)


# REINIT, Activate and the rebuild message.

def reinit_after_wait(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "setup.exe", ["regset|Software\\E2E\\App|Installed|yes", "sleep|5000"])
    standard_menu(s, menu_folder, [
        (10, 20, "Action = RUN setup.exe wait|REINIT\nActivate = ENABLE BUTTON2 installed"),
        (150, 20, ""),
    ], registry="installed = E2E\\App\\Installed")
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    wait_button(s, o, 150, 20, DISABLED, "button 2 disabled while nothing is installed")
    s.click(ox + 20, oy + 30)
    s.wait_started(1)
    wait_until(lambda: s.reg_query("Software\\E2E\\App", "Installed") == "yes", 15,
               "the program to write the registry")
    # The registry has changed, but the menu reads it again only after the program has ended.
    check(not s.started()[0]["ended"], "the program ended before the menu could be looked at")
    check(button_colour(s, o, 150, 20) in (DISABLED, BACK), "button 2 changed during the wait")
    wait_until(lambda: s.started()[0]["ended"], 15, "the program to end")
    wait_button(s, o, 150, 20, NORMAL, "button 2 enabled after REINIT")
    # Enabled for the pointer too, and the rebuild left button 1 out of hover.
    s.move(ox + 160, oy + 30)
    wait_button(s, o, 150, 20, HOVER, "button 2 in hover")
    check(button_colour(s, o, 10, 20) == NORMAL, "button 1 not back to normal after the rebuild")
    close(s, menu)


def activate_rules(s):
    s.reg_import(
        "[HKEY_CURRENT_USER\\Software\\E2E]\n\"Full\"=\"C:\\\\Program Files\\\\E2E\"\n"
        "\"Empty\"=\"\"\n\n"
        "[HKEY_CURRENT_USER\\Software\\E2E\\Reader]\n@=\"reader\"\n")
    menu_folder = s.folder()
    for n in range(1, 7):
        s.recorder(menu_folder, "b%d.exe" % n)
    s.recorder(menu_folder, "sentinel.exe")
    rules = ("ENABLE BUTTON2 full|DISABLE BUTTON3 full|enable button4 empty|"
             "DISABLE BUTTON5 missing|ENABLE BUTTON6 reader")
    standard_menu(s, menu_folder, [
        (10, 20, "Action = RUN b1.exe\nActivate = " + rules),
        (150, 20, "Action = RUN b2.exe"),
        (290, 20, "Action = RUN b3.exe"),
        (10, 120, "Action = RUN b4.exe"),
        (150, 120, "Action = RUN b5.exe"),
        (290, 120, "Action = RUN b6.exe"),
        (150, 220, "Action = RUN sentinel.exe"),
    ], registry="full = E2E\\Full\nempty = E2E\\Empty\nmissing = E2E\\Missing\nreader = E2E\\Reader\\")
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    expected = {(10, 20): NORMAL, (150, 20): NORMAL, (290, 20): DISABLED, (10, 120): DISABLED,
                (150, 120): NORMAL, (290, 120): NORMAL}
    for (left, top), colour in expected.items():
        wait_button(s, o, left, top, colour, "button at (%d, %d) %s" % (
            left, top, "disabled" if colour == DISABLED else "enabled"))
    # Pointer moves leave disabled buttons alone; clicks on them run nothing.
    for (left, top), colour in expected.items():
        s.move(ox + left + 20, oy + top + 20)
        if colour == NORMAL:
            wait_button(s, o, left, top, HOVER, "hover on the enabled button at (%d, %d)" % (left, top))
    s.move(ox + 5, oy + 250)
    for (left, top), colour in expected.items():
        if colour == DISABLED:
            check(button_colour(s, o, left, top) == DISABLED,
                  "the disabled button at (%d, %d) reacted to the pointer" % (left, top))
    for left, top in expected:
        s.click(ox + left + 20, oy + top + 20)
    records = settle(s, o, 150, 220)
    ran = [r["exe"].rsplit("\\", 1)[1] for r in records]
    check(ran == ["b1.exe", "b2.exe", "b5.exe", "b6.exe"], "programs run: %s" % ran)
    close(s, menu)


def rebuild_message_from_outside(s):
    menu_folder = s.folder()
    standard_menu(s, menu_folder, [
        (10, 20, "Activate = ENABLE BUTTON2 installed"),
        (150, 20, ""),
    ], registry="installed = E2E\\App\\Installed")
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    wait_button(s, o, 150, 20, DISABLED, "button 2 disabled while nothing is installed")
    s.reg_set("Software\\E2E\\App", "Installed", "1.0")
    # The hover picture of button 1 shows that the menu is handling input, and button 2 stays
    # disabled: the registry is read only on a rebuild.
    s.move(ox + 20, oy + 30)
    wait_button(s, o, 10, 20, HOVER, "button 1 in hover")
    check(button_colour(s, o, 150, 20) == DISABLED, "button 2 changed before the rebuild")
    s.driver("post", "1025")
    wait_button(s, o, 150, 20, NORMAL, "button 2 enabled after message 1025 from another process")
    # The rebuild left button 1 out of hover until the pointer moves again.
    check(button_colour(s, o, 10, 20) == NORMAL, "button 1 still in hover after the rebuild")
    s.move(ox + 21, oy + 31)
    wait_button(s, o, 10, 20, HOVER, "button 1 in hover after the next move")
    # And back: the value removed, sent (not posted) this time.
    s.wine("reg", "delete", "HKCU\\Software\\E2E\\App", "/v", "Installed", "/f")
    s.driver("send", "1025")
    wait_button(s, o, 150, 20, DISABLED, "button 2 disabled again after the value was removed")
    close(s, menu)


def send_during_wait(s):
    # Another program sends (not posts) the rebuild message and the close request while a RUN
    # waits: the menu handles sent messages in its wait slices. The waiting command must survive
    # the rebuild under it, and the close, and the menu must end normally.
    menu_folder = s.folder()
    s.recorder(menu_folder, "setup.exe", ["sleep|6000"])
    standard_menu(s, menu_folder, [
        (10, 20, "Action = RUN setup.exe wait|RUN after.exe\nActivate = DISABLE BUTTON2 installed"),
        (150, 20, ""),
    ], registry="installed = E2E\\App\\Installed")
    s.recorder(menu_folder, "after.exe")
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    wait_button(s, o, 150, 20, NORMAL, "button 2 enabled")
    s.click(ox + 20, oy + 30)
    s.wait_started(1)
    s.reg_set("Software\\E2E\\App", "Installed", "yes")
    s.driver("send", "1025")
    check(not s.started()[0]["ended"], "the program ended before the message could be sent")
    wait_button(s, o, 150, 20, DISABLED, "button 2 disabled by the rebuild during the wait")
    s.driver("send", "16")
    wait_until(lambda: len(s.started()) == 2, 20, "the item after the waited program to run")
    check(s.started()[0]["ended"], "the next item ran before the waited program ended")
    code = menu.wait_exit()
    check(code == 0, "the menu ended with exit code %d" % code)


# CLOSE and the double click.

def close_with_items_after(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "after.exe")
    standard_menu(s, menu_folder, [(10, 20, "Action = CLOSE now | RUN after.exe")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.click(ox + 20, oy + 30)
    code = menu.wait_exit()
    check(code == 0, "the menu ended with exit code %d, expected 0" % code)
    records = s.wait_started(1)
    check(len(records) == 1 and records[0]["exe"].endswith("after.exe"),
          "the item after CLOSE should still run once: %s" % records)
    check(not s.x.top_level("autorun.exe"), "the menu's window is still on the screen")


def double_click_once(s):
    menu_folder = s.folder()
    s.recorder(menu_folder, "once.exe")
    s.recorder(menu_folder, "sentinel.exe")
    standard_menu(s, menu_folder, [(10, 20, "Action = RUN once.exe"), (250, 200, "Action = RUN sentinel.exe")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.double_click(ox + 30, oy + 30)
    records = settle(s, (ox, oy), 250, 200)
    check(len(records) == 1, "a double click ran the Action %d times" % len(records))
    # Two clicks far enough apart are two clicks.
    s.click(ox + 30, oy + 30)
    time.sleep(0.6)
    s.click(ox + 30, oy + 30)
    records = settle(s, (ox, oy), 250, 200)
    check(len(records) == 3, "two separate clicks ran the Action %d times" % (len(records) - 1))
    close(s, menu)


# Broken and unusual folders.

def no_ini(s):
    menu_folder = s.folder()
    menu = s.start_menu(menu_folder)
    wait_until(lambda: s.driver("rects", check_result=False).returncode == 0, START_TIMEOUT,
               "the menu's window to exist")
    facts = s.window_facts()
    check(facts["client"] == [0, 0, 0, 0], "client area %s, expected 0 x 0" % facts["client"])
    check(facts["origin"] == [512, 384], "client origin %s, expected the screen's middle" % facts["origin"])
    check(facts["title"] == "", "title %r" % facts["title"])
    check(s.x.screenshot().count(ROOT, 0, 0, 1024, 768) >= 1024 * 768 - 1,
          lambda: "something is drawn on the screen; see %s" % s.screenshot("noini"))
    close(s, menu)


def malformed_pictures(s):
    menu_folder = s.folder()
    s.write(menu_folder, "back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    s.write(menu_folder, "good.bmp", bmp.solid(BUTTON_W, BUTTON_H, NORMAL))
    s.write(menu_folder, "pressed.bmp", bmp.solid(BUTTON_W, BUTTON_H, PRESSED))
    s.write(menu_folder, "rle.bmp", bmp.solid(BUTTON_W, BUTTON_H, HOVER, compression=1))
    s.write(menu_folder, "huge.bmp", bmp.solid(BUTTON_W, BUTTON_H, HOVER)[:18]
            + b"\xff\xff\xff\x7f\xff\xff\xff\x7f" + bmp.solid(BUTTON_W, BUTTON_H, HOVER)[26:])
    s.write(menu_folder, "garbage.bmp", b"not a picture at all" * 10)
    # The header promises 40 rows, the file holds 10: the rows it lacks (the top ones, as the
    # rows are stored bottom up) are black.
    s.write(menu_folder, "short.bmp", bmp.solid(BUTTON_W, BUTTON_H, NORMAL, truncate_to=54 + 300 * 10))
    s.write(menu_folder, "header.bmp", b"BM" + b"\x00" * 10)
    # Without the two bytes paint programs put after the pixels, the last pixel, top right,
    # loses its green and red.
    s.write(menu_folder, "tight.bmp", bmp.solid(BUTTON_W, BUTTON_H, 0x4080FF, trailing=0))
    s.write_ini(menu_folder, """
        [Main]
        BackGround = back.bmp
        Buttons = 6
        [Button1]
        Left = 10
        Top = 20
        NABitmap = good.bmp
        ABitmap = rle.bmp
        PBitmap = pressed.bmp
        [Button2]
        Left = 150
        Top = 20
        NABitmap = short.bmp
        [Button3]
        Left = 290
        Top = 20
        NABitmap = huge.bmp
        [Button4]
        Left = 10
        Top = 120
        NABitmap = garbage.bmp
        [Button5]
        Left = 150
        Top = 120
        NABitmap = header.bmp
        [Button6]
        Left = 290
        Top = 120
        NABitmap = tight.bmp
    """)
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    img = s.image(ox, oy, 400, 300)
    def rect_is(left, top, colour, rows=range(BUTTON_H)):
        return all(img.at(ox + left + x, oy + top + y) == colour for x in range(BUTTON_W) for y in rows)
    check(rect_is(10, 20, NORMAL), lambda: "button 1 not drawn; screen in %s" % s.screenshot("malformed"))
    check(rect_is(150, 20, ROOT, range(30)) and rect_is(150, 20, NORMAL, range(30, 40)),
          lambda: "the short picture is not drawn as its 10 rows at the bottom; screen in %s" % s.screenshot("malformed"))
    for left, top in ((290, 20), (10, 120), (150, 120)):
        check(rect_is(left, top, BACK),
              lambda: "an unreadable picture at (%d, %d) is drawn; screen in %s" % (left, top, s.screenshot("malformed")))
    corner = img.at(ox + 290 + 99, oy + 120)
    check(corner == 0x0000FF and img.at(ox + 290 + 98, oy + 120) == 0x4080FF and rect_is(290, 120, 0x4080FF, range(1, 40)),
          lambda: "tight picture: top right pixel %06x, expected 0000ff; screen in %s" % (corner, s.screenshot("malformed")))
    # The hover picture could not be read, so hover shows the normal picture; the pressed one
    # was read and shows.
    s.move(ox + 150 + 50, oy + 20 + 20)
    s.move(ox + 30, oy + 30)
    wait_button(s, o, 10, 20, NORMAL, "button 1 with its unreadable hover picture")
    s.xdotool("mousedown", 1, "mouseup", 1)
    wait_button(s, o, 10, 20, PRESSED, "button 1 pressed")
    check(menu.running(), "the menu ended")
    close(s, menu)


def space_in_base_directory(s):
    # "D:\\My Menu\\setup.exe" unquoted would let the system try "D:\\My.exe" first, so one
    # is planted there; the menu must start the program in its own folder.
    parent = os.path.join(s.root, "disc")
    s.recorder(parent, "My.exe")
    menu_folder = s.folder("disc/My Menu")
    s.recorder(menu_folder, "setup.exe")
    s.recorder(menu_folder, "Tools/run me.exe")
    standard_menu(s, menu_folder, [
        (10, 20, "Action = RUN setup.exe"),
        (150, 20, "Action = RUN setup.exe /lang=en"),
        (290, 20, "Action = RUN setup.exe wait"),
    ])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    base = base_of(menu_folder)
    for n, left in enumerate((10, 150, 290), 1):
        s.click(ox + left + 10, oy + 30)
        s.wait_started(n)
    records = s.started()
    check([r["exe"] for r in records] == [base + "setup.exe"] * 3,
          "programs started: %s" % [r["exe"] for r in records])
    quoted = "\"" + base + "setup.exe\""
    check([r["cmdline"] for r in records] == [quoted, quoted + " /lang=en", quoted],
          "command lines: %s" % [r["cmdline"] for r in records])
    check(all(r["cwd"] == base[:-1] for r in records), "working directories: %s" % [r["cwd"] for r in records])
    close(s, menu)


# The simulated platform against a real one.

def gradient(width, height, salt):
    """A picture in which neighbouring pixels differ in every colour, so that a row or column
    out of place, a swapped colour or a lost bit shows."""
    def pixel(x, y):
        return ((x * 255 // max(width - 1, 1)) << 16 | (y * 255 // max(height - 1, 1)) << 8
                | ((x * 7 + y * 13 + salt) & 0xFF))
    return pixel


def sim_matches_wine(s):
    # The menu's pictures in every format the reader takes, pictures that lack bytes, a picture
    # larger than its button's picture 0, a disabled and a hidden button: autorun-sim play must
    # draw every step exactly as the real program does through Wine's GDI, so that its shots
    # show an author what the disc will show.
    sim = os.environ.get("AUTORUN_SIM", "")
    check(os.path.isfile(sim), "AUTORUN_SIM does not name the built autorun-sim (%r)" % sim)
    menu_folder = s.folder()
    w, h = 97, 41
    pictures = {
        "back.bmp": bmp.bmp(400, 300, gradient(400, 300, 0)),
        "b1n.bmp": bmp.bmp(w, h, gradient(w, h, 1), bits=32),
        "b1h.bmp": bmp.bmp(w, h, gradient(w, h, 2), bits=16),
        "b1p.bmp": bmp.bmp(w, h, gradient(w, h, 3), top_down=True),
        "b2n.bmp": bmp.bmp(101, h, lambda x, y: (x // 7 + y // 5) % 256, bits=8),
        "b2h.bmp": bmp.bmp(93, h, lambda x, y: (x // 3 + y) % 16, bits=4),
        "b2p.bmp": bmp.bmp(91, h, lambda x, y: (x // 4 + y // 4) % 2, bits=1),
        # Without the two bytes after the pixels the top right pixel loses green and red.
        "b3n.bmp": bmp.bmp(w, h, gradient(w, h, 4), trailing=0),
        # Cut in the middle of a row: the rows the file lacks are black.
        "b3h.bmp": bmp.bmp(w, h, gradient(w, h, 5))[:54 + 300 * 20 + 17],
        "b3p.bmp": bmp.bmp(130, 70, gradient(130, 70, 6)),
        "b4n.bmp": bmp.bmp(w, h, gradient(w, h, 7)),
        "b4d.bmp": bmp.bmp(w, h, gradient(w, h, 8)),
    }
    for name, data in pictures.items():
        s.write(menu_folder, name, data)
    s.write_ini(menu_folder, """
        [Main]
        BackGround = back.bmp
        Buttons = 5
        [Button1]
        Left = 10
        Top = 10
        NABitmap = b1n.bmp
        ABitmap = b1h.bmp
        PBitmap = b1p.bmp
        [Button2]
        Left = 150
        Top = 10
        NABitmap = b2n.bmp
        ABitmap = b2h.bmp
        PBitmap = b2p.bmp
        [Button3]
        Left = 290
        Top = 10
        NABitmap = b3n.bmp
        ABitmap = b3h.bmp
        PBitmap = b3p.bmp
        [Button4]
        Left = 10
        Top = 150
        NABitmap = b4n.bmp
        DBitmap = b4d.bmp
        Activate = ENABLE BUTTON4 nothing
        [Button5]
        Left = 150
        NABitmap = b4n.bmp
    """)
    # Each step is an event of the play script and the same input to the real menu.
    steps = [
        ("start", None),
        ("hover 16-bit", ("move", 40, 30)),
        ("press top-down", ("down", 40, 30)),
        ("hover 4-bit", ("move", 180, 30)),
        ("press 1-bit", ("down", 180, 30)),
        ("hover on a cut file", ("move", 320, 30)),
        ("press larger than the button", ("down", 320, 30)),
        ("leave onto a disabled button", ("move", 40, 170)),
        ("whole-window redraw", ("erase",)),
    ]
    script = []
    for n, (_, event) in enumerate(steps):
        if event is not None:
            script.append(" ".join(str(part) for part in event))
        script.append("shot step%d.png" % n)
    s.write(s.root, "steps.play", "\n".join(script) + "\n")
    result = subprocess.run([sim, "--dir", menu_folder, "play", "steps.play"], cwd=s.root,
                            capture_output=True, timeout=60)
    check(result.returncode == 0, "autorun-sim play failed with %d: %s" % (
        result.returncode, result.stderr.decode("latin-1")[-400:]))
    expected = [pngread.read(os.path.join(s.root, "step%d.png" % n)) for n in range(len(steps))]
    check(all(e[:2] == (400, 300) for e in expected), "autorun-sim shots of the wrong size")

    menu = s.start_menu(menu_folder)
    _, ox, oy, gw, gh = menu.window()
    check((gw, gh) == (400, 300), "the window is %d x %d, expected 400 x 300" % (gw, gh))
    for n, (what, event) in enumerate(steps):
        if event is not None and event[0] == "move":
            s.move(ox + event[1], oy + event[2])
        elif event is not None and event[0] == "down":
            s.xdotool("mousemove", ox + event[1], oy + event[2], "mousedown", 1, "mouseup", 1)
        elif event is not None:
            s.driver("post", "20")
        pixels = expected[n][2]
        seen = []

        def same():
            seen[:] = s.image(ox, oy, 400, 300).pixels
            return seen == pixels
        try:
            wait_until(same, 15, "the screen to show step %d (%s) as autorun-sim drew it" % (n, what))
        except Failure as failure:
            wrong = [i for i in range(len(pixels)) if seen[i] != pixels[i]]
            first = wrong[0]
            raise Failure("%s: %d pixels differ, the first at (%d, %d): Wine %06x, autorun-sim %06x; "
                          "screen in %s, shot in %s" % (
                              failure, len(wrong), first % 400, first // 400, seen[first], pixels[first],
                              s.screenshot("step%d" % n), os.path.join(s.root, "step%d.png" % n)))
    close(s, menu)


def idle_cpu(s):
    menu_folder = s.folder()
    standard_menu(s, menu_folder, [(10, 20, ""), (150, 20, "")])
    menu = s.start_menu(menu_folder)
    _, ox, oy = shown(s, menu)
    s.move(ox + 20, oy + 30)
    wait_button(s, (ox, oy), 10, 20, HOVER, "hover")
    s.move(ox + 300, oy + 250)
    wait_button(s, (ox, oy), 10, 20, NORMAL, "normal")
    before = menu.cpu_seconds()
    time.sleep(4)
    used = menu.cpu_seconds() - before
    # A menu that polls its queue uses the whole 4 s; one that waits uses nothing measurable.
    check(used <= 0.08, "the idle menu used %.2f s of processor time in 4 s" % used)
    close(s, menu)


CASES = {f.__name__: f for f in (
    layout_without_caption, centring_odd_overhang, caption_fitted, hover_leave_press, hit_edges,
    run_plain, run_argument, run_alias, run_wait, shell_open, reinit_after_wait, activate_rules,
    rebuild_message_from_outside, send_during_wait, close_with_items_after, double_click_once,
    no_ini, malformed_pictures, space_in_base_directory, sim_matches_wine, idle_cpu,
)}

if __name__ == "__main__":
    sys.exit(main(CASES))
