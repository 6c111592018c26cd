// Making a menu on the page: an empty one, files added to its folder, a background picture from
// any image, buttons drawn from a text, and the finished folder as a zip. The text box stays the
// file: every change is written into it as ordinary lines.
import { buttonPictures, colours, corners, crop, sizes } from './button_art.js';
import { autorunInf, menuProgram, menuZip, offer } from './bundle.js';
import { largestFile } from './folder.js';
import { appendSection, setMainKeys } from './layout.js';
import { bmpFile, decodeImage, picturePath } from './picture.js';

const $ = (id) => document.getElementById(id);
const margin = 16; // from the background's corner to the first button
const gap = 8; // between a button and the one below it
const pictureKeys = { normal: 'NABitmap', hover: 'ABitmap', pressed: 'PBitmap', disabled: 'DBitmap' };
const windowsPath = (path) => path.replaceAll('/', '\\');

export function makingMenus(page, edit) {
  const put = (path, bytes, source) => {
    page.folder.put(path, bytes, source);
    page.menu.putFile(path, bytes);
    $('status').textContent = page.folder.describe();
  };

  $('new-menu').addEventListener('click', async () => {
    edit.newCodePage('1252');
    // A new menu is UTF-8 with the byte-order mark: its texts then read alike on every machine.
    const ini = new File([new Uint8Array([0xef, 0xbb, 0xbf]), '[Main]\r\n'], 'autorun.ini');
    await edit.open({ name: 'menu', files: [{ path: 'autorun.ini', file: ini }] });
  });

  // Files of a file choice or, with their folder's name, of a folder choice.
  for (const id of ['add-files', 'add-folder']) {
    $(id).addEventListener('change', async (event) => {
      const files = [...event.target.files];
      event.target.value = '';
      await edit.current();
      for (const file of files) {
        const path = file.webkitRelativePath || file.name;
        if (path.toLowerCase() === page.iniPath.toLowerCase())
          edit.say(`${path} was left out: the text on the page is the menu's autorun.ini.`, true);
        else if (file.size > largestFile) edit.say(`${path} is over the 64 MiB the page takes: it was left out.`, true);
        else put(path, new Uint8Array(await file.arrayBuffer()));
      }
      // The menu and check run again: a program or picture a line names may be there now.
      await edit.write(edit.text());
    });
  }

  $('background').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    event.target.value = '';
    if (!file) return;
    performance.mark('picture-start');
    let image;
    try {
      image = await decodeImage(file);
    } catch {
      const svg = file.type === 'image/svg+xml' ? ' (a drawing needs its width and height)' : '';
      edit.say(`${file.name} is no image this browser can read${svg}: the background stays as it was.`, true);
      return;
    }
    await edit.current();
    const path = page.folder.nameFor(picturePath(file.name, page.codePage), file.name);
    put(path, bmpFile(image), file.name);
    performance.measure('picture', 'picture-start');
    const { main } = page.layout;
    await edit.write(setMainKeys(edit.text(), main, [['BackGround', windowsPath(path), main.background]], edit.eol()));
  });

  const dialog = $('button-dialog');
  for (const [id, choices, chosen] of [
    ['button-colour', colours, 'Blue'],
    ['button-corner', corners, 'Rounded'],
    ['button-size', sizes, 'Medium'],
  ]) {
    $(id).replaceChildren(...Object.keys(choices).map((name) => new Option(name, name, false, name === chosen)));
  }
  $('add-button').addEventListener('click', () => {
    dialog.returnValue = '';
    dialog.showModal();
  });
  dialog.addEventListener('close', async () => {
    const text = $('button-text').value.trim();
    if (dialog.returnValue !== 'add' || !text) return;
    const style = { colour: $('button-colour').value, corner: $('button-corner').value, size: $('button-size').value };
    $('button-text').value = '';
    await edit.current();
    await addButton(text, style);
  });

  // Below the last shown button, or at the top left, and kept on the background.
  function placeFor(width, height) {
    const last = page.buttons.filter((b) => !b.hidden).at(-1);
    let left = last ? last.left : margin;
    let top = last ? last.bottom + gap : margin;
    const area = page.menu.window();
    if (area.exists && area.width > 0) {
      left = Math.max(0, Math.min(left, area.width - width));
      top = Math.max(0, Math.min(top, area.height - height));
    }
    return { left, top };
  }

  async function addButton(text, style) {
    const [width, height] = sizes[style.size];
    const { left, top } = placeFor(width, height);
    const pictures = buttonPictures(text, style, crop(page.menu.pixels(), left, top, width, height));
    const n = page.layout.next;
    const lines = [`Left=${left}`, `Top=${top}`];
    for (const [state, key] of Object.entries(pictureKeys)) {
      const source = `Button${n} ${state}`;
      const path = page.folder.nameFor(`pictures/button${n}${state === 'normal' ? '' : `-${state}`}.bmp`, source);
      put(path, bmpFile(pictures[state]), source);
      lines.push(`${key}=${windowsPath(path)}`);
    }
    // A "[" would end the section, a line end the value.
    lines.push(`Tip=${text.replaceAll('[', '(').replaceAll(']', ')').replace(/[\r\n]+/g, ' ')}`);
    const { main } = page.layout;
    const counted = setMainKeys(edit.text(), main, [['Buttons', n, main.buttons]], edit.eol());
    await edit.write(appendSection(counted, `Button${n}`, lines, edit.eol()));
  }

  $('download').addEventListener('click', async () => {
    performance.mark('zip-start');
    await edit.current();
    const errors = page.menu.findings().filter((f) => f.severity === 'error');
    if (errors.length > 0) {
      const list = errors.map((f) => (f.line > 0 ? `line ${f.line}: ${f.text}` : f.text)).join('\n');
      const count = `${errors.length} error${errors.length > 1 ? 's' : ''}`;
      if (!confirm(`check finds ${count} in this menu:\n\n${list}\n\nMake the zip all the same?`)) {
        edit.say('No zip was made: check the errors listed under the file.');
        return;
      }
    }
    const program = await menuProgram();
    if (!program) {
      const own = page.folder.has('autorun.exe')
        ? "it holds the folder's own autorun.exe"
        : 'it lacks autorun.exe: put one into the folder before you hand it over';
      edit.say(`This page was built without autorun.exe (build the mingw preset, then the wasm one), so ${own}.`, true);
    }
    const ini = { path: page.iniPath, bytes: edit.fileBytes().bytes };
    const files = [...page.folder.files().filter((f) => f.path.toLowerCase() !== ini.path.toLowerCase()), ini];
    const inf = autorunInf(page.layout.main.appName, page.codePage);
    offer(await menuZip(files, program, inf), `${page.folder.name || 'menu'}.zip`);
    performance.measure('zip', 'zip-start');
  });
}
