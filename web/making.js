// Making a menu on the page: an empty one, files added to its folder, a background picture from
// any image, buttons drawn from a text or made from a picture, and the finished folder as a zip.
// The text box stays the file: every change is written into it as ordinary lines.
import { buttonPictures, colours, corners, sizes } from './button_art.js';
import { finishedFolder, menuZip, offer } from './bundle.js';
import { largestFile } from './folder.js';
import { appendSection, setMainKeys } from './layout.js';
import { buttonPictureChoices, pictureKeys } from './button_pictures.js';
import { keepPicture, keepPictureStates } from './compose.js';
import { bmpFile, decodeImage, picturePath, pngFile } from './picture.js';

const $ = (id) => document.getElementById(id);
const margin = 16; // from the background's corner to the first button
const gap = 8; // between a button and the one below it
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
    const picture = $('button-picture').files[0];
    $('button-picture').value = '';
    if (dialog.returnValue !== 'add' || (!text && !picture)) return;
    const style = { colour: $('button-colour').value, corner: $('button-corner').value, size: $('button-size').value };
    $('button-text').value = '';
    await edit.current();
    if (picture) await addPictureButton(picture, text);
    else await addButton(text, style);
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
    // See-through around the shape, laid over the background as any such picture.
    const pictures = buttonPictures(text, style);
    const n = page.layout.next;
    const paths = {};
    for (const state of Object.keys(pictureKeys)) {
      const name = `button${n}${state === 'normal' ? '' : `-${state}`}.png`;
      paths[state] = await keepPicture(page, name, await pngFile(pictures[state]), `Button${n} ${state}`, left, top);
    }
    $('status').textContent = page.folder.describe();
    await writeButton(n, left, top, paths, text);
  }

  // A button from one picture, its other states made from it as for a text; its Tip the text or
  // the picture's name.
  async function addPictureButton(file, text) {
    const n = page.layout.next;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const made = await keepPictureStates(page, file.name, bytes, `Button${n}`, placeFor);
    if (!made) {
      edit.say(`${file.name} is no image this browser can read: no button was added.`, true);
      return;
    }
    $('status').textContent = page.folder.describe();
    await writeButton(n, made.left, made.top, made.paths, text || file.name.replace(/\.[^.]*$/, ''));
  }

  async function writeButton(n, left, top, paths, text) {
    const lines = [`Left=${left}`, `Top=${top}`];
    for (const [state, key] of Object.entries(pictureKeys)) lines.push(`${key}=${windowsPath(paths[state])}`);
    // A "[" would end the section, a line end the value.
    lines.push(`Tip=${text.replaceAll('[', '(').replaceAll(']', ')').replace(/[\r\n]+/g, ' ')}`);
    const { main } = page.layout;
    const counted = setMainKeys(edit.text(), main, [['Buttons', n, main.buttons]], edit.eol());
    await edit.write(appendSection(counted, `Button${n}`, lines, edit.eol()));
  }

  buttonPictureChoices(page, edit, pictureKeys);

  $('download').addEventListener('click', async () => {
    performance.mark('zip-start');
    const files = await finishedFolder(page, edit, 'Make the zip all the same?', 'No zip was made: check the errors listed under the file.');
    if (files) offer(await menuZip(files), `${page.folder.name || 'menu'}.zip`);
    performance.measure('zip', 'zip-start');
  });
}
