// The form of [Main]: the window's title, its caption, and its icon made from any image. It
// shows the values as the menu last read the file and writes only the lines whose value changes.
import { icoFile } from './icon.js';
import { setMainKeys } from './layout.js';
import { bitmap, picturePath } from './picture.js';

const $ = (id) => document.getElementById(id);
const windowsPath = (path) => path.replaceAll('/', '\\');

// edit: { queued(change), write(text), text(), eol(), say(text, bad) }.
export function mainForm(page, edit) {
  const lineOf = (main) => ({ AppName: main.appNameLine, ShowCaption: main.showCaption, Icon: main.icon });

  // Writes the keys of [Main] that change, each where the menu reads it or under the header.
  const writeKeys = async (appName, caption, icon) => {
    const { main } = page.layout;
    const result = page.menu.mainKeys(appName, caption, icon);
    if (result.refused) {
      edit.say(result.refused, true);
      return;
    }
    const changed = result.keys.filter(([key, value]) =>
      key === 'AppName' ? value !== (main.appName ?? '') : key === 'ShowCaption' ? caption !== main.caption : value !== main.iconValue);
    // A new icon under the old name changes no line, but the menu loads it again.
    if (changed.length === 0) return icon ? edit.write(edit.text()) : undefined;
    const lines = lineOf(main);
    await edit.write(setMainKeys(edit.text(), main, changed.map(([key, value]) => [key, value, lines[key]]), edit.eol()));
  };

  $('main-write').addEventListener('click', () => {
    const appName = $('main-appname').value;
    const caption = $('main-caption').checked;
    edit.queued(() => writeKeys(appName, caption, ''));
  });

  $('main-icon').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    event.target.value = '';
    if (!file) return;
    let image;
    try {
      image = await bitmap(file);
    } catch {
      edit.say(`${file.name} is no image this browser can read: the icon stays as it was.`, true);
      return;
    }
    const bytes = icoFile(image);
    image.close();
    await edit.queued(async () => {
      const path = page.folder.nameFor(picturePath(file.name, page.codePage).replace(/\.bmp$/, '.ico'), file.name);
      page.folder.put(path, bytes, file.name);
      page.menu.putFile(path, bytes);
      $('status').textContent = page.folder.describe();
      const { main } = page.layout;
      await writeKeys(main.appName ?? '', main.caption, windowsPath(path));
    });
  });

  return {
    // The values as the menu last read the file.
    show() {
      const { main } = page.layout;
      $('main-form').hidden = !page.loaded;
      $('main-appname').value = main.appName ?? '';
      $('main-caption').checked = Boolean(main.caption);
      $('main-icon-name').textContent = main.iconValue || 'none';
    },
  };
}
