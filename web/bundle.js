// The finished menu folder: autorun.ini as the page shows it, every other file of the folder, the
// menu program of this build, and an autorun.inf unless the folder has its own. One list of files
// for the zip and for a save into the opened folder; the zip stores names as UTF-8, flagged so
// where they leave ASCII.
import { encode } from './codepage.js';

const named = (name) => (file) => file.path.toLowerCase() === name.toLowerCase();

// The autorun.exe staged beside the page by the build, or null when the build had none.
export async function menuProgram() {
  const response = await fetch('autorun.exe');
  return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
}

// Tells Windows to offer the menu when the disc or stick is inserted.
export function autorunInf(appName, codePage) {
  const lines = ['[autorun]', 'open=autorun.exe', 'icon=autorun.exe'];
  if (appName) lines.push(`label=${appName}`);
  const text = lines.map((l) => `${l}\r\n`).join('');
  if (codePage !== 'utf-8') return encode(text, codePage).bytes;
  // Windows reads an autorun.inf in its ANSI code page unless it is UTF-16 with a byte-order mark.
  const bytes = new Uint8Array(2 + text.length * 2);
  bytes.set([0xff, 0xfe]);
  for (let i = 0; i < text.length; i++) bytes.set([text.charCodeAt(i) & 255, text.charCodeAt(i) >> 8], 2 + 2 * i);
  return bytes;
}

// Runs check on the file as shown; its errors, if any, are listed and need a yes to go on. Then
// the finished folder as [{ path, bytes }], or null when the author says no. refused: what the
// page says then.
export async function finishedFolder(page, edit, question, refused) {
  await edit.current();
  const errors = page.menu.findings().filter((f) => f.severity === 'error');
  if (errors.length > 0) {
    const list = errors.map((f) => (f.line > 0 ? `line ${f.line}: ${f.text}` : f.text)).join('\n');
    const count = `${errors.length} error${errors.length > 1 ? 's' : ''}`;
    if (!confirm(`check finds ${count} in this menu:\n\n${list}\n\n${question}`)) {
      edit.say(refused);
      return null;
    }
  }
  const program = await menuProgram();
  const own = page.folder.files().find(named('autorun.exe'));
  if (!program) {
    const kept = own
      ? "the folder's own autorun.exe stays"
      : 'the menu lacks autorun.exe: put one into the folder before you hand it over';
    edit.say(`This page was built without autorun.exe (build the mingw preset, then the wasm one), so ${kept}.`, true);
  }
  const files = page.folder
    .files()
    .filter((f) => !named(page.iniPath)(f) && !(program && f === own))
    .map(({ path, bytes }) => ({ path, bytes }));
  files.push({ path: page.iniPath, bytes: edit.fileBytes().bytes });
  if (program) files.push({ path: own?.path ?? 'autorun.exe', bytes: program });
  if (!files.some(named('autorun.inf'))) files.push({ path: 'autorun.inf', bytes: autorunInf(page.layout.main.appName, page.codePage) });
  return files;
}

// The zip writer, in the minified build its package publishes for browsers, which defines
// self.fflate; loaded the first time, so that it does not delay the page's start.
let zipWriter = null;
function loadZipWriter() {
  zipWriter ??= new Promise((resolve, reject) => {
    const script = Object.assign(document.createElement('script'), { src: 'fflate.js' });
    script.onload = () => resolve(self.fflate);
    script.onerror = () => reject(new Error('fflate.js cannot be loaded'));
    document.head.append(script);
  });
  return zipWriter;
}

// files: [{ path, bytes }] of the finished folder.
export async function menuZip(files) {
  const { zipSync } = await loadZipWriter();
  return zipSync(Object.fromEntries(files.map((f) => [f.path, f.bytes])), { level: 6 });
}

// Hands bytes to the browser as a download named name.
export function offer(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}
