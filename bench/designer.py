#!/usr/bin/python3
"""Measures the designer page in headless Chromium and prints one line per figure with its budget:
the size of the page's own files (with the autorun.exe it hands out, when the mingw preset was
built first), the time from navigation to the demo's first frame, from an edit to the new frame
and findings, from a pointer move to the frame that answers it on the demo and on a menu of 1,024
buttons, to open that menu and a 5 MiB autorun.ini of random bytes, to turn a 1920 x 1080 PNG into
the BMP of a background, and to make the demo's zip. bench/run prints these with the rest; run
alone after the wasm preset is built: bench/designer.py [SITE_FOLDER]"""

import os, random, statistics, struct, sys, tempfile, zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "support"))
sys.path.insert(0, str(ROOT / "tools"))
import bmp  # noqa: E402
import chromium  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

RUNS = 5
MOVES = 100
SIZE_BUDGET = 640 * 1024
ENTRY = "const e = performance.getEntriesByName(arguments[0]); return e.length ? e[e.length - 1].%s : null"

# MOVES pointer moves dispatched on the canvas one after another, each timed from its dispatch
# to the rise of the page's frame count, which an observer sees; resolves with their mean.
LAID_OUT = """
new MutationObserver((changes, observer) => {
  observer.disconnect();
  setTimeout(() => requestAnimationFrame(() => (window.laidOut = performance.now())));
}).observe(document.body, { attributes: true, attributeFilter: ['data-frames'] });
"""

MOVE_SCRIPT = """
const [count, done] = arguments;
const canvas = document.getElementById('preview'), body = document.body;
const r = canvas.getBoundingClientRect();
let total = 0;
for (let i = 0; i < count; i++) {
  const x = 4 + (i * 37) % Math.max(1, canvas.width - 8), y = 4 + (i * 53) % Math.max(1, canvas.height - 8);
  const frame = new Promise((resolve) => {
    const observer = new MutationObserver(() => { observer.disconnect(); resolve(performance.now()); });
    observer.observe(body, { attributes: true, attributeFilter: ['data-frames'] });
  });
  const start = performance.now();
  canvas.dispatchEvent(new MouseEvent('mousemove', { clientX: r.left + x, clientY: r.top + y, bubbles: true }));
  total += (await frame) - start;
}
done(total / count);
"""


def page_bytes(site):
    return sum(f.stat().st_size for f in site.rglob("*") if f.is_file() and "demo" not in f.parts)


def big_menu(folder, count=1024):
    """count buttons of 30 x 20 pixels in a grid on a 1024 x 768 background."""
    (folder / "back.bmp").write_bytes(bmp.solid(1024, 768, 0x204060))
    for state, colour in (("n", 0xC03030), ("a", 0x30C030), ("p", 0x3030C0), ("d", 0x808080)):
        (folder / f"{state}.bmp").write_bytes(bmp.solid(30, 20, colour))
    lines = ["[Main]", "BackGround=back.bmp", f"Buttons={count}"]
    for n in range(count):
        lines += [f"[Button{n + 1}]", f"Left={n % 32 * 32}", f"Top={n // 32 * 24}", "NABitmap=n.bmp",
                  "ABitmap=a.bmp", "PBitmap=p.bmp", "DBitmap=d.bmp", "Action=RUN setup.exe"]
    (folder / "autorun.ini").write_bytes("\r\n".join(lines).encode() + b"\r\n")


def random_menu(folder, size=5 * 1024 * 1024):
    """An autorun.ini of size random bytes, the same ones every run."""
    (folder / "autorun.ini").write_bytes(random.Random(20).randbytes(size))


def png(path, width=1920, height=1080):
    """An opaque RGB PNG of noisy gradients, which compresses about as a photograph does."""
    rnd = random.Random(1080)
    rows = []
    for y in range(height):
        noise = rnd.randbytes(width * 3)
        rows.append(b"\0" + bytes((x * 3 // 8 + y // 5 + (noise[x] & 15)) & 255 for x in range(width * 3)))
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))  # noqa: E731
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b""))


class Page:
    def __init__(self, driver, url):
        self.driver, self.url = driver, url
        self.wait = WebDriverWait(driver, 120)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def entry(self, name, field="duration"):
        return self.js(ENTRY % field, name)

    def settled(self, state="idle"):
        self.wait.until(lambda d: self.js("return document.body.dataset.state") == state)

    def blank(self):
        self.driver.get(self.url)
        self.settled("stopped")

    def open_folder(self, folder):
        """Opens folder through the folder choice; the time from the choice to its first frame,
        and to the first animation frame after the next task that follows it, when the browser has
        laid out what the page wrote (the text box of a large file, say)."""
        self.blank()
        self.js(LAID_OUT)
        self.driver.find_element(By.ID, "folder").send_keys(str(folder))
        opened = self.wait.until(lambda d: self.entry("open"))
        laid_out = self.wait.until(lambda d: self.js("return window.laidOut"))
        return opened, laid_out - self.entry("open-start", "startTime")

    def moves(self):
        self.driver.set_script_timeout(300)
        return self.driver.execute_async_script(MOVE_SCRIPT, MOVES)

    def demo(self):
        self.driver.get(self.url + "?demo")
        return self.wait.until(lambda d: self.entry("first-frame", "startTime"))


def measure(site):
    figures = {key: [] for key in ("first", "edit", "move", "big move", "big", "random", "random shown", "picture", "zip")}
    server, url = chromium.serve(site)
    with tempfile.TemporaryDirectory() as work:
        work = Path(work)
        for name in ("big", "random"):
            (work / name).mkdir()
        big_menu(work / "big")
        random_menu(work / "random")
        png(work / "photo.png")
        driver = chromium.start(str(work), 1600, 1200)
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        page = Page(driver, url)
        try:
            for i in range(RUNS):
                figures["first"].append(page.demo())
                page.settled()
                figures["move"].append(page.moves())
                page.js("const t = document.getElementById('text');"
                        "t.value = t.value.replace(/AppName=.*/, 'AppName=Demo ' + arguments[0]);"
                        "t.dispatchEvent(new Event('input'))", i)
                figures["edit"].append(page.wait.until(lambda d: page.entry("edit")))
                page.settled()
                driver.find_element(By.ID, "download").click()
                figures["zip"].append(page.wait.until(lambda d: page.entry("zip")))
            for _ in range(RUNS):
                figures["big"].append(page.open_folder(work / "big")[0])
                page.settled()
                figures["big move"].append(page.moves())
            for _ in range(RUNS):
                opened, shown = page.open_folder(work / "random")
                figures["random"].append(opened)
                figures["random shown"].append(shown)
            for _ in range(RUNS):
                page.blank()
                driver.find_element(By.ID, "new-menu").click()
                page.settled()
                driver.find_element(By.ID, "background").send_keys(str(work / "photo.png"))
                figures["picture"].append(page.wait.until(lambda d: page.entry("picture")))
        finally:
            driver.quit()
            server.shutdown()
    return {key: statistics.median(values) for key, values in figures.items()}


def main():
    site = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build" / "wasm" / "site"
    size = page_bytes(site)
    print("designer page's own files (HTML, CSS, JavaScript, WebAssembly, the zip writer and the "
          "autorun.exe it hands out): %d bytes of the %d-byte (640 KiB) budget, %.0f %%"
          % (size, SIZE_BUDGET, 100.0 * size / SIZE_BUDGET))
    sys.stdout.flush()
    f = measure(site)
    print("designer, headless Chromium, median of %d runs, load average %.2f at the end:" % (RUNS, os.getloadavg()[0]))
    rows = (("navigation to the demo's first frame", f["first"], "%.0f ms", 300),
            ("an edit to the new frame and findings, demo", f["edit"], "%.1f ms", 30),
            ("a pointer move to its frame, demo, mean of %d moves" % MOVES, f["move"], "%.2f ms", 4),
            ("a pointer move to its frame, 1,024 buttons, mean of %d moves" % MOVES, f["big move"], "%.2f ms", 8),
            ("opening a menu of 1,024 buttons to its first frame", f["big"], "%.0f ms", 1000),
            ("opening a 5 MiB autorun.ini of random bytes to its first frame", f["random"], "%.0f ms", 1500),
            ("the same until the browser has laid out the page", f["random shown"], "%.0f ms", None),
            ("a 1920 x 1080 PNG to the BMP of a background", f["picture"], "%.0f ms", 300),
            ("the demo's zip, from Download .zip to the download", f["zip"], "%.0f ms", 500))
    for what, value, unit, budget in rows:
        budget = " (budget %g ms)" % budget if budget else ""
        print(("  %s: " + unit + "%s") % (what, value, budget))
    return 0


if __name__ == "__main__":
    sys.exit(main())
