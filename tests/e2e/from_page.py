"""A menu made on the designer page, run by cases.py as from_page.NAME: the page, in headless
Chromium, makes a menu from nothing through its forms and text box and hands it over as a zip;
the real autorun.exe unzipped from it must show exactly the page's preview. AUTORUN_SITE names the
site the wasm preset builds; Selenium comes with Debian's Python, which runs these cases."""

import io
import os
import struct
import subprocess
import zipfile

from harness import Failure, case, check, wait_until
import pngwrite

WIDTH, HEIGHT = 400, 300


def background(x, y):
    """Neighbouring pixels differ in every colour, so that a pixel out of place shows."""
    return (x * 255 // (WIDTH - 1)) << 16 | (y * 255 // (HEIGHT - 1)) << 8 | (x * 7 + y * 13) & 0xFF


def bmp_pixels(data):
    """The pixels of a 24-bit bottom-up BMP as the page writes it, 0xRRGGBB from the top row."""
    offset, (width, height) = struct.unpack_from("<I", data, 10)[0], struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) // 4 * 4
    rows = [data[offset + (height - 1 - y) * stride:][:width * 3] for y in range(height)]
    return width, height, [r[i + 2] << 16 | r[i + 1] << 8 | r[i] for r in rows for i in range(0, width * 3, 3)]


class Page:
    """The designer page in headless Chromium; work holds its profile and downloads."""

    def __init__(self, site, work):
        import chromium  # Debian's Selenium: only these cases import it
        from selenium.webdriver.common.by import By
        self.by, self.work = By, work
        self.server, url = chromium.serve(site)
        self.driver = chromium.start(work, 1400, 1000)
        self.driver.get(url)
        wait_until(lambda: self.js("return document.body.dataset.state") == "stopped", 60, "the page ready")

    def close(self):
        self.driver.quit()
        self.server.shutdown()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def element(self, element_id):
        return self.driver.find_element(self.by.ID, element_id)

    def act(self, element_id, *keys):
        """Clicks the element, or sends it keys, and waits for the menu to run on the change."""
        before = int(self.js("return document.body.dataset.frames || 0"))
        self.element(element_id).send_keys(*keys) if keys else self.element(element_id).click()
        wait_until(lambda: self.js("return document.body.dataset.state") == "idle" and
                   int(self.js("return document.body.dataset.frames")) > before, 30, "the page to run the menu")

    def text(self):
        return self.js("return document.getElementById('text').value")

    def canvas(self):
        """The preview's size and pixels, 0xRRGGBB row by row."""
        width, height, rgb = self.js(
            "const c = document.getElementById('preview'), d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            "const rgb = []; for (let i = 0; i < d.length; i += 4) rgb.push(d[i] << 16 | d[i + 1] << 8 | d[i + 2]);"
            "return [c.width, c.height, rgb]")
        return width, height, rgb

    def download_zip(self):
        """Download .zip, which must ask nothing (check finds no error); the zip's entries."""
        self.element("download").click()
        target = os.path.join(self.work, "downloads", "menu.zip")
        wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 0 and not any(
            name.endswith(".crdownload") for name in os.listdir(os.path.dirname(target))), 60, "the zip")
        with zipfile.ZipFile(io.BytesIO(open(target, "rb").read())) as zipped:
            return {name: zipped.read(name) for name in zipped.namelist()}


def text_button(page, text):
    """Add a button with a text; the keys of its section."""
    page.element("add-button").click()
    page.element("button-text").send_keys(text)
    page.act("button-add")
    return dict(line.split("=", 1) for line in page.text().split("[Button")[-1].split("\n") if "=" in line)


def see_through_button(page, name):
    """Add a button from a PNG whose corners are see-through and whose rim is half so; the keys
    of its section."""
    def art(x, y):
        inside = ((x - 29.5) / 30) ** 2 + ((y - 14.5) / 15) ** 2
        return 0xC02060 << 8 | (0xFF if inside < 0.7 else 0x80 if inside < 1 else 0)
    path = os.path.join(page.work, name + ".png")
    with open(path, "wb") as f:
        f.write(pngwrite.png(60, 30, art, alpha=True))
    page.element("add-button").click()
    page.element("button-picture").send_keys(path)
    page.act("button-add")
    return dict(line.split("=", 1) for line in page.text().split("[Button")[-1].split("\n") if "=" in line)


# (how the page makes it, what from, enabled): button n of the menu is row n; Activate enables the
# last one when a [Registry] alias has a value, which it has not on the page nor under Wine.
BUTTONS = ((text_button, "Install", True), (see_through_button, "round", True), (text_button, "Start", False))


@case
def zip_shows_the_preview(t):
    site = os.environ.get("AUTORUN_SITE", "")
    check(os.path.isfile(os.path.join(site, "designer.wasm")),
          "AUTORUN_SITE (%r) holds no designer page: build the wasm preset first" % site)
    from selenium.webdriver.common.keys import Keys
    t.write("back.png", pngwrite.png(WIDTH, HEIGHT, background), t.root)
    page = Page(site, os.path.join(t.root, "chromium"))
    try:
        page.act("new-menu")
        page.act("background", os.path.join(t.root, "back.png"))
        sections = [make(page, what) for make, what, _ in BUTTONS]
        page.act("text", Keys.CONTROL, Keys.END, Keys.NULL, "[Registry]\nInstalled=Autorun E2E\\Installed\n")
        last = len(BUTTONS)
        page.driver.find_elements(page.by.CSS_SELECTOR, "#button-list li")[last - 1].click()
        page.act("rule-add")
        check("Activate=ENABLE BUTTON%d Installed" % last in page.text().split("[Button%d]" % last)[1],
              "the rule's line is not in the last button's section:\n%s" % page.text())
        width, height, preview = page.canvas()
        files = page.download_zip()
    finally:
        page.close()
    check((width, height) == (WIDTH, HEIGHT), "the preview is %d x %d" % (width, height))
    check("autorun.exe" in files, "the zip has no autorun.exe: build the mingw preset before the wasm one")
    t.dir = os.path.join(t.root, "unzipped")
    for name, data in files.items():
        t.write(name, data)

    sim = os.environ.get("AUTORUN_SIM", "")
    result = subprocess.run([sim, "--dir", t.dir, "check"], capture_output=True, timeout=60)
    errors = [line for line in result.stdout.decode("utf-8").splitlines() if ": error: " in line]
    check(result.returncode in (0, 1) and not errors, "autorun-sim check: %s%s" % (
        "\n".join(errors), result.stderr.decode("utf-8")))

    t.launch(shown=False)
    check(t.menu.window()[3:] == (WIDTH, HEIGHT), "the window is not %d x %d: %s" % (WIDTH, HEIGHT, t.menu.window()))
    seen = []

    def same():
        seen[:] = t.client().pixels
        return seen == preview
    try:
        wait_until(same, 15, "the menu to show the page's preview")
    except Failure as failure:
        wrong = [i for i in range(len(preview)) if seen[i] != preview[i]]
        raise Failure("%s: %d pixels differ, the first at (%d, %d): Wine %06x, page %06x; screen in %s" % (
            failure, len(wrong), wrong[0] % WIDTH, wrong[0] // WIDTH, seen[wrong[0]], preview[wrong[0]],
            t.screenshot("differs")))
    # The pictures where the buttons are show that the rule took effect on both.
    for (_, what, enabled), keys in zip(BUTTONS, sections):
        w, h, picture = bmp_pixels(files[keys["NABitmap" if enabled else "DBitmap"].replace("\\", "/")])
        left, top = int(keys["Left"]), int(keys["Top"])
        shown = [seen[(top + y) * WIDTH + left + x] for y in range(h) for x in range(w)]
        check(shown == picture, "button %r does not show its %s picture" % (what, "normal" if enabled else "disabled"))
