// The finished menu folder as one zip: autorun.ini as the page shows it, every other file of the
// folder, the menu program of this build, and an autorun.inf unless the folder has its own.
// Names are stored as UTF-8, flagged so where they leave ASCII.
import { encode } from './codepage.js';

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

// files: [{ path, bytes }] of the folder, autorun.ini among them as it is to be written.
export async function menuZip(files, program, inf) {
  const { zipSync } = await loadZipWriter();
  const entries = {};
  const has = (name) => files.some((f) => f.path.toLowerCase() === name);
  for (const { path, bytes } of files) if (!(program && path.toLowerCase() === 'autorun.exe')) entries[path] = bytes;
  if (program) entries['autorun.exe'] = program;
  if (!has('autorun.inf')) entries['autorun.inf'] = inf;
  return zipSync(entries, { level: 6 });
}

// Hands bytes to the browser as a download named name.
export function offer(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}
