#!/usr/bin/python3
"""Measures the designer page in headless Chromium and prints one line per figure: the size of
the page's own files (with the autorun.exe it hands out, when the mingw preset was built first),
the time from navigation to the demo's first frame, from an edit to the new frame and findings,
and to open a menu of 1,024 buttons. bench/run prints these with the rest; run alone after the
wasm preset is built: bench/designer.py [SITE_FOLDER]"""

import statistics, sys, tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "support"))
sys.path.insert(0, str(ROOT / "tools"))
import bmp  # noqa: E402
import chromium  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

RUNS = 7
BUDGET = 640 * 1024


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


def measure(site):
    server, url = chromium.serve(site)
    with tempfile.TemporaryDirectory() as work:
        driver = chromium.start(work, 1600, 1200)
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        wait = WebDriverWait(driver, 30)
        entry = "const e = performance.getEntriesByName(arguments[0]); return e.length ? e[e.length - 1].%s : null"
        try:
            first = []
            for _ in range(RUNS):
                driver.get(url + "?demo")
                first.append(wait.until(lambda d: d.execute_script(entry % "startTime", "first-frame")))
            edits = []
            for i in range(RUNS):
                driver.execute_script("const t = document.getElementById('text');"
                                      "t.value = t.value.replace(/AppName=.*/, 'AppName=Demo ' + arguments[0]);"
                                      "t.dispatchEvent(new Event('input'))", i)
                wait.until(lambda d: d.execute_script("return performance.getEntriesByName('edit').length") == i + 1)
                edits.append(driver.execute_script(entry % "duration", "edit"))
            big = []
            folder = Path(work) / "big"
            folder.mkdir()
            big_menu(folder)
            for i in range(3):
                driver.get(url)
                wait.until(lambda d: d.execute_script("return document.body.dataset.state") == "stopped")
                driver.find_element(By.ID, "folder").send_keys(str(folder))
                big.append(wait.until(lambda d: d.execute_script(entry % "duration", "open")))
        finally:
            driver.quit()
            server.shutdown()
    return statistics.median(first), statistics.median(edits), statistics.median(big)


def main():
    site = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build" / "wasm" / "site"
    size = page_bytes(site)
    print("designer page's own files (HTML, CSS, JavaScript, WebAssembly, the zip writer and the "
          "autorun.exe it hands out): %d bytes of the %d-byte (640 KiB) budget, %.0f %%"
          % (size, BUDGET, 100.0 * size / BUDGET))
    sys.stdout.flush()
    first, edit, big = measure(site)
    print("designer, headless Chromium, median of %d: navigation to the demo's first frame %.0f ms "
          "(budget 300), edit to the new frame and findings %.1f ms (budget 30)" % (RUNS, first, edit))
    print("designer, a menu of 1,024 buttons from opening the folder to its first frame, median of "
          "3: %.0f ms (budget 1000)" % big)
    return 0


if __name__ == "__main__":
    sys.exit(main())
