"""Button pictures with see-through parts on the designer page, with real pointer input: laid
over the background at the button's place in the written BMP and the preview, again after a drag,
on a new background, in the folder opened again and in a copy of the button, and a button made from
one picture in its four states. Usage: pictures_test.py SITE_FOLDER AUTORUN_SIM"""

import io, subprocess, sys, tempfile, unittest, zipfile
from pathlib import Path

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

import designer_test  # the page's driver: the same arguments, server and browser
from designer_test import bmp24, channels, pngread

W, H = 40, 24  # the artwork: see-through around a red plate with a green patch, each of other brightness


def art(x, y):
    """The artwork's pixel, 0xRRGGBB, or None where it is see-through."""
    if not (6 <= x < 34 and 4 <= y < 20):
        return None
    return 0x40E040 if 12 <= x < 22 and 8 <= y < 15 else 0xC03030


def write_art(path):
    raw = bytearray()
    for y in range(H):
        for x in range(W):
            pixel = art(x, y)
            raw += bytes(channels(pixel or 0)) + (b"\xff" if pixel is not None else b"\0")
    subprocess.run(["convert", "-size", f"{W}x{H}", "-depth", "8", "rgba:-", f"PNG32:{path}"], input=bytes(raw), check=True)


def write_background(path, corners="0,0 #ff0000 199,0 #ffff00 0,119 #0000ff 199,119 #00ff00"):
    """A background whose every row and column differ, so that a picture laid at a stale place shows."""
    subprocess.run(["convert", "-size", "200x120", "xc:", "-sparse-color", "Bilinear", corners, "-depth", "8", "-strip",
                    f"PNG24:{path}"], check=True)


def load_tests(loader, tests, pattern):
    """This file's cases alone, not those of the page's driver it builds on."""
    return unittest.TestSuite(Pictures(name) for name in vars(Pictures) if name.startswith("test_"))


class Pictures(designer_test.Designer):
    def setUp(self):
        work = Path(self.work.name)
        write_art(work / "art.png")
        write_background(work / "background.png")
        self.art, self.background = work / "art.png", work / "background.png"
        self.width, _, self.under = pngread.read(self.background)

    def below(self, left, top):
        """The background's pixels under the artwork at (left, top), 0xRRGGBB row by row."""
        return [self.under[(top + y) * self.width + left + x] for y in range(H) for x in range(W)]

    def laid(self, left, top):
        """The artwork over the background at (left, top)."""
        return [art(i % W, i // W) or pixel for i, pixel in enumerate(self.below(left, top))]

    def new_menu_with_background(self):
        self.open("")
        self.until(lambda: self.js("return document.body.dataset.state") == "stopped", "the page ready")
        for element, value in (("new-menu", None), ("background", self.background)):
            before = self.frames()
            button = self.driver.find_element(By.ID, element)
            button.send_keys(str(value)) if value else button.click()
            self.settle(before)

    def button_keys(self):
        section = self.ini_text().split("[Button")[-1]
        return dict(line.split("=", 1) for line in section.split("\n") if "=" in line)

    def written(self, name="menu"):
        """The folder's files as the zip gives them; name: the folder's."""
        with zipfile.ZipFile(io.BytesIO(self.download("download", name + ".zip"))) as zipped:
            return {name: zipped.read(name) for name in zipped.namelist()}

    def to(self, x, y):
        """Pointer input that starts by moving to (x, y) on the preview."""
        canvas = self.driver.find_element(By.ID, "preview")
        return ActionChains(self.driver).move_to_element_with_offset(canvas, x - canvas.size["width"] // 2, y - canvas.size["height"] // 2)

    def drag(self, left, top, dx, dy):
        """Drags the artwork at (left, top) by (dx, dy) in layout mode, in two moves, and leaves
        layout mode, whose outline of the selection would hide the picture's edge."""
        self.driver.find_element(By.ID, "layout-mode").click()
        self.to(left + W // 2, top + H // 2).click_and_hold().move_by_offset(dx // 2, dy // 4) \
            .move_by_offset(dx - dx // 2, dy - dy // 4).release().perform()
        self.driver.find_element(By.ID, "layout-mode").click()

    def shows(self, left, top, pixels, what):
        """Waits for the preview to show pixels at (left, top); a failure names the first that differs."""
        try:
            self.until(lambda: self.canvas(left, top, W, H) == pixels, what)
        except AssertionError:
            self.assertPixels(self.canvas(left, top, W, H), pixels)
            raise

    def test_a_see_through_picture_shows_the_background_in_its_corners_also_after_a_drag(self):
        self.new_menu_with_background()
        self.add_button("Go")
        self.driver.find_element(By.CSS_SELECTOR, "#button-list li").click()
        self.driver.find_element(By.ID, "picture-normal").send_keys(str(self.art))
        self.until(lambda: self.button_keys().get("NABitmap") == "pictures\\art.bmp", "the picture named")
        left, top = int(self.button_keys()["Left"]), int(self.button_keys()["Top"])
        self.shows(left, top, self.laid(left, top), "the picture over the background")
        files = self.written()
        self.assertEqual(files["pictures/source/art.png"], self.art.read_bytes())
        self.assertPixels(bmp24(files["pictures/art.bmp"])[3], self.laid(left, top))

        self.drag(left, top, 50, 60)
        self.until(lambda: self.button_keys()["Top"] == str(top + 60), "the drag written")
        self.assertEqual(self.button_keys()["Left"], str(left + 50))
        moved = self.laid(left + 50, top + 60)
        self.shows(left + 50, top + 60, moved, "the picture over the background at its new place")
        self.assertPixels(bmp24(self.written()["pictures/art.bmp"])[3], moved)

        write_background(self.background, "0,0 #00ffff 199,0 #ff00ff 0,119 #ffffff 199,119 #000000")
        self.width, _, self.under = pngread.read(self.background)
        self.driver.find_element(By.ID, "background").send_keys(str(self.background))
        self.shows(left + 50, top + 60, self.laid(left + 50, top + 60), "the picture over the new background")

        # The folder opened again: its source is found beside the BMP.
        with tempfile.TemporaryDirectory() as folder:
            for name, data in self.written().items():
                (Path(folder) / name).parent.mkdir(parents=True, exist_ok=True)
                (Path(folder) / name).write_bytes(data)
            before = self.frames()
            self.open_folder(folder)
            self.settle(before)
            self.drag(left + 50, top + 60, -30, -40)
            self.until(lambda: self.button_keys()["Top"] == str(top + 20), "the drag written")
            self.shows(left + 20, top + 20, self.laid(left + 20, top + 20), "the picture over the background where it went")

            # A copy gets pictures of its own, laid where it stands; the original keeps its own.
            self.driver.find_element(By.CSS_SELECTOR, "#button-list li").click()
            self.driver.find_element(By.ID, "button-duplicate").click()
            self.until(lambda: "[Button2]" in self.ini_text() and self.button_keys()["NABitmap"] != "pictures\\art.bmp",
                       "the copy's own picture named")
            copy = self.button_keys()
            at = int(copy["Left"]), int(copy["Top"])
            self.assertNotEqual(at, (left + 20, top + 20))
            self.shows(*at, self.laid(*at), "the copy's picture over the background under it")
            files = self.written(Path(folder).name)
            self.assertPixels(bmp24(files[copy["NABitmap"].replace("\\", "/")])[3], self.laid(*at))
            self.assertPixels(bmp24(files["pictures/art.bmp"])[3], self.laid(left + 20, top + 20))

    def test_a_button_from_one_picture_gets_the_other_states_from_it(self):
        self.new_menu_with_background()
        before = self.frames()
        self.driver.find_element(By.ID, "add-button").click()
        self.driver.find_element(By.ID, "button-picture").send_keys(str(self.art))
        self.driver.find_element(By.ID, "button-add").click()
        self.until(lambda: "[Button1]" in self.ini_text(), "the button added")
        self.settle(before)
        keys = self.button_keys()
        self.assertEqual(keys["Tip"], "art")
        left, top = int(keys["Left"]), int(keys["Top"])
        files = self.written()
        normal, hover, pressed, disabled = (bmp24(files[keys[key].replace("\\", "/")])[3]
                                            for key in ("NABitmap", "ABitmap", "PBitmap", "DBitmap"))
        self.assertPixels(normal, self.laid(left, top))
        background = self.below(left, top)
        opaque = [y * W + x for y in range(H) for x in range(W) if art(x, y) is not None]
        clear = [i for i in range(W * H) if i not in opaque]
        for picture in (hover, disabled):
            self.assertEqual([picture[i] for i in clear], [background[i] for i in clear])
        self.assertEqual([pressed[i + W] for i in clear if i + W < W * H], [background[i + W] for i in clear if i + W < W * H])
        self.assertEqual(pressed[:W], background[:W])  # a pixel lower: the background shows above it
        # Hover lighter, pressed darker and a pixel lower, disabled grey with less contrast.
        self.assertTrue(all(a > b for i in opaque for a, b in zip(channels(hover[i]), channels(normal[i])) if b < 255))
        self.assertTrue(all(a < b for i in opaque if i + W < W * H
                            for a, b in zip(channels(pressed[i + W]), channels(normal[i])) if b > 0))
        self.assertTrue(all(len(set(channels(disabled[i]))) == 1 for i in opaque))
        luma = lambda pixel: sum(w * c for w, c in zip((0.299, 0.587, 0.114), channels(pixel)))  # noqa: E731
        spread = lambda picture: max(luma(picture[i]) for i in opaque) - min(luma(picture[i]) for i in opaque)  # noqa: E731
        self.assertLess(spread(disabled), spread(normal) * 2 / 3)

        # The menu shows them as the pointer comes and presses.
        self.shows(left, top, normal, "the normal picture")
        self.pointer(left + W // 2, top + H // 2)
        self.shows(left, top, hover, "the hover picture")
        self.to(left + W // 2, top + H // 2).click_and_hold().perform()
        self.shows(left, top, pressed, "the pressed picture")
        ActionChains(self.driver).release().perform()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
