"""The end-to-end cases: each function is one ctest test, run as
    cases.py --work DIR --mingw DIR NAME
Each writes its own menu folder, starts the real autorun.exe under Wine and checks what a user
would see and what the menu really did."""

import os
import sys
import time

import bmp
from harness import Failure, check, main, wait_until, windows_path

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


def settle(session, menu, origin, sentinel_left, sentinel_top, count):
    """Clicks the sentinel button, whose Action runs one more recorder, and waits for its start:
    the menu handles input in order, so anything that an earlier input started has been
    started before it. Returns the records before the sentinel's."""
    session.click(origin[0] + sentinel_left + 5, origin[1] + sentinel_top + 5)
    records = session.wait_started(count)
    wait_until(lambda: all(r["ended"] for r in session.started()), 15, "the programs to end")
    records = session.started()
    check(records[-1]["exe"].endswith("sentinel.exe"),
          "expected the sentinel to be the last program started, saw %s" % [r["exe"] for r in records])
    return records[:-1]


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
        check(img.at(px, py) == colour, "pixel (%d, %d) is %06x, expected %06x; screen in %s" % (
            px, py, img.at(px, py), colour, s.screenshot("layout")))
    # Each button's normal picture covers exactly its 100 x 40 rectangle at (Left, Top).
    for left, top in ((10, 20), (250, 200)):
        bx, by = 312 + left, 234 + top
        inside = img.count(NORMAL, bx, by, bx + BUTTON_W, by + BUTTON_H)
        around = img.count(NORMAL, bx - 2, by - 2, bx + BUTTON_W + 2, by + BUTTON_H + 2)
        check(inside == BUTTON_W * BUTTON_H and around == inside,
              "button at (%d, %d): %d of %d pixels inside, %d around; screen in %s" % (
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
          "column 89 of the picture should be at the screen's left edge; screen in %s" % s.screenshot("odd"))
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
        check(img.at(px, py) == colour, "pixel (%d, %d) is %06x, expected %06x; screen in %s" % (
            px, py, img.at(px, py), colour, s.screenshot("caption")))
    for px, py in ((ox - 1, oy), (ox + 400, oy + 299), (ox, oy + 300), (ox + 200, oy - 1)):
        check(img.at(px, py) not in (BACK, BACK_EDGE),
              "pixel (%d, %d) outside the client area shows the background; screen in %s" % (
                  px, py, s.screenshot("caption")))
    close(s, menu)


CASES = {f.__name__: f for f in (layout_without_caption, centring_odd_overhang, caption_fitted)}

if __name__ == "__main__":
    sys.exit(main(CASES))
