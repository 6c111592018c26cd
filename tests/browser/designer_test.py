"""The designer page in headless Chromium, driven with real pointer and key input: its preview against
autorun-sim play's shots, the plain words of a click, the registry, findings, layout, save, bad
input, and a menu made on the page from nothing down to its zip. Usage: designer_test.py
SITE_FOLDER AUTORUN_SIM"""

import base64, contextlib, functools, io, struct, subprocess, sys, tempfile, unittest, zipfile, zlib
from pathlib import Path

from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
sys.path.insert(0, str(ROOT / "tests" / "support"))
import chromium  # noqa: E402
import bmp  # noqa: E402
import pngread  # noqa: E402

SITE, SIM = Path(sys.argv[1]), Path(sys.argv[2])
DEMO = SITE / "demo"
INSTALL, README = (150, 140), (150, 190)  # points on the demo's first two buttons
if not (SITE / "designer.wasm").exists():
    sys.exit(f"no designer page in {SITE}: build the wasm preset first")


def shoot(png, *events):
    """Writes the client area after autorun-sim play ran events on the demo to png."""
    script = png.with_suffix(".play")
    script.write_text("\n".join(events + (f"shot {png}",)) + "\n")
    subprocess.run([SIM, "--dir", DEMO, "--cwd", "D:\\Menu", "play", script], check=True, capture_output=True)


def shot(folder, events=(), options=()):
    """The client area after autorun-sim play ran events on the menu in folder."""
    with tempfile.TemporaryDirectory() as work:
        script = Path(work) / "s.play"
        script.write_text("\n".join(events + (f"shot {work}/shot.png",)) + "\n")
        subprocess.run([SIM, *options, "--dir", folder, "--cwd", "D:\\Menu", "play", script], check=True, capture_output=True)
        return pngread.read(Path(work) / "shot.png")[2]


def bmp24(data):
    """The header fields that make an uncompressed 24-bit bottom-up BMP, and its pixels, 0xRRGGBB
    from the top row."""
    magic, size, offset, header, width, height, _, bits, compression = struct.unpack_from("<2sI4xIIiiHHI", data)
    stride = (width * 3 + 3) // 4 * 4
    rows = [data[offset + (abs(height) - 1 - y) * stride:][:width * 3] for y in range(abs(height))]
    pixels = [row[i + 2] << 16 | row[i + 1] << 8 | row[i] for row in rows for i in range(0, width * 3, 3)]
    return (magic, size == len(data), header, bits, compression, height > 0), width, abs(height), pixels


def channels(pixel):
    return pixel >> 16, pixel >> 8 & 255, pixel & 255


@functools.lru_cache(maxsize=None)
def play(*events):
    return shot(DEMO, events)


CYRILLIC = "[Main]\r\nAppName=Программа\r\nBackGround=фон.bmp\r\nButtons=1\r\n[Button1]\r\nLeft=5\r\nTop=5\r\nNABitmap=кнопка.bmp\r\n"


def cyrillic_menu(folder, ini):
    """A menu whose pictures have Cyrillic names, stored in UTF-8 as the host names files."""
    (folder / "фон.bmp").write_bytes(bmp.solid(40, 20, 0x2080C0))
    (folder / "кнопка.bmp").write_bytes(bmp.solid(20, 10, 0xC03030))
    (folder / "autorun.ini").write_bytes(ini)


def crlf_menu(folder):
    """The demo menu with CR LF line ends and a byte of code page 1252 in its title."""
    for path in DEMO.rglob("*"):
        if path.is_file():
            (folder / path.relative_to(DEMO)).parent.mkdir(parents=True, exist_ok=True)
            (folder / path.relative_to(DEMO)).write_bytes(path.read_bytes())
    ini = (DEMO / "autorun.ini").read_bytes().replace(b"\n", b"\r\n").replace(b"Demo\r\nShow", b"D\xe9mo\r\nShow")
    (folder / "autorun.ini").write_bytes(ini)
    return ini


class Designer(chromium.PageCase):
    SITE = SITE

    def open(self, query="?demo"):
        """Loads the page; without a query, until it can open a folder (its module has loaded)."""
        self.driver.get(self.url + query)
        if query:
            self.settle()
        else:
            self.until(lambda: self.js("return document.body.dataset.state") == "stopped", "the page ready")

    def settle(self, after=0, state="idle"):
        self.until(lambda: self.js("return document.body.dataset.state") == state and
                   int(self.js("return document.body.dataset.frames || 0")) > after, f"the menu {state}")

    def frames(self):
        return int(self.js("return document.body.dataset.frames || 0"))

    def assertPixels(self, actual, expected):
        """Pixel lists equal; a failure names the first pixel that differs, instead of a diff
        of the lists, which takes minutes."""
        if len(actual) != len(expected):
            self.fail(f"{len(actual)} pixels instead of {len(expected)}")
        first = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b), None)
        if first is not None:
            self.fail(f"pixel {first} is {actual[first]:06x} instead of {expected[first]:06x}")

    def canvas(self, left=0, top=0, width=None, height=None):
        """The preview's pixels in the rectangle (all of it by default), 0xRRGGBB row by row."""
        rgba = base64.b64decode(self.js(
            "const c = document.getElementById('preview'), [x, y, w, h] = arguments;"
            "const d = c.getContext('2d').getImageData(x, y, w ?? c.width, h ?? c.height).data;"
            "let s = ''; for (let i = 0; i < d.length; i += 8192) s += String.fromCharCode(...d.subarray(i, i + 8192));"
            "return btoa(s)", left, top, width, height))
        return [r << 16 | g << 8 | b for r, g, b in zip(rgba[0::4], rgba[1::4], rgba[2::4])]

    def pointer(self, x, y, press=False, state="idle"):
        canvas, before = self.driver.find_element(By.ID, "preview"), self.frames()
        chain = ActionChains(self.driver).move_to_element_with_offset(canvas, x - canvas.size["width"] // 2, y - canvas.size["height"] // 2)
        (chain.click_and_hold().release() if press else chain).perform()
        self.settle(before, state)

    def text(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def open_folder(self, folder):
        self.driver.find_element(By.ID, "folder").send_keys(str(folder))

    @contextlib.contextmanager
    def crlf_demo(self):
        """The demo with CR LF line ends and a byte of code page 1252, opened; yields its bytes."""
        with tempfile.TemporaryDirectory() as folder:
            ini = crlf_menu(Path(folder))
            self.open("")
            self.open_folder(folder)
            self.settle()
            yield ini

    def choose(self, encoding):
        before = self.frames()
        Select(self.driver.find_element(By.ID, "codepage")).select_by_value(encoding)
        self.settle(before)

    def saved(self):
        return self.download("save", "autorun.ini")

    def question(self):
        """The dialog the page asks a question in, or None."""
        try:
            return self.driver.switch_to.alert
        except NoAlertPresentException:
            return None

    def download(self, button, name, confirm=False):
        self.driver.find_element(By.ID, button).click()
        if confirm:
            self.until(self.question, "the question")
            self.question().accept()
        target = self.downloads / name
        # Chromium holds the name with an empty file while the bytes go to a .crdownload file.
        self.until(lambda: target.exists() and target.stat().st_size > 0 and not any(self.downloads.glob("*.crdownload")),
                   "a download")
        data = target.read_bytes()
        target.unlink()
        return data

    def test_demo_opens_as_play_draws_it(self):
        self.open()
        self.assertPixels(self.canvas(), play())
        self.assertEqual(self.text("caption"), "Autorun Menu Demo")

    def test_hover_and_press_show_the_pictures_play_shows(self):
        self.open()
        start = self.canvas()
        self.pointer(*README)
        self.assertNotEqual(self.canvas(), start)
        self.assertPixels(self.canvas(), play("move %d %d" % README))
        self.assertEqual(self.text("tooltip"), "Read the readme")
        self.pointer(*README, press=True)
        self.assertEqual(self.text("tooltip"), "")
        self.assertPixels(self.canvas(), play("move %d %d" % README, "down %d %d" % README))
        self.assertIn("opens readme.txt through the shell in D:\\Menu\\", self.text("words"))

    def test_keys_on_the_canvas_go_to_the_menu(self):
        self.open()
        canvas, before = self.driver.find_element(By.ID, "preview"), self.frames()
        canvas.send_keys(Keys.TAB)
        self.settle(before + 1)  # a frame after the key goes down, one after it comes up
        self.assertNotEqual(play("key tab"), play())
        self.assertPixels(self.canvas(), play("key tab"))

    def test_install_click_shows_its_command_line_and_the_wait(self):
        self.open()
        self.pointer(*INSTALL)
        self.pointer(*INSTALL, press=True, state="waiting")
        self.until(lambda: "starts D:\\Menu\\setup.exe in D:\\Menu and waits for it" in self.text("words"), "the wait")
        self.assertTrue(self.driver.find_element(By.ID, "wait").is_displayed())
        self.driver.find_element(By.ID, "end-program").click()
        self.until(lambda: "rebuilds the menu" in self.text("words"), "the rebuild")
        self.assertFalse(self.driver.find_element(By.ID, "wait").is_displayed())

    def test_installer_value_and_rebuild_enable_start(self):
        self.open()
        field = self.driver.find_element(By.CSS_SELECTOR, "input[data-alias=InstallDir]")
        field.send_keys("C:\\Demo\n")
        self.js("arguments[0].dispatchEvent(new Event('change'))", field)
        before = self.frames()
        self.driver.find_element(By.ID, "rebuild").click()
        self.settle(before)
        expected = play('registry set Software\\AutorunMenuDemo InstallDir "C:\\Demo"', "message 1025")
        self.assertNotEqual(expected, play())
        self.assertPixels(self.canvas(), expected)

    def test_a_broken_line_is_marked_at_its_line(self):
        self.open()
        line = (DEMO / "autorun.ini").read_text().split("\n").index("ShowCaption=1") + 1
        before = self.frames()
        self.js("const t = document.getElementById('text'); t.value = t.value.replace('ShowCaption=1', 'ShowCaption=yes');"
                "t.dispatchEvent(new Event('input'))")
        self.settle(before)
        self.assertEqual(self.js(f"return document.getElementById('gutter').children[{line - 1}].className"), "warning")
        finding = self.driver.find_element(By.CSS_SELECTOR, f"#findings li[data-line='{line}']").text
        self.assertIn("ShowCaption", finding)

    def test_save_without_edits_gives_back_the_bytes(self):
        with self.crlf_demo() as ini:
            self.assertEqual(self.saved(), ini)

    def test_the_outline_of_a_selected_button_goes_with_layout_mode(self):
        # A frame draws what the menu changed; the page's own outline is no part of that.
        self.open()
        self.driver.find_element(By.ID, "layout-mode").click()
        self.pointer(*README, press=True)
        self.assertNotEqual(self.canvas(), play())
        before = self.frames()
        self.driver.find_element(By.ID, "layout-mode").click()
        self.settle(before)
        self.assertPixels(self.canvas(), play())

    def test_dragging_a_button_rewrites_only_its_left_and_top(self):
        with self.crlf_demo() as ini:
            self.driver.find_element(By.ID, "layout-mode").click()
            canvas, before = self.driver.find_element(By.ID, "preview"), self.frames()
            # A click and a nudge (by a pixel) right after the drag, before the menu ran on it.
            ActionChains(self.driver).move_to_element_with_offset(canvas, README[0] - 240, README[1] - 176) \
                .click_and_hold().move_by_offset(7, 5).release().click().send_keys(Keys.ARROW_RIGHT).perform()
            self.until(lambda: "Left=118" in self.ini_text(), "the nudge")
            canvas.send_keys(Keys.ARROW_DOWN)
            self.until(lambda: "Top=178" in self.ini_text(), "the second nudge")
            self.settle(before)
            self.assertEqual(self.saved(), ini.replace(b"Top=172\r\nLeft=110", b"Top=178\r\nLeft=118"))

    def ini_text(self):
        return self.js("return document.getElementById('text').value")

    def test_deleting_a_button_renumbers_its_rules_and_undo_takes_it_back(self):
        with self.crlf_demo() as ini:
            self.driver.find_element(By.ID, "layout-mode").click()
            before = self.frames()
            self.pointer(*INSTALL, press=True)
            ActionChains(self.driver).send_keys(Keys.DELETE).perform()
            self.until(lambda: "Buttons=3" in self.ini_text(), "the deletion")
            self.settle(before)
            install = ini[ini.index(b"[Button1]"):ini.index(b"[Button2]")]
            expected = ini.replace(install, b"").replace(b"Buttons=4", b"Buttons=3") \
                .replace(b"Activate=ENABLE BUTTON3 InstallDir|DISABLE BUTTON1 InstallDir", b"Activate=ENABLE BUTTON2 InstallDir")
            for n in (2, 3, 4):
                expected = expected.replace(b"[Button%d]" % n, b"[Button%d]" % (n - 1))
            self.assertEqual(self.saved(), expected)
            self.assertIn('The rule "DISABLE BUTTON1 InstallDir" of [Button2] named the deleted button: it was removed.',
                          self.text("messages"))
            self.assertEqual([li.text for li in self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")],
                             ["Read the readme", "Start the installed demo", "Close this menu"])
            ActionChains(self.driver).key_down(Keys.CONTROL).send_keys("z").key_up(Keys.CONTROL).perform()
            self.until(lambda: "Buttons=4" in self.ini_text(), "the undo")
            self.assertEqual(self.saved(), ini)

    def test_a_duplicate_is_the_last_button_a_little_below_its_original(self):
        with self.crlf_demo() as ini:
            before = self.frames()
            self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[3].click()
            self.driver.find_element(By.ID, "button-duplicate").click()
            self.until(lambda: "Buttons=5" in self.ini_text(), "the copy")
            self.settle(before)
            close = ini[ini.index(b"[Button4]"):]
            copy = close.replace(b"[Button4]", b"[Button5]").replace(b"Top=280\r\nLeft=110", b"Top=288\r\nLeft=118")
            self.assertEqual(self.saved(), ini.replace(b"Buttons=4", b"Buttons=5") + copy)

    def test_the_action_form_reads_and_writes_the_action_line(self):
        with self.crlf_demo() as ini:
            self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[1].click()
            field = lambda name: Select(self.driver.find_element(By.ID, f"action-{name}"))  # noqa: E731
            self.assertEqual((field("command").first_selected_option.text, field("file").first_selected_option.text),
                             ("Open a document", "readme.txt"))
            field("command").select_by_visible_text("Run a program")
            field("file").select_by_visible_text("setup.exe")
            self.driver.find_element(By.ID, "action-argument").send_keys("a b")
            self.driver.find_element(By.ID, "action-write").click()
            self.until(lambda: '"a b" cannot stand in an Action: a space would make it two words.' in self.text("messages"), "the refusal")
            self.driver.find_element(By.ID, "action-wait").click()
            before = self.frames()
            self.driver.find_element(By.ID, "action-write").click()
            self.until(lambda: "Action=RUN setup.exe wait" in self.ini_text(), "the Action")
            self.settle(before)
            self.assertEqual(self.saved(), ini.replace(b"Action=SHELL open readme.txt .\\", b"Action=RUN setup.exe wait"))

    def test_a_rule_added_on_the_form_goes_last_in_the_activate_line(self):
        with self.crlf_demo() as ini:
            self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[2].click()
            Select(self.driver.find_element(By.ID, "rule-verb")).select_by_visible_text("Disable")
            number = self.driver.find_element(By.ID, "rule-button")
            number.clear()
            number.send_keys("4")
            before = self.frames()
            self.driver.find_element(By.ID, "rule-add").click()
            self.until(lambda: "DISABLE BUTTON4 InstallDir\n" in self.ini_text(), "the rule")
            self.settle(before)
            rules = b"Activate=ENABLE BUTTON3 InstallDir|DISABLE BUTTON1 InstallDir"
            self.assertEqual(self.saved(), ini.replace(rules, rules + b"|DISABLE BUTTON4 InstallDir"))

    def test_moving_a_button_swaps_numbers_and_stops_at_nine(self):
        with tempfile.TemporaryDirectory() as folder:
            ini = crlf_menu(Path(folder)).replace(b"Buttons=4", b"Buttons=10")
            for n in range(5, 11):  # rules of 5 and 6 on button 4: the later one decides
                rule = {5: b"ENABLE BUTTON4 InstallDir", 6: b"DISABLE BUTTON4 InstallDir", 10: b"DISABLE BUTTON9 InstallDir"}
                ini += b"[Button%d]\r\nTop=%d\r\nLeft=300\r\nNABitmap=pictures\\close-normal.bmp\r\n" % (n, 20 * n)
                ini += b"Activate=%s\r\n" % rule[n] if n in rule else b""
            (Path(folder) / "autorun.ini").write_bytes(ini)
            self.open("")
            self.open_folder(folder)
            self.settle()
            item = lambda n: self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[n - 1]  # noqa: E731
            item(9).click()
            self.driver.find_element(By.ID, "button-down").click()
            self.until(lambda: "cannot become button 10" in self.text("messages"), "the refusal")
            self.assertEqual(self.saved(), ini)
            before = self.frames()
            item(5).click()
            self.driver.find_element(By.ID, "button-down").click()
            self.until(lambda: "decides whether button 4" in self.text("messages"), "the note")
            self.settle(before)
            swapped = ini.replace(b"[Button5]", b"[Button#]").replace(b"[Button6]", b"[Button5]").replace(b"[Button#]", b"[Button6]")
            self.assertEqual(self.saved(), swapped)
            self.assertIn('"ENABLE BUTTON4 InstallDir" of [Button6], no longer "DISABLE BUTTON4 InstallDir" of [Button5]', self.text("messages"))

    def test_a_1251_menu_previews_in_1251_and_converts_to_utf8(self):
        with tempfile.TemporaryDirectory() as folder:
            cyrillic_menu(Path(folder), CYRILLIC.encode("cp1251"))
            self.open("")
            self.open_folder(folder)
            self.settle()
            # On a 1252 machine the names find no file: no background, a window of 0 x 0.
            self.assertEqual(self.js("return document.getElementById('preview').width"), 0)
            self.choose("1251")
            expected = shot(folder, options=("--codepage", "1251"))
            self.assertEqual(len(expected), 40 * 20)
            self.assertEqual(self.canvas(), expected)
            self.choose("utf-8")
            self.assertIn("converted to UTF-8", self.text("messages"))
            self.assertEqual(self.canvas(), expected)
            self.assertEqual(self.saved(), b"\xef\xbb\xbf" + CYRILLIC.encode("utf-8"))

    def test_a_utf8_file_is_read_saved_as_it_came_and_nudged_in_place(self):
        ini = b"\xef\xbb\xbf" + CYRILLIC.encode("utf-8") + b"; caf\xe9\r\n"  # a byte that is not UTF-8
        with tempfile.TemporaryDirectory() as folder:
            cyrillic_menu(Path(folder), ini)
            self.open("")
            self.open_folder(folder)
            self.settle()
            self.assertEqual(self.js("return document.getElementById('codepage').value"), "utf-8")
            self.assertEqual(self.canvas(), shot(folder))
            self.assertEqual(self.saved(), ini)
            # The menu places lines in bytes; the Cyrillic above the button takes two each.
            self.driver.find_element(By.ID, "layout-mode").click()
            self.pointer(10, 10, press=True)
            before = self.frames()
            self.driver.find_element(By.ID, "preview").send_keys(Keys.ARROW_RIGHT)
            self.until(lambda: "Left=6" in self.js("return document.getElementById('text').value"), "the nudge")
            self.settle(before)
            edited = CYRILLIC.replace("Left=5", "Left=6") + "; caf\ufffd\r\n"
            self.assertEqual(self.saved(), b"\xef\xbb\xbf" + edited.encode("utf-8"))

    def test_bad_input_gets_a_message_and_loses_nothing(self):
        cases = [  # files of the folder, words of the message
            ({"readme.txt": b"hello"}, "has no autorun.ini"),
            ({"autorun.ini": b"\x89PNG\r\n\x1a\n" + bytes(1000)}, "is not a text file"),
            ({"autorun.ini": b"[Main]\nBackGround=back.bmp\n", "back.bmp": b"BM" + b"\x00" * 60}, "cannot show"),
            ({"autorun.ini": b"[Main]\n", "big.bmp": 65 * 1024 * 1024}, "over the 64 MiB"),
        ]
        for files, words in cases:
            with self.subTest(words), tempfile.TemporaryDirectory() as folder:
                for name, content in files.items():
                    with open(Path(folder) / name, "wb") as f:
                        f.truncate(content) if isinstance(content, int) else f.write(content)
                self.open()
                demo = self.canvas()
                self.open_folder(folder)
                self.until(lambda: words in self.text("messages"), repr(words))
                if "autorun.ini" not in files or words == "is not a text file":
                    self.assertPixels(self.canvas(), demo)

    def add_button(self, text):
        before = self.frames()
        self.driver.find_element(By.ID, "add-button").click()
        self.driver.find_element(By.ID, "button-text").send_keys(text)
        self.driver.find_element(By.ID, "button-add").click()
        self.settle(before)
        ini = self.js("return document.getElementById('text').value").split("[Button")
        return dict(line.split("=", 1) for line in ini[-1].split("\n") if "=" in line)

    def assert_states(self, w, h, normal, hover, pressed, disabled, background_row):
        """A drawn button's pictures: hover lighter, pressed darker and a pixel lower, disabled
        grey with less contrast. The rounded corners (6 pixels) are left out."""
        inner = [(x, y) for y in range(h - 1) for x in range(6, w - 6)]
        self.assertNotEqual(hover, normal)
        self.assertTrue(all(a >= b for i in range(w * h) for a, b in zip(channels(hover[i]), channels(normal[i]))))
        self.assertPixels(pressed[6:w - 6], background_row[6:w - 6])
        self.assertNotEqual(normal[6:w - 6], pressed[6:w - 6])
        below = [(channels(pressed[(y + 1) * w + x]), channels(normal[y * w + x]), normal[y * w + x]) for x, y in inner]
        self.assertTrue(all(a <= b for down, up, _ in below for a, b in zip(down, up)))
        self.assertTrue(all(a < b for down, up, colour in below if colour == normal[h // 2 * w + 3] for a, b in zip(down, up)))
        self.assertTrue(all(len(set(channels(disabled[y * w + x]))) == 1 for x, y in inner))
        spread = lambda picture: max(sum(channels(picture[y * w + x])) for x, y in inner) - \
            min(sum(channels(picture[y * w + x])) for x, y in inner)  # noqa: E731
        self.assertLess(spread(disabled), spread(normal) / 2)

    def test_a_new_menu_becomes_a_zip_of_the_whole_folder(self):
        self.open("")
        before = self.frames()
        self.driver.find_element(By.ID, "new-menu").click()
        self.settle(before)
        self.assertEqual(self.js("return document.getElementById('text').value"), "[Main]\n")
        text = self.driver.find_element(By.ID, "text")
        text.send_keys(Keys.CONTROL, Keys.END, Keys.NULL, "Icon=menu.ico")  # an error: no such file
        self.driver.find_element(By.ID, "download").click()
        self.until(self.question, "the question")
        self.assertIn("menu.ico", self.question().text)
        self.question().dismiss()
        self.until(lambda: "No zip was made" in self.text("messages"), "the zip refused")

        work = Path(self.work.name)
        shoot(work / "logo.png")
        png = (work / "logo.png").read_bytes()  # with a gamma of 1.0, which the page must not apply
        gamma = b"gAMA" + (100000).to_bytes(4, "big")
        png = png[:33] + (4).to_bytes(4, "big") + gamma + zlib.crc32(gamma).to_bytes(4, "big") + png[33:]
        (work / "logo.png").write_bytes(png)
        (work / "logo.jpg").write_bytes(png)
        (work / "tools").mkdir()
        (work / "tools" / "setup.exe").write_bytes(b"MZ setup")
        (work / "l\u00e4s mig.txt").write_bytes(b"read me")
        width, height, logo = pngread.read(work / "logo.png")
        for name in ("logo.png", "logo.jpg"):  # one name, two pictures
            before = self.frames()
            self.driver.find_element(By.ID, "background").send_keys(str(work / name))
            self.settle(before)
        self.assertPixels(self.canvas(), logo)
        for element, *keys in (("add-files", str(work / "l\u00e4s mig.txt")), ("add-folder", str(work / "tools")),
                                ("text", Keys.CONTROL, Keys.END, Keys.NULL, "\nAppName=Caf\u00e9")):
            before = self.frames()
            self.driver.find_element(By.ID, element).send_keys(*keys)
            self.settle(before)

        first, second = self.add_button("Install"), self.add_button("Read me")
        self.assertEqual((first["Tip"], second["Tip"]), ("Install", "Read me"))
        self.assertEqual(second["Left"], first["Left"])
        with zipfile.ZipFile(io.BytesIO(self.download("download", "menu.zip", confirm=True))) as zipped:
            files = {name: zipped.read(name) for name in zipped.namelist()}
            self.assertTrue(zipped.getinfo("l\u00e4s mig.txt").flag_bits & 0x800)  # a UTF-8 name

        pictures = {f"pictures/{folder}button{n}{state}.{ending}" for n in (1, 2) for state in ("", "-hover", "-pressed", "-disabled")
                    for folder, ending in (("", "bmp"), ("source/", "png"))}
        program = SITE / "autorun.exe"
        self.assertEqual(set(files), {"autorun.ini", "autorun.inf", "pictures/logo.bmp", "pictures/logo-2.bmp",
                                      "l\u00e4s mig.txt", "tools/setup.exe"} | pictures | ({"autorun.exe"} if program.exists() else set()))
        if program.exists():
            self.assertEqual(files["autorun.exe"], program.read_bytes())
        else:
            self.assertIn("lacks autorun.exe", self.text("messages"))
        ini = files["autorun.ini"]
        self.assertEqual(ini, b"\xef\xbb\xbf" + text.get_attribute("value").replace("\n", "\r\n").encode("utf-8"))
        self.assertEqual(ini[3:].split(b"\r\n")[:6], [b"[Main]", b"Buttons=2", b"BackGround=pictures\\logo-2.bmp",
                                                 b"Icon=menu.ico", b"AppName=Caf\xc3\xa9", b"[Button1]"])
        self.assertIn(b"[Button2]", ini.split(b"\r\n"))
        self.assertEqual(files["autorun.inf"],
                         "\ufeff[autorun]\r\nopen=autorun.exe\r\nicon=autorun.exe\r\nlabel=Caf\u00e9\r\n".encode("utf-16-le"))
        bmps = {name: bmp24(data) for name, data in files.items() if name.endswith(".bmp")}
        for name, (header, *_) in bmps.items():
            self.assertEqual(header, (b"BM", True, 40, 24, 0, True), name)
        self.assertPixels(bmps["pictures/logo.bmp"][3], logo)

        states = [bmps[first[key].replace("\\", "/")] for key in ("NABitmap", "ABitmap", "PBitmap", "DBitmap")]
        (_, w, h, normal), hover, pressed, disabled = states[0], states[1][3], states[2][3], states[3][3]
        left, top = int(first["Left"]), int(first["Top"])
        self.assertTrue(int(second["Top"]) >= top + h and int(second["Top"]) + h <= height and left + w <= width)
        self.assert_states(w, h, normal, hover, pressed, disabled, logo[top * width + left:][:w])

        # The menu shows them.
        self.assertPixels(self.canvas(left, top, w, h), normal)
        self.pointer(left + w // 2, top + h // 2)
        self.assertPixels(self.canvas(left, top, w, h), hover)

    def test_any_image_the_browser_decodes_becomes_the_background(self):
        self.open("")
        self.driver.find_element(By.ID, "new-menu").click()
        work = Path(self.work.name)
        (work / "drawing.svg").write_text('<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30">'
                                          '<rect width="40" height="30" fill="#3a6"/></svg>')
        for kind in ("gif", "webp", "bmp"):
            subprocess.run(["convert", "-size", "40x30", "gradient:red-blue", work / f"{kind}.{kind}"], check=True)
        for name in ("gif.gif", "webp.webp", "bmp.bmp", "drawing.svg"):
            before = self.frames()
            self.driver.find_element(By.ID, "background").send_keys(str(work / name))
            self.settle(before)
            self.assertIn(f"BackGround=pictures\\{name.split('.')[0]}.bmp", self.js("return document.getElementById('text').value"))
            self.assertEqual(len(self.canvas()), 40 * 30)

    def test_the_demo_zip_keeps_the_folders_own_autorun_inf(self):
        self.open()
        with zipfile.ZipFile(io.BytesIO(self.download("download", "demo.zip"))) as zipped:
            self.assertEqual(zipped.read("autorun.inf"), (DEMO / "autorun.inf").read_bytes())
            self.assertEqual(zipped.read("autorun.ini"), (DEMO / "autorun.ini").read_bytes())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
