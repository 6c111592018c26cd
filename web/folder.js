// A menu folder as the page gets it: from the folder picker, a dropped folder or the built-in
// demo; each file with its path inside the folder, "/" between folders.

export const largestFile = 64 * 1024 * 1024;

// Files of <input webkitdirectory>: the first part of each path is the folder's own name.
export function fromPicker(fileList) {
  const files = [...fileList].map((file) => ({
    path: file.webkitRelativePath.split('/').slice(1).join('/') || file.name,
    file,
  }));
  const name = fileList[0]?.webkitRelativePath.split('/')[0] ?? '';
  return { name, files };
}

async function entries(directory) {
  const reader = directory.createReader();
  const all = [];
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (batch.length === 0) return all;
    all.push(...batch);
  }
}

async function walk(entry, prefix, out) {
  if (entry.isFile) {
    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
    out.push({ path: prefix + entry.name, file });
  } else if (entry.isDirectory) {
    for (const child of await entries(entry)) await walk(child, `${prefix}${entry.name}/`, out);
  }
}

// A dropped folder; a dropped file alone stands for a folder holding just that file.
export async function fromDrop(dataTransfer) {
  const entry = [...dataTransfer.items].map((item) => item.webkitGetAsEntry?.()).find(Boolean);
  if (!entry) return { name: '', files: [] };
  const files = [];
  if (entry.isDirectory) {
    for (const child of await entries(entry)) await walk(child, '', files);
  } else {
    await walk(entry, '', files);
  }
  return { name: entry.name, files };
}

export async function demo() {
  const list = await (await fetch('demo/files.txt')).text();
  const paths = list.split('\n').filter(Boolean);
  const files = await Promise.all(
    paths.map(async (path) => ({ path, file: new File([await (await fetch(`demo/${path}`)).blob()], path) })),
  );
  return { name: 'demo', files };
}

// Whether bytes look like text: few control bytes other than tabs, line ends and form feeds.
// UTF-16 counts as text, so that check can say what the menu makes of it.
export function looksLikeText(bytes) {
  if ((bytes[0] === 0xff && bytes[1] === 0xfe) || (bytes[0] === 0xfe && bytes[1] === 0xff)) return true;
  const sample = bytes.subarray(0, 4096);
  let control = 0;
  for (const b of sample) if (b < 0x20 && b !== 9 && b !== 10 && b !== 13 && b !== 12) control++;
  return control * 8 <= sample.length;
}

// The folder's files, read, with what cannot be taken: { ini, files, problems, fatal }.
export async function readMenu(folder) {
  const problems = [];
  const where = folder.name ? `The folder "${folder.name}"` : 'The folder';
  const ini = folder.files.find((f) => f.path.toLowerCase() === 'autorun.ini');
  if (!ini) return { fatal: `${where} has no autorun.ini, so it is no menu folder. Nothing was opened.` };
  if (ini.file.size > largestFile)
    return { fatal: `autorun.ini is ${megabytes(ini.file.size)}, over the 64 MiB the page takes. Nothing was opened.` };
  const iniBytes = new Uint8Array(await ini.file.arrayBuffer());
  if (!looksLikeText(iniBytes))
    return { fatal: `autorun.ini in ${where.toLowerCase()} is not a text file. Nothing was opened.` };
  const files = [];
  for (const { path, file } of folder.files) {
    if (file.size > largestFile) {
      problems.push(`${path} is ${megabytes(file.size)}, over the 64 MiB the page takes: it was left out.`);
      continue;
    }
    files.push({ path, bytes: file === ini.file ? iniBytes : new Uint8Array(await file.arrayBuffer()) });
  }
  return { ini: { path: ini.path, bytes: iniBytes }, files, problems };
}

function megabytes(size) {
  return `${(size / 1024 / 1024).toFixed(1)} MiB`;
}
