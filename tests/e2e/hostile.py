"""End-to-end cases with hostile input: broken, huge and malicious menu folders and registry
values. Whatever the folder holds, the menu must come up, stay up and answer the pointer.
Run as hostile.py --work DIR --mingw DIR NAME, like cases.py."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import bmp  # noqa: E402
from cases import (BACK, BACK_EDGE, BUTTON_H, BUTTON_W, DISABLED, HOVER, NORMAL, PRESSED, button_pictures,
                   close, shown, standard_menu, wait_button)
from harness import check, main

# Programs may take long to start here; a big file may take a while to read under emulation.
BIG_START_TIMEOUT = 120


def answers_pointer(s, origin, left, top):
    """The button at (left, top) turns to its hover picture under the pointer and back."""
    ox, oy = origin
    s.move(ox + left + 20, oy + top + 20)
    wait_button(s, origin, left, top, HOVER, "the hover picture of the button at (%d, %d)" % (left, top))
    s.move(ox + 395, oy + 295)
    wait_button(s, origin, left, top, NORMAL, "the normal picture of the button at (%d, %d)" % (left, top))


def runs_sentinel(s, origin, left, top, expected_starts):
    """A click on the button at (left, top), whose Action starts sentinel.exe, starts it: the
    menu still handles clicks, and nothing else was started before."""
    s.click(origin[0] + left + 10, origin[1] + top + 10)
    records = s.wait_started(expected_starts)
    check([r["exe"].rsplit("\\", 1)[-1] for r in records] == ["sentinel.exe"] * expected_starts,
          "programs started: %s" % [r["exe"] for r in records])


def truncated_ini(s):
    folder = s.folder()
    standard_menu(s, folder, [(10, 20, ""), (150, 20, ""), (290, 20, "")])
    path = folder + "/autorun.ini"
    text = open(path, "rb").read()
    # The file ends in the middle of button 2's Top line: button 2 has no position and is
    # hidden, button 3 has no section at all.
    cut = text.index(b"Top", text.index(b"[Button2]")) + 2
    open(path, "wb").write(text[:cut])
    menu = s.start_menu(folder)
    _, ox, oy = shown(s, menu)
    img = s.image(ox, oy, 400, 300)
    for left in (150, 290):
        check(img.count(BACK, ox + left, oy + 20, ox + left + BUTTON_W, oy + 20 + BUTTON_H) == BUTTON_W * BUTTON_H,
              lambda: "a button of the lost part of the file is drawn; screen in %s" % s.screenshot("truncated"))
    answers_pointer(s, (ox, oy), 10, 20)
    close(s, menu)


def big_ini(s):
    """A 10 MB autorun.ini: long comments before the sections and a big section after them."""
    folder = s.folder()
    s.recorder(folder, "sentinel.exe")
    standard_menu(s, folder, [(10, 20, "Action = RUN sentinel.exe"), (150, 20, "Activate = ENABLE BUTTON3 none"),
                              (290, 20, "")])
    path = folder + "/autorun.ini"
    menu_text = open(path, "rb").read()
    comment = b"; " + b"x" * 98 + b"\r\n"
    filler = b"".join(b"Key%07d = %s\r\n" % (n, b"v" * 80) for n in range(55000))
    content = comment * 50000 + menu_text + b"[Filler]\r\n" + filler
    check(len(content) >= 10 * 1000 * 1000, "the file is only %d bytes" % len(content))
    open(path, "wb").write(content)
    started = time.monotonic()
    menu = s.start_menu(folder)
    menu.window(timeout=BIG_START_TIMEOUT)
    _, ox, oy = shown(s, menu)
    wait_button(s, (ox, oy), 290, 20, DISABLED, "button 3 disabled by its rule")
    print("menu with a %d-byte autorun.ini up in %.1f s" % (len(content), time.monotonic() - started))
    answers_pointer(s, (ox, oy), 150, 20)
    runs_sentinel(s, (ox, oy), 10, 20, 1)
    close(s, menu)


def long_line(s):
    """Lines of 1 MB: the title, the icon, a picture name, commands, a rule, a registry path."""
    folder = s.folder()
    s.recorder(folder, "sentinel.exe")
    megabyte = 1024 * 1024
    standard_menu(s, folder, [
        (10, 20, "Action = RUN " + "x" * megabyte),
        (150, 20, "Activate = ENABLE BUTTON2 " + "y" * megabyte),
        (290, 20, "Action = RUN sentinel.exe"),
        (10, 120, "Action = SHELL open " + "z" * megabyte + " .\\|SHELL open readme.txt " + "d" * megabyte),
        (150, 120, ""),
    ], main_extra="AppName = " + "T" * megabyte + "\nIcon = " + "i" * megabyte,
       registry="big = " + "Vendor\\" * (megabyte // 7))
    # Button 5's normal picture gets a name of 1 MB.
    path = folder + "/autorun.ini"
    text = open(path, "rb").read()
    section = text.index(b"[Button5]")
    at = text.index(b"NABitmap = b_na.bmp", section)
    open(path, "wb").write(text[:at] + b"NABitmap = " + b"p" * megabyte + text[at + len(b"NABitmap = b_na.bmp"):])
    menu = s.start_menu(folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    # The rule names an alias no line defines, so ENABLE disables its button.
    wait_button(s, o, 150, 20, DISABLED, "button 2 disabled by its rule")
    s.click(ox + 10 + 10, oy + 20 + 10)
    s.click(ox + 10 + 10, oy + 120 + 10)
    runs_sentinel(s, o, 290, 20, 1)
    img = s.image(ox, oy, 400, 300)
    check(img.count(BACK, ox + 150, oy + 120, ox + 150 + BUTTON_W, oy + 120 + BUTTON_H) == BUTTON_W * BUTTON_H,
          lambda: "the button whose picture name is 1 MB long is drawn; screen in %s" % s.screenshot("long"))
    answers_pointer(s, o, 10, 20)
    check(menu.running(), "the menu ended")
    close(s, menu)


def many_buttons(s):
    """1000 buttons of 10 x 10 pixels in a grid of 40 by 25."""
    folder = s.folder()
    s.write(folder, "back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    for key, colour in (("n", NORMAL), ("a", HOVER), ("p", PRESSED), ("d", DISABLED)):
        s.write(folder, key + ".bmp", bmp.solid(9, 9, colour))
    lines = ["[Main]", "BackGround = back.bmp", "Buttons = 1000"]
    for n in range(1, 1001):
        left, top = (n - 1) % 40 * 10, (n - 1) // 40 * 10
        lines += ["[Button%d]" % n, "Left = %d" % left, "Top = %d" % top, "NABitmap = n.bmp",
                  "ABitmap = a.bmp", "PBitmap = p.bmp", "DBitmap = d.bmp"]
    s.write_ini(folder, "\n".join(lines))
    started = time.monotonic()
    menu = s.start_menu(folder)
    menu.window(timeout=BIG_START_TIMEOUT)
    _, ox, oy, _, _ = menu.window()
    last = (390 + 4, 240 + 4)
    s.wait_colour(ox + last[0], oy + last[1], NORMAL, "button 1000 to be drawn", timeout=BIG_START_TIMEOUT)
    print("menu with 1000 buttons drawn in %.1f s" % (time.monotonic() - started))
    img = s.image(ox, oy, 400, 300)
    drawn = img.count(NORMAL, ox, oy, ox + 400, oy + 250)
    check(drawn == 1000 * 81, lambda: "%d pixels of normal pictures, expected %d; screen in %s" % (
        drawn, 1000 * 81, s.screenshot("many")))
    s.move(ox + last[0], oy + last[1])
    s.wait_colour(ox + last[0], oy + last[1], HOVER, "button 1000 in hover")
    s.move(ox + 4, oy + 4)
    s.wait_colour(ox + 4, oy + 4, HOVER, "button 1 in hover")
    s.wait_colour(ox + last[0], oy + last[1], NORMAL, "button 1000 back to normal")
    close(s, menu)


def patched(data, offset, value, size=4, signed=False):
    return data[:offset] + value.to_bytes(size, "little", signed=signed) + data[offset + size:]


def picture_headers(s):
    """Every malformed header the fuzzer taught us, one per button, beside a good one."""
    folder = s.folder()
    s.write(folder, "back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    pictures = button_pictures(s, folder)
    good = bmp.solid(BUTTON_W, BUTTON_H, HOVER)
    broken = {
        "width-huge": patched(good, 18, 0x7FFFFFFF),
        "width-negative": patched(good, 18, -100, signed=True),
        "height-min": patched(good, 22, -0x80000000, signed=True),
        "height-zero": patched(good, 22, 0),
        "sides-over-cap": patched(patched(good, 18, 16385), 22, 16385),
        "pixels-over-cap": patched(patched(good, 18, 16384), 22, 1024),
        "header-12": patched(good, 14, 12),
        "header-0": patched(good, 14, 0),
        "bits-0": patched(good, 28, 0, size=2),
        "bits-2": patched(good, 28, 2, size=2),
        "bitfields": patched(patched(good, 28, 32, size=2), 30, 3),
        "rle4": patched(good, 30, 2),
        "planes-0": patched(good, 26, 0, size=2),
        "offset-past-end": patched(good, 10, 10 ** 6),
        "size-zero": patched(good, 2, 0),
        "size-short": patched(good, 2, 54),
        "header-only": good[:54],
    }
    lines = ["[Main]", "BackGround = back.bmp", "Buttons = %d" % (len(broken) + 1),
             "[Button1]", "Left = 10", "Top = 10"] + ["%s = %s" % kv for kv in pictures.items()]
    places = []
    for n, (name, data) in enumerate(sorted(broken.items()), 2):
        s.write(folder, name + ".bmp", data)
        left, top = 10 + (n - 1) % 3 * 130, 10 + (n - 1) // 3 * 45
        places.append((name, left, top))
        lines += ["[Button%d]" % n, "Left = %d" % left, "Top = %d" % top, "NABitmap = %s.bmp" % name]
    s.write_ini(folder, "\n".join(lines))
    menu = s.start_menu(folder)
    _, ox, oy = shown(s, menu)
    wait_button(s, (ox, oy), 10, 10, NORMAL, "the good button")
    img = s.image(ox, oy, 400, 300)
    for name, left, top in places:
        # None of these can be shown, so each button is an empty picture: the background shows.
        inside = img.count(BACK, ox + left, oy + top, ox + left + BUTTON_W, oy + top + BUTTON_H)
        check(inside == BUTTON_W * BUTTON_H, lambda: "the %s picture left %d background pixels of %d; screen in %s" % (
            name, inside, BUTTON_W * BUTTON_H, s.screenshot("headers")))
    answers_pointer(s, (ox, oy), 10, 10)
    close(s, menu)


def registry_64k(s):
    """An alias whose registry value holds 64 KB of text."""
    folder = s.folder()
    s.recorder(folder, "sentinel.exe")
    s.reg_import('[HKEY_CURRENT_USER\\Software\\Hostile]\n"Big"="%s"\n' % ("C:\\" + "A" * (64 * 1024)))
    standard_menu(s, folder, [
        (10, 20, "Action = RUN big+setup.exe wait|SHELL open big+x.txt\nActivate = ENABLE BUTTON2 big|DISABLE BUTTON3 big"),
        (150, 20, "Action = RUN sentinel.exe"),
        (290, 20, ""),
    ], registry="big = Hostile\\Big")
    menu = s.start_menu(folder)
    _, ox, oy = shown(s, menu)
    o = (ox, oy)
    wait_button(s, o, 290, 20, DISABLED, "button 3 disabled because the value is not empty")
    # The 64 KB path is longer than any command line Windows takes: nothing starts.
    s.click(ox + 10 + 10, oy + 20 + 10)
    runs_sentinel(s, o, 150, 20, 1)
    answers_pointer(s, o, 10, 20)
    close(s, menu)


CASES = {f.__name__: f for f in (
    truncated_ini, big_ini, long_line, many_buttons, picture_headers, registry_64k,
)}

if __name__ == "__main__":
    sys.exit(main(CASES))
