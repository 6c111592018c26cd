// Save to folder: where the browser lets a page write into a folder it was given (a folder opened
// through the directory picker), the finished folder's changed files are written back there.
// A folder opened any other way has no such handle; the zip remains for it.
import { finishedFolder } from './bundle.js';

const $ = (id) => document.getElementById(id);
const same = (a, b) => a === b || (a.length === b.length && a.every((byte, i) => byte === b[i]));

// The files below directory, each with its path, as the folder choice gives them.
async function walk(directory, prefix, out) {
  for await (const [name, entry] of directory.entries()) {
    if (entry.kind === 'file') out.push({ path: prefix + name, file: await entry.getFile() });
    else await walk(entry, `${prefix}${name}/`, out);
  }
  return out;
}

// The child name of directory, made when it is not there; what was made goes into made.
async function child(directory, name, kind, made) {
  const get = kind === 'file' ? 'getFileHandle' : 'getDirectoryHandle';
  try {
    return await directory[get](name);
  } catch (error) {
    if (error.name !== 'NotFoundError') throw error;
  }
  const handle = await directory[get](name, { create: true });
  made.push({ directory, name });
  return handle;
}

// Each file goes to a writer of its own, which keeps the old file until it is closed. Only when
// every file has its writer and its bytes are they closed, one after another: a failure before
// takes back the files and folders this save made, and changes nothing on the disk. Returns the
// files written; a failure throws with error.saved, those written before it.
async function writeAll(root, files) {
  const made = [];
  const writers = [];
  try {
    for (const { path, bytes } of files) {
      const parts = path.split('/');
      let directory = root;
      for (const part of parts.slice(0, -1)) directory = await child(directory, part, 'directory', made);
      const writer = await (await child(directory, parts.at(-1), 'file', made)).createWritable();
      writers.push(writer);
      await writer.write(bytes);
    }
  } catch (error) {
    await Promise.all(writers.map((w) => w.abort().catch(() => {})));
    for (const { directory, name } of made.reverse()) await directory.removeEntry(name, { recursive: true }).catch(() => {});
    throw Object.assign(error, { saved: [] });
  }
  const saved = [];
  for (const [i, writer] of writers.entries()) {
    try {
      await writer.close();
    } catch (error) {
      await Promise.all(writers.slice(i + 1).map((w) => w.abort().catch(() => {})));
      throw Object.assign(error, { saved });
    }
    saved.push(files[i]);
  }
  return saved;
}

// edit: { open(folder), current(), fileBytes(), say(text, bad) }. Returns opened(folder), which
// the page calls for every folder it opens.
export function savingToFolder(page, edit) {
  const button = $('save-folder');
  let root = null;
  let onDisk = new Map(); // lower-case path -> the bytes the folder holds, as far as the page knows

  if ('showDirectoryPicker' in window) {
    $('folder').closest('label').addEventListener('click', async (event) => {
      event.preventDefault();
      let handle;
      try {
        handle = await window.showDirectoryPicker({ id: 'menu', mode: 'readwrite' });
      } catch (error) {
        if (error.name !== 'AbortError') edit.say(`The folder cannot be opened: ${error.message}`, true);
        return;
      }
      await edit.open({ name: handle.name, files: await walk(handle, '', []), handle });
    });
  }

  button.addEventListener('click', async () => {
    const options = { mode: 'readwrite' };
    const where = `the folder "${root.name}"`;
    const saying = (saved) => saved.map((f) => f.path).join(', ');
    if ((await root.queryPermission(options)) !== 'granted' && (await root.requestPermission(options)) !== 'granted') {
      edit.say(`The browser may not write into ${where}: nothing was saved.`, true);
      return;
    }
    const files = await finishedFolder(page, edit, 'Save all the same?', 'Nothing was saved: check the errors listed under the file.');
    if (!files) return;
    const changed = files.filter((f) => !onDisk.has(f.path.toLowerCase()) || !same(onDisk.get(f.path.toLowerCase()), f.bytes));
    if (changed.length === 0) {
      edit.say(`Nothing was written: ${where} already holds this menu.`);
      return;
    }
    let saved;
    try {
      saved = await writeAll(root, changed);
    } catch (error) {
      saved = error.saved;
      edit.say(`${saved.length > 0 ? `Only ${saying(saved)} were saved` : 'Nothing was saved'} into ${where}: ${error.message}`, true);
    }
    for (const { path, bytes } of saved) onDisk.set(path.toLowerCase(), bytes);
    if (saved.length === changed.length) edit.say(`Saved into ${where}: ${saying(saved)}.`);
  });

  return (folder) => {
    root = folder.handle ?? null;
    onDisk = new Map(page.folder.files().map((f) => [f.path.toLowerCase(), f.bytes]));
    button.hidden = !root;
  };
}
