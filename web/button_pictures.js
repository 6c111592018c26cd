// A file choice per picture of the selected button (normal, hover, pressed, disabled): any image
// the browser decodes becomes its BMP, laid over the background at the button's place, and the
// button's key for that state names it.
import { keepPicture, ownPictures } from './compose.js';
import { setKeys } from './layout.js';

const $ = (id) => document.getElementById(id);

// The keys of a button's four pictures, in the order the menu reads them.
export const pictureKeys = { normal: 'NABitmap', hover: 'ABitmap', pressed: 'PBitmap', disabled: 'DBitmap' };

// Gives the copy of a button (index) pictures of its own where its original's have a source, so
// that each shows the background under its own place; edit as for buttonPictureChoices.
export async function copyPictures(page, edit, index) {
  const made = await ownPictures(page, index);
  const place = page.layout.buttons[index];
  if (made.length === 0 || !place) return;
  const keys = Object.values(pictureKeys);
  const lines = made.map(([slot, path]) => [keys[slot], path.replaceAll('/', '\\'), place.pictures[slot].at]);
  const text = setKeys(edit.text(), place.headerEnd, lines, edit.eol());
  if (text !== null) await edit.write(text);
}

// edit: { current(), write(text), text(), eol(), say(text, bad) }; keys: state to key.
export function buttonPictureChoices(page, edit, keys) {
  for (const [slot, [state, key]] of Object.entries(keys).entries()) {
    $(`picture-${state}`).addEventListener('change', async (event) => {
      const file = event.target.files[0];
      event.target.value = '';
      if (!file) return;
      await edit.current();
      const index = page.selected;
      const place = page.layout.buttons[index];
      const button = page.buttons[index];
      if (!place || !button) return;
      const bytes = new Uint8Array(await file.arrayBuffer());
      let path;
      try {
        path = await keepPicture(page, file.name, bytes, `Button${index + 1} ${state}`, button.left, button.top);
      } catch {
        edit.say(`${file.name} is no image this browser can read: the ${state} picture stays as it was.`, true);
        return;
      }
      $('status').textContent = page.folder.describe();
      const text = setKeys(edit.text(), place.headerEnd, [[key, path.replaceAll('/', '\\'), place.pictures[slot].at]], edit.eol());
      if (text !== null) await edit.write(text);
    });
  }
}
