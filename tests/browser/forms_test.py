"""The designer's forms in headless Chromium, driven with real pointer and key input: [Main] (title,
caption, an icon from a PNG), [Registry] (add, rename, remove an alias), the rules of a button,
and renumbering with a rule that names no button. Each writes the expected bytes, and the rest of
the file keeps its own. Usage: forms_test.py SITE_FOLDER AUTORUN_SIM"""

import io, struct, subprocess, sys, tempfile, unittest, zipfile
from pathlib import Path

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

sys.path.insert(0, str(Path(__file__).resolve().parent))
import designer_test as base  # noqa: E402
from designer_test import bmp  # noqa: E402

REGISTRY = (b"[Main]\r\nBackGround=back.bmp\r\nButtons=2\r\n[Registry]\r\nInstallDir = Vendor\\Product\\Dir\r\n"
            b"; the tools\r\nTools=Vendor\\Tools\\\r\nOld=Vendor\\Old\\Dir\r\n"
            b"[Button1]\r\nLeft=0\r\nTop=0\r\nNABitmap=b.bmp\r\nAction=RUN InstallDir+bin\\app.exe|RUN installdir+x.exe wait\r\n"
            b"Activate=ENABLE BUTTON1 InstallDir| DISABLE BUTTON2 INSTALLDIR\r\n"
            b"[Button2]\r\nLeft=0\r\nTop=20\r\nNABitmap=b.bmp\r\n; RUN InstallDir+y.exe in a comment stays\r\n"
            b"Activate=ENABLE BUTTON2 Tools\r\n")

# Three buttons; button 3 holds a rule on button 4, past Buttons, which names no button.
STALE = (b"[Main]\r\nBackGround=back.bmp\r\nButtons=3\r\n[Registry]\r\nX=Vendor\\X\r\n"
         + b"".join(b"[Button%d]\r\nLeft=0\r\nTop=%d\r\nNABitmap=b.bmp\r\nTip=%d\r\n" % (n, 20 * n, n) for n in (1, 2, 3))
         + b"Activate=ENABLE BUTTON4 X|DISABLE BUTTON2 X\r\n")


def menu_folder(folder, ini):
    (folder / "back.bmp").write_bytes(bmp.solid(60, 80, 0x2080C0))
    (folder / "b.bmp").write_bytes(bmp.solid(20, 10, 0xC03030))
    (folder / "autorun.ini").write_bytes(ini)


def ico_images(data):
    """The pictures of an .ico file: (width, height, header fields, BGRA rows from the top, mask
    bits rows from the top) for each entry."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    assert (reserved, kind) == (0, 1), (reserved, kind)
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        header = struct.unpack_from("<IiiHHI", data, offset)
        stride = (w + 31) // 32 * 4
        pixels = offset + header[0]
        rows = [data[pixels + (h - 1 - y) * w * 4:][:w * 4] for y in range(h)]
        mask = [data[pixels + w * h * 4 + (h - 1 - y) * stride:][:stride] for y in range(h)]
        images.append((w, h, (colours, planes, bits, size == header[0] + w * h * 4 + stride * h) + header, rows, mask))
    return images


class Forms(base.chromium.PageCase):
    SITE = base.SITE
    for name in ("open", "js", "until", "settle", "frames", "text", "open_folder", "question", "download", "saved", "ini_text"):
        locals()[name] = getattr(base.Designer, name)

    def element(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def opened(self, folder, ini):
        menu_folder(Path(folder), ini)
        self.open("")
        self.open_folder(folder)
        self.settle()

    def type_into(self, element_id, text):
        field = self.element(element_id)
        field.send_keys(Keys.CONTROL, "a", Keys.NULL, Keys.BACKSPACE)
        if text:
            field.send_keys(text)

    def edited(self, click, words=None):
        """Clicks the element and waits for the file to change, or for words in the messages;
        returns the saved file."""
        before, text = self.frames(), self.ini_text()
        click.click()
        if words:
            self.until(lambda: words in self.text("messages"), repr(words))
        else:
            self.until(lambda: self.ini_text() != text, "the edit")
            self.settle(before)
        return self.saved()

    def test_the_main_form_writes_the_lines_that_change(self):
        main = b"[Main]\r\n; the title\r\nAppName=Old\r\nShowCaption=yes\r\nBackGround=back.bmp\r\n"
        cases = [  # file, title, caption, the file written or words of the refusal
            (main, "New title", True, main.replace(b"Old", b"New title").replace(b"=yes", b"=1")),
            (b"[Main]\r\nBackGround=back.bmp\r\n", "Tool", False, b"[Main]\r\nAppName=Tool\r\nBackGround=back.bmp\r\n"),
            (b"[Main]\nShowCaption=1\nBackGround=back.bmp\n", "", False, b"[Main]\nShowCaption=0\nBackGround=back.bmp\n"),
            (b"[Main]\r\nBackGround=back.bmp\r\n", "Setup [1]", True, "cannot stand in [Main]: a [ ends the section"),
        ]
        for ini, title, caption, expected in cases:
            with self.subTest(title=title), tempfile.TemporaryDirectory() as folder:
                self.opened(folder, ini)
                self.type_into("main-appname", title)
                if self.element("main-caption").is_selected() != caption:
                    self.element("main-caption").click()
                refusal = expected if isinstance(expected, str) else None
                saved = self.edited(self.element("main-write"), refusal)
                self.assertEqual(saved, ini if refusal else expected)
                self.assertEqual(self.element("caption").is_displayed(), caption and not refusal)
                if caption and not refusal:
                    self.assertEqual(self.text("caption"), title)

    def test_an_icon_from_a_png_is_an_ico_the_menu_loads(self):
        work = Path(self.work.name)
        # Left half opaque, red above blue; right half see-through.
        subprocess.run(["convert", "-size", "64x64", "xc:none", "-fill", "#ff0000", "-draw", "rectangle 0,0 31,31",
                        "-fill", "#0000ff", "-draw", "rectangle 0,32 31,63", f"PNG32:{work / 'mark.png'}"], check=True)
        self.open("")
        self.until(lambda: self.js("return document.body.dataset.state") == "stopped", "the page ready")
        before = self.frames()
        self.element("new-menu").click()
        self.settle(before)
        before = self.frames()
        self.element("main-icon").send_keys(str(work / "mark.png"))
        self.until(lambda: "Icon=pictures\\mark.ico" in self.ini_text(), "the Icon line")
        self.settle(before)
        self.assertEqual(self.text("main-icon-name"), "pictures\\mark.ico")
        trace = self.js("return document.getElementById('trace').textContent")
        self.assertIn('LoadImageW file="D:\\Menu\\pictures\\mark.ico" type=1 flags=0x10 result=icon', trace)
        self.element("download").click()
        done = lambda: (self.downloads / "menu.zip").exists() and not any(self.downloads.glob("*.crdownload"))  # noqa: E731
        self.until(lambda: self.question() or done(), "the zip or a question")
        if self.question():
            self.question().accept()
        self.until(done, "the zip")
        with zipfile.ZipFile(io.BytesIO((self.downloads / "menu.zip").read_bytes())) as zipped:
            images = ico_images(zipped.read("pictures/mark.ico"))
        (self.downloads / "menu.zip").unlink()
        # Windows loads the first entry at the size stored in it: 32 x 32.
        self.assertEqual([(w, h) for w, h, *_ in images], [(32, 32), (16, 16)])
        for w, h, header, rows, mask in images:
            self.assertEqual(header, (0, 1, 32, True, 40, w, 2 * h, 1, 32, 0))
            corners = [(2, 2, b"\x00\x00\xff\xff"), (2, h - 3, b"\xff\x00\x00\xff"), (w - 3, 2, None), (w - 3, h - 3, None)]
            for x, y, bgra in corners:
                masked = bool(mask[y][x // 8] & 0x80 >> x % 8)
                self.assertEqual((rows[y][4 * x:4 * x + 4] if bgra else rows[y][4 * x + 3], masked),
                                 (bgra, False) if bgra else (0, True), (w, x, y))

    def test_the_registry_form_adds_renames_and_removes_aliases(self):
        renamed = REGISTRY.replace(b"InstallDir =", b"Product =") \
            .replace(b"RUN InstallDir+bin\\app.exe|RUN installdir+x", b"RUN Product+bin\\app.exe|RUN Product+x") \
            .replace(b"BUTTON1 InstallDir| DISABLE BUTTON2 INSTALLDIR", b"BUTTON1 Product| DISABLE BUTTON2 Product")
        cases = [  # alias chosen, name, path, button, the file written or words of the refusal
            (None, "Viewer", "Vendor\\Viewer\\Path", "alias-add",
             REGISTRY.replace(b"Old\\Dir\r\n", b"Old\\Dir\r\nViewer=Vendor\\Viewer\\Path\r\n")),
            (None, "My app", "Vendor\\App\\Dir", "alias-add", 'No alias "My app": a space would make it two words.'),
            (None, "installdir", "Vendor\\App\\Dir", "alias-add", "an alias of that name is in [Registry] already"),
            (None, "Viewer", "", "alias-add", "say which registry value it reads"),
            (0, "Product", "", "alias-rename", renamed),
            (0, "tools", "", "alias-rename", 'No alias "tools": an alias of that name is in [Registry] already.'),
            (0, "", "", "alias-remove", "InstallDir was not removed: line 13, 14 still name it."),
            (2, "", "", "alias-remove", REGISTRY.replace(b"Old=Vendor\\Old\\Dir\r\n", b"")),
        ]
        for chosen, name, path, button, expected in cases:
            with self.subTest(button=button, name=name), tempfile.TemporaryDirectory() as folder:
                self.opened(folder, REGISTRY)
                if chosen is not None:
                    Select(self.element("alias-pick")).select_by_index(chosen)
                self.type_into("alias-name", name)
                self.type_into("alias-path", path)
                refusal = expected if isinstance(expected, str) else None
                self.assertEqual(self.edited(self.element(button), refusal), REGISTRY if refusal else expected)
        # In a UTF-8 file the menu's places are bytes, and the Cyrillic title takes two a letter.
        utf8 = lambda ini: b"\xef\xbb\xbf" + ini.replace(b"[Main]\r\n", "[Main]\r\nAppName=Программа\r\n".encode())  # noqa: E731
        with tempfile.TemporaryDirectory() as folder:
            self.opened(folder, utf8(REGISTRY))
            self.type_into("alias-name", "Product")
            self.assertEqual(self.edited(self.element("alias-rename")), utf8(renamed))
        # A rename from the text box on shows in the form.
        with tempfile.TemporaryDirectory() as folder:
            self.opened(folder, REGISTRY)
            before = self.frames()
            self.element("text").send_keys(Keys.CONTROL, Keys.HOME, Keys.NULL, *[Keys.DOWN] * 4,
                                           Keys.SHIFT, Keys.END, Keys.NULL, "Base=Vendor\\Base\\Dir")
            self.until(lambda: "Base = Vendor\\Base\\Dir" in self.text("alias-pick"), "the new alias in the form")
            self.settle(before)

    def rules(self):
        return [(Select(li.find_element(By.CLASS_NAME, "rule-verb")).first_selected_option.text,
                 li.find_element(By.CLASS_NAME, "rule-number").get_attribute("value"),
                 Select(li.find_element(By.CLASS_NAME, "rule-alias")).first_selected_option.text)
                for li in self.driver.find_elements(By.CSS_SELECTOR, "#rule-list li")]

    def test_rules_are_changed_and_removed_on_the_form(self):
        line = b"Activate=ENABLE BUTTON1 InstallDir| DISABLE BUTTON2 INSTALLDIR\r\n"
        steps = [  # rule, verb, number, alias, button, the line written (None: gone) or words of the refusal
            (1, "Enable", "1", "Tools", "rule-change", b"Activate=ENABLE BUTTON1 InstallDir| ENABLE BUTTON1 Tools\r\n"),
            (0, "Disable", "12", "Tools", "rule-change", "A rule can name buttons 1 to 9 only"),
            (0, "Disable", "2", "Old", "rule-change", b"Activate=DISABLE BUTTON2 Old| ENABLE BUTTON1 Tools\r\n"),
            (1, None, None, None, "rule-remove", b"Activate=DISABLE BUTTON2 Old\r\n"),
            (0, None, None, None, "rule-remove", None),
        ]
        with tempfile.TemporaryDirectory() as folder:
            self.opened(folder, REGISTRY)
            self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[0].click()
            self.assertEqual(self.rules(), [("Enable", "1", "InstallDir"), ("Disable", "2", "INSTALLDIR")])
            for index, verb, number, alias, button, expected in steps:
                with self.subTest(button=button, number=number):
                    row = self.driver.find_elements(By.CSS_SELECTOR, "#rule-list li")[index]
                    if verb:
                        Select(row.find_element(By.CLASS_NAME, "rule-verb")).select_by_visible_text(verb)
                        field = row.find_element(By.CLASS_NAME, "rule-number")
                        field.send_keys(Keys.CONTROL, "a", Keys.NULL, number)
                        Select(row.find_element(By.CLASS_NAME, "rule-alias")).select_by_visible_text(alias)
                    refusal = expected if isinstance(expected, str) else None
                    saved = self.edited(row.find_element(By.CLASS_NAME, button), refusal)
                    if not refusal:
                        self.assertEqual(saved, REGISTRY.replace(line, expected or b""))
            self.assertEqual(self.rules(), [])
            # A rule typed into the text box shows in the form.
            before = self.frames()
            self.element("text").send_keys(Keys.CONTROL, Keys.HOME, Keys.NULL, *[Keys.DOWN] * 13, "Activate=DISABLE BUTTON2 Tools\n")
            self.until(lambda: self.rules() == [("Disable", "2", "Tools")], "the typed rule in the form")
            self.settle(before)

    def test_renumbering_keeps_a_rule_that_names_no_button(self):
        renumbered = STALE.replace(b"[Button1]\r\nLeft=0\r\nTop=20\r\nNABitmap=b.bmp\r\nTip=1\r\n", b"") \
            .replace(b"[Button2]", b"[Button1]").replace(b"[Button3]", b"[Button2]").replace(b"Buttons=3", b"Buttons=2") \
            .replace(b"DISABLE BUTTON2", b"DISABLE BUTTON1")
        swapped = STALE.replace(b"[Button2]", b"[Button#]").replace(b"[Button3]", b"[Button2]") \
            .replace(b"[Button#]", b"[Button3]").replace(b"DISABLE BUTTON2", b"DISABLE BUTTON3")
        cases = [  # button selected, edit, the file written, words of the note
            (1, "button-delete", renumbered, None),
            (2, "button-down", swapped, None),
            (1, "button-duplicate", None, 'The rule "ENABLE BUTTON4 X" of [Button3] named no button; it now decides for the copy, button 4.'),
        ]
        for selected, button, expected, note in cases:
            with self.subTest(button=button), tempfile.TemporaryDirectory() as folder:
                self.opened(folder, STALE)
                self.driver.find_elements(By.CSS_SELECTOR, "#button-list li")[selected - 1].click()
                saved = self.edited(self.element(button))
                if expected:
                    self.assertEqual(saved, expected)
                if note:
                    self.until(lambda: note in self.text("messages"), "the note")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
