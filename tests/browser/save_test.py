"""Save to folder in headless Chromium: a folder of the browser's origin-private file system stands
for the folder the directory picker hands out, and is read back after each save. Usage:
save_test.py SITE_FOLDER"""

import base64, io, sys, tempfile, unittest, zipfile
from pathlib import Path

from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
sys.path.insert(0, str(ROOT / "tests" / "support"))
import chromium  # noqa: E402
import pngwrite  # noqa: E402

SITE = Path(sys.argv[1])
if not (SITE / "designer.wasm").exists():
    sys.exit(f"no designer page in {SITE}: build the wasm preset first")

# The origin-private folder as { path: bytes, "folder/": None }.
READ = """
const done = arguments[arguments.length - 1];
async function walk(directory, prefix, out) {
  for await (const [name, entry] of directory.entries()) {
    if (entry.kind === 'directory') { out[prefix + name + '/'] = null; await walk(entry, prefix + name + '/', out); continue; }
    const bytes = new Uint8Array(await (await entry.getFile()).arrayBuffer());
    let s = ''; for (let i = 0; i < bytes.length; i += 8192) s += String.fromCharCode(...bytes.subarray(i, i + 8192));
    out[prefix + name] = btoa(s);
  }
  return out;
}
navigator.storage.getDirectory().then((root) => walk(root, '', {})).then(done, (e) => done('failed: ' + e));
"""
# Puts { path: base64, "folder/": null } there, after removing the paths of removed.
WRITE = """
const [files, removed, done] = arguments;
(async () => {
  const root = await navigator.storage.getDirectory();
  const folder = async (parts) => {
    let directory = root;
    for (const part of parts) directory = await directory.getDirectoryHandle(part, { create: true });
    return directory;
  };
  for (const path of removed) await (await folder(path.split('/').slice(0, -1))).removeEntry(path.split('/').at(-1), { recursive: true });
  for (const [path, data] of Object.entries(files)) {
    const parts = path.split('/');
    const directory = await folder(parts.slice(0, -1));
    if (data === null) continue;
    const writer = await (await directory.getFileHandle(parts.at(-1), { create: true })).createWritable();
    await writer.write(Uint8Array.from(atob(data), (c) => c.charCodeAt(0)));
    await writer.close();
  }
})().then(() => done('ok'), (e) => done('failed: ' + e));
"""

START = {"autorun.ini": b"[Main]\r\nAppName=Old\r\nIcon=missing.ico\r\n", "notes.txt": b"notes", "autorun.exe": b"MZ old",
         # A folder where the page's autorun.inf would go: the save fails when it is the last file left.
         "autorun.inf/": None}


class SaveToFolder(chromium.PageCase):
    SITE = SITE

    def setUp(self):
        self.driver.get(self.url)
        self.until(lambda: self.js("return document.body.dataset.state") == "stopped", "the page ready")
        self.opfs_write({}, [path.rstrip("/") for path in self.opfs() if "/" not in path.rstrip("/")])

    def frames(self):
        return int(self.js("return document.body.dataset.frames || 0"))

    def act(self, element_id, *keys):
        """Clicks the element, or sends it keys, and waits for the menu to run on the change."""
        before, element = self.frames(), self.driver.find_element(By.ID, element_id)
        element.send_keys(*keys) if keys else element.click()
        self.until(lambda: self.js("return document.body.dataset.state") == "idle" and self.frames() > before, "the menu")

    def opfs(self):
        found = self.driver.execute_async_script(READ)
        self.assertIsInstance(found, dict, found)
        return {path: None if data is None else base64.b64decode(data) for path, data in found.items()}

    def opfs_write(self, files, removed=()):
        encoded = {path: None if data is None else base64.b64encode(data).decode() for path, data in files.items()}
        self.assertEqual(self.driver.execute_async_script(WRITE, encoded, list(removed)), "ok")

    def open_opfs(self):
        """Opens the folder "menu" of the origin-private file system through Open a folder…, the
        directory picker standing in for the user's choice."""
        self.js("window.showDirectoryPicker = async () => (await navigator.storage.getDirectory()).getDirectoryHandle('menu')")
        before = self.frames()
        self.driver.find_element(By.XPATH, "//label[input[@id='folder']]").click()
        self.until(lambda: self.js("return document.body.dataset.state") == "idle" and self.frames() > before, "the folder")

    def offered(self):
        return self.driver.find_element(By.ID, "save-folder").is_displayed()

    def answer(self, yes):
        self.until(lambda: self.question(), "the question")
        self.question().accept() if yes else self.question().dismiss()

    def question(self):
        try:
            return self.driver.switch_to.alert
        except NoAlertPresentException:
            return None

    def save(self, yes):
        """Save to folder, check's question answered; returns the page's message about it."""
        count = len(self.driver.find_elements(By.CSS_SELECTOR, "#messages p"))
        self.driver.find_element(By.ID, "save-folder").click()
        self.answer(yes)
        said = lambda: self.driver.find_elements(By.CSS_SELECTOR, "#messages p")[count:]  # noqa: E731
        self.until(said, "a message")
        return said()[-1].text

    def zip_entries(self):
        self.driver.find_element(By.ID, "download").click()
        self.answer(True)
        target = self.downloads / "menu.zip"
        self.until(lambda: target.exists() and target.stat().st_size > 0 and not any(self.downloads.glob("*.crdownload")),
                   "the zip")
        with zipfile.ZipFile(io.BytesIO(target.read_bytes())) as zipped:
            entries = {name: zipped.read(name) for name in zipped.namelist()}
        target.unlink()
        return entries

    def test_save_is_offered_for_a_folder_the_picker_gave(self):
        self.opfs_write({"menu/" + path: data for path, data in START.items()})
        with tempfile.TemporaryDirectory() as folder:
            (Path(folder) / "autorun.ini").write_bytes(START["autorun.ini"])
            for name, opening in (("the demo", lambda: self.act("demo")), ("a new menu", lambda: self.act("new-menu")),
                                  ("a folder of the file choice", lambda: self.act("folder", folder)),
                                  ("a folder of the picker", self.open_opfs)):
                opening()
                self.assertEqual(self.offered(), name == "a folder of the picker", name)

    def test_save_writes_the_changed_files_whole_or_not_at_all(self):
        self.opfs_write({"menu/" + path: data for path, data in START.items()})
        self.open_opfs()
        work = Path(self.work.name)
        (work / "back.png").write_bytes(pngwrite.png(160, 120, lambda x, y: x << 16 | y << 8 | (x ^ y) & 255))
        (work / "tools").mkdir(exist_ok=True)
        (work / "tools" / "setup.exe").write_bytes(b"MZ setup")
        self.act("background", str(work / "back.png"))
        self.act("add-folder", str(work / "tools"))
        self.driver.find_element(By.ID, "add-button").click()
        self.driver.find_element(By.ID, "button-text").send_keys("Install")
        self.act("button-add")
        self.act("text", Keys.CONTROL, Keys.END, Keys.NULL, "; Caf\u00e9\n")
        # Another program changes a file the page leaves alone: the save must keep that.
        self.opfs_write({"menu/notes.txt": b"notes, changed elsewhere"})
        before = self.opfs()

        self.assertIn("Nothing was saved: check the errors", self.save(yes=False))
        self.assertEqual(self.opfs(), before)
        # Every other file is prepared when autorun.inf, the last, cannot be written.
        self.assertIn('Nothing was saved into the folder "menu"', self.save(yes=True))
        self.assertEqual(self.opfs(), before)

        self.opfs_write({}, ["menu/autorun.inf"])
        self.assertIn('Saved into the folder "menu"', self.save(yes=True))
        saved = {path[5:]: data for path, data in self.opfs().items() if path.startswith("menu/") and data is not None}
        expected = dict(self.zip_entries(), **{"notes.txt": b"notes, changed elsewhere"})
        self.assertEqual(sorted(saved), sorted(expected))
        for path in expected:
            self.assertEqual(saved[path], expected[path], path)
        text = self.js("return document.getElementById('text').value")
        self.assertEqual(saved["autorun.ini"], text.replace("\n", "\r\n").encode("cp1252"))
        self.assertIn(b"[Button1]", saved["autorun.ini"])
        program = SITE / "autorun.exe"
        self.assertEqual(saved["autorun.exe"], program.read_bytes() if program.exists() else START["autorun.exe"])
        self.assertIn("Nothing was written", self.save(yes=True))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
