#!/usr/bin/python3
"""Takes the picture of the designer page in docs/designer.md in headless Chromium: the demo with a line
that check marks, the plain words of a click on Read me, and the pointer over Install.
Usage, after the wasm preset is built: tools/designer/screenshot.py [SITE_FOLDER] [OUT.png]"""

import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
import chromium  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402


def main():
    site = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "build" / "wasm" / "site"
    out = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "docs" / "designer.png"
    server, url = chromium.serve(site)
    with tempfile.TemporaryDirectory() as work:
        driver = chromium.start(work, 1280, 860)
        frames = lambda: int(driver.execute_script("return document.body.dataset.frames || 0"))
        settled = lambda after: WebDriverWait(driver, 30).until(
            lambda d: frames() > after and d.execute_script("return document.body.dataset.state") == "idle")
        try:
            driver.get(url + "?demo")
            settled(0)
            before = frames()
            driver.execute_script("const t = document.getElementById('text');"
                                  "t.value = t.value.replace('ShowCaption=1', 'ShowCaption=1\\nBackColour=red');"
                                  "t.dispatchEvent(new Event('input'))")
            settled(before)
            driver.find_element(By.CSS_SELECTOR, "#findings li").click()
            canvas = driver.find_element(By.ID, "preview")
            centre = lambda x, y: (x - canvas.size["width"] // 2, y - canvas.size["height"] // 2)
            before = frames()
            ActionChains(driver).move_to_element_with_offset(canvas, *centre(150, 190)).click().perform()
            settled(before + 1)
            before = frames()
            ActionChains(driver).move_to_element_with_offset(canvas, *centre(150, 140)).perform()
            settled(before)
            driver.save_screenshot(str(out))
        finally:
            driver.quit()
            server.shutdown()
    print(out)


if __name__ == "__main__":
    main()
