"""End-to-end cases with hostile input, run by cases.py as hostile.NAME: broken, huge and
malicious menu folders and registry values. Whatever the folder holds, the menu must come up,
stay up and answer the pointer."""

import time

from harness import (BACK, BACK_EDGE, BUTTON_H, BUTTON_W, DISABLED, HOVER, NORMAL, PICTURES, bmp, case, check,
                     filled)

# A big file may take a while to read under emulation.
BIG_START_TIMEOUT = 120
MEGABYTE = 1024 * 1024


def answers_pointer(t, left, top):
    """The button at (left, top) turns to its hover picture under the pointer and back."""
    t.point(left + 20, top + 20)
    t.expect(left, top, HOVER, "the hover picture of the button at (%d, %d)" % (left, top))
    t.point(395, 295)
    t.expect(left, top, NORMAL, "the normal picture of the button at (%d, %d)" % (left, top))


def runs_sentinel(t, left, top):
    """The button at (left, top) starts sentinel.exe on a click, and nothing was started before."""
    t.press(left, top)
    check([r[0] for r in t.wait_started(1)] == ["~\\sentinel.exe"], "programs started: %s" % t.started())


def not_drawn(t, places):
    image = t.client()
    for left, top in places:
        t.check_screen(filled(image, t.ox + left, t.oy + top, BUTTON_W, BUTTON_H, BACK),
                       "the button at (%d, %d) is drawn" % (left, top))


def edit_ini(t, edit):
    text = edit(open(t.dir + "/autorun.ini", "rb").read())
    t.write("autorun.ini", text)
    return text


@case
def truncated_ini(t):
    t.standard([(10, 20, ""), (150, 20, ""), (290, 20, "")], start=False)
    # The file ends in the middle of button 2's Top line: button 2 has no position and is
    # hidden, button 3 has no section at all.
    edit_ini(t, lambda text: text[:text.index(b"Top", text.index(b"[Button2]")) + 2])
    t.launch()
    not_drawn(t, [(150, 20), (290, 20)])
    answers_pointer(t, 10, 20)


@case
def big_ini(t):
    """A 10 MB autorun.ini: long comments before the sections and a big section after them."""
    t.recorder("sentinel.exe")
    t.standard([(10, 20, "Action = RUN sentinel.exe"), (150, 20, "Activate = ENABLE BUTTON3 none"), (290, 20, "")],
               start=False)
    filler = b"".join(b"Key%07d = %s\r\n" % (n, b"v" * 80) for n in range(55000))
    text = edit_ini(t, lambda text: (b"; " + b"x" * 98 + b"\r\n") * 50000 + text + b"[Filler]\r\n" + filler)
    check(len(text) >= 10 * 1000 * 1000, "the file is only %d bytes" % len(text))
    started = time.monotonic()
    t.launch(timeout=BIG_START_TIMEOUT)
    t.expect(290, 20, DISABLED, "button 3 disabled by its rule")
    print("menu with a %d-byte autorun.ini up in %.1f s" % (len(text), time.monotonic() - started))
    answers_pointer(t, 150, 20)
    runs_sentinel(t, 10, 20)


@case
def long_line(t):
    """Lines of 1 MB: the title, the icon, a picture name, commands, a rule, a registry path."""
    t.recorder("sentinel.exe")
    t.standard([
        (10, 20, "Action = RUN " + "x" * MEGABYTE),
        (150, 20, "Activate = ENABLE BUTTON2 " + "y" * MEGABYTE),
        (290, 20, "Action = RUN sentinel.exe"),
        (10, 120, "Action = SHELL open " + "z" * MEGABYTE + " .\\|SHELL open readme.txt " + "d" * MEGABYTE),
        (150, 120, ""),
    ], main="AppName = " + "T" * MEGABYTE + "\nIcon = " + "i" * MEGABYTE,
        registry="big = " + "Vendor\\" * (MEGABYTE // 7), start=False)
    # Button 5's normal picture gets a name of 1 MB.
    edit_ini(t, lambda text: text[:text.index(b"[Button5]")] + text[text.index(b"[Button5]"):].replace(
        b"NABitmap = NABitmap.bmp", b"NABitmap = " + b"p" * MEGABYTE, 1))
    t.launch(timeout=BIG_START_TIMEOUT)
    # The rule names an alias no line defines, so ENABLE disables its button.
    t.expect(150, 20, DISABLED, "button 2 disabled by its rule")
    t.press(10, 20)
    t.press(10, 120)
    runs_sentinel(t, 290, 20)
    not_drawn(t, [(150, 120)])
    answers_pointer(t, 10, 20)


@case
def many_buttons(t):
    """1000 buttons of 9 x 9 pixels in a grid of 40 by 25."""
    t.write("back.bmp", bmp.framed(400, 300, BACK, BACK_EDGE))
    for key, colour in PICTURES:
        t.write(key + ".bmp", bmp.solid(9, 9, colour))
    pictures = "".join("%s = %s.bmp\n" % (key, key) for key, _ in PICTURES)
    t.ini("[Main]\nBackGround = back.bmp\nButtons = 1000\n" + "".join(
        "[Button%d]\nLeft = %d\nTop = %d\n" % (n, (n - 1) % 40 * 10, (n - 1) // 40 * 10) + pictures
        for n in range(1, 1001)))
    started = time.monotonic()
    t.launch(shown=False, timeout=BIG_START_TIMEOUT)
    last = (t.ox + 394, t.oy + 244)
    t.wait_colour(*last, NORMAL, "button 1000 to be drawn", timeout=BIG_START_TIMEOUT)
    print("menu with 1000 buttons drawn in %.1f s" % (time.monotonic() - started))
    drawn = t.client().count(NORMAL, t.ox, t.oy, t.ox + 400, t.oy + 250)
    t.check_screen(drawn == 1000 * 81, "%d pixels of normal pictures, expected %d" % (drawn, 1000 * 81))
    t.move(*last)
    t.wait_colour(*last, HOVER, "button 1000 in hover")
    t.point(4, 4)
    t.wait_colour(t.ox + 4, t.oy + 4, HOVER, "button 1 in hover")
    t.wait_colour(*last, NORMAL, "button 1000 back to normal")


def patched(data, *changes):
    """data with (offset, value, size) written over it, little-endian and signed."""
    for offset, value, size in changes:
        data = data[:offset] + value.to_bytes(size, "little", signed=True) + data[offset + size:]
    return data


@case
def picture_headers(t):
    """Every malformed header the fuzzer taught us, one per button, beside a good one."""
    good = bmp.solid(BUTTON_W, BUTTON_H, HOVER)
    broken = {
        "width-huge": [(18, 0x7FFFFFFF, 4)], "width-negative": [(18, -100, 4)], "height-min": [(22, -0x80000000, 4)],
        "height-zero": [(22, 0, 4)], "sides-over-cap": [(18, 16385, 4), (22, 16385, 4)],
        "pixels-over-cap": [(18, 16384, 4), (22, 1024, 4)], "header-12": [(14, 12, 4)], "header-0": [(14, 0, 4)],
        "bits-0": [(28, 0, 2)], "bits-2": [(28, 2, 2)], "bitfields": [(28, 32, 2), (30, 3, 4)],
        "rle4": [(30, 2, 4)], "planes-0": [(26, 0, 2)], "offset-past-end": [(10, 10 ** 6, 4)],
        "size-zero": [(2, 0, 4)], "size-short": [(2, 54, 4)],
    }
    files = {name: patched(good, *changes) for name, changes in broken.items()}
    files["header-only"] = good[:54]
    places = [(name, 10 + n % 3 * 130, 10 + n // 3 * 45) for n, name in enumerate(sorted(files), 1)]
    t.standard([(10, 10, "")], start=False)
    for name, left, top in places:
        t.write(name + ".bmp", files[name])
    edit_ini(t, lambda text: text.replace(b"Buttons = 1", b"Buttons = %d" % (len(places) + 1)) + b"".join(
        b"[Button%d]\r\nLeft = %d\r\nTop = %d\r\nNABitmap = %s.bmp\r\n" % (n, left, top, name.encode())
        for n, (name, left, top) in enumerate(places, 2)))
    t.launch()
    t.expect(10, 10, NORMAL, "the good button")
    # None of these can be shown, so each button is an empty picture: the background shows.
    not_drawn(t, [(left, top) for _, left, top in places])
    answers_pointer(t, 10, 10)


@case
def registry_64k(t):
    """An alias whose registry value holds 64 KB of text."""
    t.recorder("sentinel.exe")
    t.reg_import('[HKEY_CURRENT_USER\\Software\\Hostile]\n"Big"="%s"\n' % ("C:\\" + "A" * (64 * 1024)))
    t.standard([
        (10, 20, "Action = RUN big+setup.exe wait|SHELL open big+x.txt\nActivate = ENABLE BUTTON2 big|DISABLE BUTTON3 big"),
        (150, 20, "Action = RUN sentinel.exe"),
        (290, 20, ""),
    ], registry="big = Hostile\\Big")
    t.expect(290, 20, DISABLED, "button 3 disabled because the value is not empty")
    # The 64 KB path is longer than any command line Windows takes: nothing starts.
    t.press(10, 20)
    runs_sentinel(t, 150, 20)
    answers_pointer(t, 10, 20)
