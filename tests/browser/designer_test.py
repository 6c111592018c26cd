"""The designer page in headless Chromium, driven with real pointer and key input: its preview against
autorun-sim play's shots, the plain words of a click, the registry, findings, layout, save and
bad input. Usage: designer_test.py SITE_FOLDER AUTORUN_SIM"""

import base64, contextlib, functools, subprocess, sys, tempfile, time, unittest, zlib
from pathlib import Path

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import chromium  # noqa: E402
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
import bmp  # noqa: E402

SITE, SIM = Path(sys.argv[1]), Path(sys.argv[2])
DEMO = SITE / "demo"
INSTALL, README = (150, 140), (150, 190)  # points on the demo's first two buttons
if not (SITE / "designer.wasm").exists():
    sys.exit(f"no designer page in {SITE}: build the wasm preset first")


def png_rgba(path):
    """The pixels of an 8-bit RGB PNG as autorun-sim writes it, as RGBA bytes."""
    data, chunks, pos = path.read_bytes(), b"", 8
    while pos < len(data):
        size, kind = int.from_bytes(data[pos:pos + 4], "big"), data[pos + 4:pos + 8]
        if kind == b"IHDR":
            width, height = int.from_bytes(data[pos + 8:pos + 12], "big"), int.from_bytes(data[pos + 12:pos + 16], "big")
        if kind == b"IDAT":
            chunks += data[pos + 8:pos + 8 + size]
        pos += size + 12
    raw, stride, out, prev = zlib.decompress(chunks), width * 3, bytearray(), bytearray(width * 3)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = row[i - 3] if i >= 3 else 0, prev[i], prev[i - 3] if i >= 3 else 0
            p = a + b - c
            pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= min(abs(p - b), abs(p - c)) else b if abs(p - b) <= abs(p - c) else c][kind]
            row[i] = (row[i] + pred) & 255
        out += b"".join(bytes(row[x * 3:x * 3 + 3]) + b"\xff" for x in range(width))
        prev = row
    return bytes(out)


def shot(folder, events=(), options=()):
    """The client area after autorun-sim play ran events on the menu in folder."""
    with tempfile.TemporaryDirectory() as work:
        script = Path(work) / "s.play"
        script.write_text("\n".join(events + (f"shot {work}/shot.png",)) + "\n")
        subprocess.run([SIM, *options, "--dir", folder, "--cwd", "D:\\Menu", "play", script], check=True, capture_output=True)
        return png_rgba(Path(work) / "shot.png")


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


class Designer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.url = chromium.serve(SITE)
        cls.work = tempfile.TemporaryDirectory()
        cls.driver = chromium.start(cls.work.name, 1400, 1000)
        cls.downloads = Path(cls.work.name) / "downloads"

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()
        cls.work.cleanup()

    def open(self, query="?demo"):
        self.driver.get(self.url + query)
        if query:
            self.settle()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def until(self, condition, what):
        for _ in range(600):  # 30 s, for a machine busy with builds
            if condition():
                return
            time.sleep(0.05)
        self.fail(f"the page never showed {what}")

    def settle(self, after=0, state="idle"):
        self.until(lambda: self.js("return document.body.dataset.state") == state and
                   int(self.js("return document.body.dataset.frames || 0")) > after, f"the menu {state}")

    def frames(self):
        return int(self.js("return document.body.dataset.frames || 0"))

    def canvas(self):
        return base64.b64decode(self.js(
            "const c = document.getElementById('preview'), d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            "let s = ''; for (let i = 0; i < d.length; i += 8192) s += String.fromCharCode(...d.subarray(i, i + 8192));"
            "return btoa(s)"))

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
        self.driver.find_element(By.ID, "save").click()
        target = self.downloads / "autorun.ini"
        # Chromium holds the name with an empty file while the bytes go to a .crdownload file.
        self.until(lambda: target.exists() and target.stat().st_size > 0 and not any(self.downloads.glob("*.crdownload")),
                   "a download")
        data = target.read_bytes()
        target.unlink()
        return data

    def test_demo_opens_as_play_draws_it(self):
        self.open()
        self.assertEqual(self.canvas(), play())
        self.assertEqual(self.text("caption"), "Autorun Menu Demo")

    def test_hover_and_press_show_the_pictures_play_shows(self):
        self.open()
        start = self.canvas()
        self.pointer(*README)
        self.assertNotEqual(self.canvas(), start)
        self.assertEqual(self.canvas(), play("move %d %d" % README))
        self.assertEqual(self.text("tooltip"), "Read the readme")
        self.pointer(*README, press=True)
        self.assertEqual(self.text("tooltip"), "")
        self.assertEqual(self.canvas(), play("move %d %d" % README, "down %d %d" % README))
        self.assertIn("opens readme.txt through the shell in D:\\Menu\\", self.text("words"))

    def test_keys_on_the_canvas_go_to_the_menu(self):
        self.open()
        canvas, before = self.driver.find_element(By.ID, "preview"), self.frames()
        canvas.send_keys(Keys.TAB)
        self.settle(before + 1)  # a frame after the key goes down, one after it comes up
        self.assertNotEqual(play("key tab"), play())
        self.assertEqual(self.canvas(), play("key tab"))

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
        self.assertEqual(self.canvas(), expected)

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

    def test_dragging_a_button_rewrites_only_its_left_and_top(self):
        with self.crlf_demo() as ini:
            self.driver.find_element(By.ID, "layout-mode").click()
            canvas, before = self.driver.find_element(By.ID, "preview"), self.frames()
            ActionChains(self.driver).move_to_element_with_offset(canvas, README[0] - 240, README[1] - 176) \
                .click_and_hold().move_by_offset(7, 5).release().perform()
            self.until(lambda: "Top=177" in self.js("return document.getElementById('text').value"), "the new Top")
            canvas.send_keys(Keys.ARROW_RIGHT)  # nudges it by a pixel
            self.until(lambda: "Left=118" in self.js("return document.getElementById('text').value"), "the nudge")
            self.settle(before)
            self.assertEqual(self.saved(), ini.replace(b"Top=172\r\nLeft=110", b"Top=177\r\nLeft=118"))

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
            self.assertEqual(len(expected), 40 * 20 * 4)
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
                    self.assertEqual(self.canvas(), demo)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
