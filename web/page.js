// The designer page: opens a menu folder, runs the menu's own code on it, and keeps the preview,
// the plain account of each click, the findings of check, the registry and the file in step.
import { offer } from './bundle.js';
import { decode, encode } from './codepage.js';
import { EventLog } from './event_log.js';
import { demo, fromDrop, fromPicker, readMenu } from './folder.js';
import { buttonList } from './button_list.js';
import { recompose } from './compose.js';
import { inText, placeButton } from './layout.js';
import { applyShown, joinLines, shownText, splitLines, usualEnd } from './lines.js';
import { mainForm } from './main_form.js';
import { makingMenus } from './making.js';
import { Menu } from './menu.js';
import { MenuFolder } from './menu_folder.js';
import { savingToFolder } from './save_folder.js';
import { registryForm } from './registry_form.js';
import { Preview } from './preview.js';

const $ = (id) => document.getElementById(id);
const canvas = $('preview');
const textBox = $('text');
const preview = new Preview(canvas);
const editDelay = 150;

const page = {
  menu: null,
  iniPath: 'autorun.ini',
  loaded: null, // the bytes as opened
  folder: new MenuFolder(), // every file of the menu folder; autorun.ini is the text box's
  opened: null, // their text, until it or the encoding changes
  lines: [],
  codePage: '1252', // the file's encoding: a code page, or 'utf-8'
  machineCodePage: '1252', // the ANSI code page of the simulated machine
  layout: { main: { headerEnd: -1 }, registry: { headerEnd: -1, aliases: [] }, next: 1, buttons: [] }, // where the lines are that the page writes
  placesFresh: false, // false from a change of the file until the menu runs on it
  applying: null, // the run of the menu on an edit, while it lasts
  rerunning: false, // from the stop of the menu for a change until it runs again
  moved: null, // a button moved in layout mode and not yet written: { index, left, top }
  written: new Map(), // index to { left, top }: moves written that the menu has not yet run on
  history: [], // the file before each of the page's own edits, for Undo
  buttons: [],
  drag: null,
  selected: -1,
  editTimer: 0,
  pointer: { x: 0, y: 0 }, // where the last move the menu handled left the pointer
};

function say(text, bad = false) {
  const p = document.createElement('p');
  p.textContent = text;
  if (bad) p.className = 'bad';
  $('messages').append(p);
}

// What Windows would do is told for one click (or start, or rebuild) at a time.
const log = new EventLog($('trace'), $('words'));
const newEvent = () => log.newEvent();

function setHidden(element, hidden) {
  if (element.hidden !== hidden) element.hidden = hidden;
}

function setState(state) {
  if (document.body.dataset.state !== state) document.body.dataset.state = state;
}

// Joined again only when the lines change (page.lines is replaced, never changed in place): a
// file of megabytes takes a while to join.
let joined = { lines: null, text: '' };
function fileText() {
  if (joined.lines !== page.lines) joined = { lines: page.lines, text: joinLines(page.lines) };
  return joined.text;
}

// An unedited file is given back as it came, mark and all.
function fileBytes() {
  const text = fileText();
  if (text === page.opened) return { bytes: page.loaded, missing: 0 };
  return encode(text, page.codePage);
}

// The preview, the plain words and the trace after the menu has handled something.
function render() {
  // While the menu starts again, the page keeps the last frame and the buttons as they were,
  // so that a drag or a key that lands meanwhile works on them.
  if (page.rerunning) return;
  const { menu } = page;
  const info = menu.window();
  const width = canvas.width;
  preview.draw(info.exists ? menu.frame() : null);
  // A caption as wide as the canvas may wrap anew.
  if (canvas.width !== width) canvasTop = null;
  showCaption(info.exists && info.caption ? info.title ?? '' : null);
  // The menu draws the file as it last ran on it; the moves written since and the one waiting
  // for the places of its lines show where the button is now.
  page.buttons = menu.running ? menu.buttons() : [];
  for (const [index, moved] of page.written) place(page.buttons[index], moved);
  if (page.moved) place(page.buttons[page.moved.index], page.moved);
  log.add(menu.trace());
  showTooltip(layoutMode() ? '' : menu.tooltip());
  setHidden($('wait'), menu.state !== 'waiting');
  setHidden($('closed'), menu.running || !page.loaded);
  drawSelection();
  setState(menu.state);
  document.body.dataset.frames = Number(document.body.dataset.frames ?? 0) + 1;
}

function drawSelection() {
  const button = page.buttons[page.selected];
  if (!document.body.classList.contains('layout') || !button) return;
  const context = canvas.getContext('2d');
  const dx = page.drag ? page.drag.dx : 0;
  const dy = page.drag ? page.drag.dy : 0;
  context.strokeStyle = '#ff00ff';
  context.setLineDash([4, 3]);
  context.strokeRect(button.left + dx + 0.5, button.top + dy + 0.5, button.right - button.left - 1, button.bottom - button.top - 1);
  preview.overdrawn();
}

function renderFindings() {
  const findings = page.menu.findings();
  const gutter = $('gutter');
  const count = page.lines.length;
  numberLines(gutter, count);
  for (const div of gutter.querySelectorAll('.error, .warning')) {
    div.className = '';
    div.removeAttribute('title');
  }
  const list = findings.map((finding) => {
    const li = document.createElement('li');
    li.className = finding.severity;
    li.dataset.line = finding.line;
    li.textContent = finding.line > 0 ? `line ${finding.line}: ${finding.text}` : finding.text;
    li.onclick = () => showLine(finding.line);
    const mark = gutter.children[finding.line - 1];
    if (mark && mark.className !== 'error') {
      mark.className = finding.severity;
      mark.title = finding.text;
    }
    return li;
  });
  if (list.length === 0) list.push(Object.assign(document.createElement('li'), { textContent: 'check finds nothing to report.' }));
  $('findings').replaceChildren(...list);
  for (const f of findings.filter((f) => f.text.includes('cannot be shown')))
    say(`A picture the menu cannot show, line ${f.line}: ${f.text}`, true);
}

// The gutter gets or loses the numbers from the first it lacks or has too many: an edit adds or
// takes a few, and a large file's tens of thousands are written as one piece of markup.
function numberLines(gutter, count) {
  const had = gutter.children.length;
  if (had > count) {
    const range = document.createRange();
    range.setStartBefore(gutter.children[count]);
    range.setEndAfter(gutter.lastChild);
    range.deleteContents();
  } else if (had < count) {
    const numbers = Array.from({ length: count - had }, (_, i) => `<div>${had + i + 1}</div>`);
    gutter.insertAdjacentHTML('beforeend', numbers.join(''));
  }
}

function showLine(line) {
  const start = page.lines.slice(0, line - 1).reduce((sum, l) => sum + l.text.length + 1, 0);
  textBox.focus();
  textBox.setSelectionRange(start, start + (page.lines[line - 1]?.text.length ?? 0));
  // Chromium does not scroll a text box to a selection made by a script: the line is put near the top.
  textBox.scrollTop = Math.max(0, line - 4) * parseFloat(getComputedStyle(textBox).lineHeight);
}

function renderRegistry() {
  const rows = page.menu.aliases().map((alias) => {
    const tr = document.createElement('tr');
    const input = document.createElement('input');
    input.value = alias.value;
    input.disabled = !alias.defined;
    input.dataset.alias = alias.name;
    input.onchange = async () => {
      await page.menu.setRegistry(alias.key, alias.valueName, input.value);
      render();
    };
    const cells = [alias.name, alias.key, alias.defined ? alias.valueName || '(default)' : ''];
    tr.append(...cells.map((text) => Object.assign(document.createElement('td'), { textContent: text })));
    tr.append(document.createElement('td'));
    tr.lastChild.append(input);
    return tr;
  });
  $('registry').tBodies[0].replaceChildren(...rows);
}

// Starts the menu afresh on the files as they stand.
async function restart() {
  page.rerunning = true;
  setState('busy');
  newEvent();
  await page.menu.start();
  page.layout = inText(page.menu.layout(), fileText(), page.codePage);
  // The menu reads its pictures as it starts.
  if (await recompose(page)) await page.menu.start();
  page.rerunning = false;
  page.placesFresh = true;
  if (page.moved) writeMove();
  buttons.show();
  for (const form of forms) form.show();
  render();
  renderFindings();
  renderRegistry();
}

async function open(folder) {
  performance.mark('open-start');
  setState('busy');
  await loaded;
  $('messages').replaceChildren();
  const menu = await readMenu(folder);
  if (menu.fatal) {
    say(menu.fatal, true);
    setState(page.menu.state);
    return;
  }
  for (const problem of menu.problems) say(problem, true);
  await page.menu.stop();
  page.menu.clearFolder();
  for (const { path, bytes } of menu.files) page.menu.putFile(path, bytes);
  page.iniPath = menu.ini.path;
  page.folder = new MenuFolder(folder.name, menu.files);
  openedForSaving(folder);
  page.loaded = menu.ini.bytes;
  page.codePage = page.menu.isUtf8(menu.ini.bytes) ? 'utf-8' : page.machineCodePage;
  $('codepage').value = page.codePage;
  page.opened = decode(menu.ini.bytes, page.codePage);
  page.lines = splitLines(page.opened);
  page.selected = -1;
  page.moved = null;
  page.written.clear();
  page.history = [];
  textBox.value = shownText(page.lines);
  log.clearTrace();
  $('save').disabled = false;
  $('making').disabled = false;
  $('status').textContent = page.folder.describe();
  await restart();
  performance.mark('first-frame');
  performance.measure('open', 'open-start');
}

// The file changed: the menu and check run again on the new bytes.
async function applyEdit() {
  performance.mark('edit-start');
  const { bytes, missing } = fileBytes();
  if (missing > 0) say(`${missing} characters are not in code page ${page.codePage}: they are written as "?".`, true);
  const ran = [...page.written];
  page.rerunning = true;
  await page.menu.stop();
  page.menu.putFile(page.iniPath, bytes);
  await restart();
  for (const [index, moved] of ran) if (page.written.get(index) === moved) page.written.delete(index);
  performance.measure('edit', 'edit-start');
}

function scheduleEdit() {
  page.placesFresh = false;
  clearTimeout(page.editTimer);
  page.editTimer = setTimeout(() => (page.applying = applyEdit()), editDelay);
}

// Resolves once the menu and check run on the file as the text box shows it.
async function current() {
  clearTimeout(page.editTimer);
  await page.applying;
  if (!page.placesFresh) await applyEdit();
}

// The page's own edits run one after another, each once the menu has run on the file as it
// stands, so that the places of the lines it changes are known.
let edits = Promise.resolve();
function queued(change) {
  const run = edits.then(async () => {
    await current();
    await change();
  });
  edits = run.catch(() => {});
  return run;
}

// The text box gets text; the places of lines are unknown until the menu runs on it.
function showText(text) {
  page.placesFresh = false;
  page.lines = splitLines(text);
  const scroll = textBox.scrollTop;
  textBox.value = shownText(page.lines);
  textBox.scrollTop = scroll;
}

textBox.addEventListener('input', () => {
  page.lines = applyShown(page.lines, textBox.value);
  scheduleEdit();
});
textBox.addEventListener('scroll', () => ($('gutter').scrollTop = textBox.scrollTop));

function place(button, { left, top }) {
  if (!button) return;
  Object.assign(button, { left, top, right: button.right + left - button.left, bottom: button.bottom + top - button.top });
}

// A button moved in layout mode: its outline follows at once, the file as soon as the places of
// its lines are known for the file as it stands (after the run an earlier change starts).
function moveButton(index, left, top) {
  page.moved = { index, left, top };
  place(page.buttons[index], page.moved);
  if (page.placesFresh) writeMove();
}

function writeMove() {
  const moved = page.moved;
  page.moved = null;
  const text = placeButton(fileText(), page.layout.buttons[moved.index], moved.left, moved.top, usualEnd(page.lines));
  if (text === null) return;
  page.history.push(fileText());
  page.written.set(moved.index, moved);
  showText(text);
  scheduleEdit();
}

// The file becomes text, and the menu and check run on it, as one edit of the page.
async function write(text) {
  if (text !== fileText()) page.history.push(fileText());
  page.written.clear();
  showText(text);
  await applyEdit();
}

// Takes back the page's last edit of the file.
function undo() {
  return queued(async () => {
    const text = page.history.pop();
    if (text === undefined) return;
    page.moved = null;
    page.written.clear();
    showText(text);
    await applyEdit();
  });
}

function select(index) {
  page.selected = index;
  buttons.show();
  render();
}

// A frame writes only what changed and moves the tip by a transform, so that neither it nor the
// next pointer move waits for a layout of the page (of a large file in the text box, say).
let canvasTop = null; // the canvas's offset in the window, known until the caption or width changes
function showCaption(title) {
  const caption = $('caption');
  if (caption.hidden !== (title === null)) {
    caption.hidden = title === null;
    canvasTop = null;
  }
  if (title !== null && caption.textContent !== title) {
    caption.textContent = title;
    canvasTop = null;
  }
}

// The tip the menu's tooltip control shows, a little below the pointer as Windows places it.
function showTooltip(text) {
  const tip = $('tooltip');
  if (tip.hidden !== (text === '')) tip.hidden = text === '';
  if (text === '') return;
  if (tip.textContent !== text) tip.textContent = text;
  canvasTop ??= canvas.offsetTop;
  tip.style.transform = `translate(${page.pointer.x}px, ${canvasTop + page.pointer.y + 20}px)`;
}

function pointerAt(event) {
  const r = canvas.getBoundingClientRect();
  return { x: Math.floor(event.clientX - r.left), y: Math.floor(event.clientY - r.top) };
}

// The button the menu would take at this point: the first that is shown, as for a click.
function buttonAt({ x, y }) {
  return page.buttons.findIndex((b) => !b.hidden && x >= b.left && x <= b.right && y >= b.top && y <= b.bottom);
}

let pendingMove = null;
let moving = false;
async function sendMove(point) {
  pendingMove = point;
  if (moving) return;
  moving = true;
  while (pendingMove) {
    const { x, y } = pendingMove;
    pendingMove = null;
    await page.menu.move(x, y);
    page.pointer = { x, y };
    render();
  }
  moving = false;
}

const layoutMode = () => document.body.classList.contains('layout');

canvas.addEventListener('mousemove', (event) => {
  const point = pointerAt(event);
  if (layoutMode()) {
    if (!page.drag) return;
    page.drag.dx = point.x - page.drag.x;
    page.drag.dy = point.y - page.drag.y;
    render();
  } else if (page.menu.running) {
    sendMove(point);
  }
});

canvas.addEventListener('mousedown', async (event) => {
  const point = pointerAt(event);
  if (layoutMode()) {
    page.drag = buttonAt(point) >= 0 ? { ...point, dx: 0, dy: 0 } : null;
    select(buttonAt(point));
    return;
  }
  if (!page.menu.running) return;
  newEvent();
  // The browser counts clicks in a row as Windows does: every second one is a double click.
  await page.menu.press(point.x, point.y, event.detail % 2 === 0);
  render();
});

window.addEventListener('mouseup', async (event) => {
  if (!layoutMode() && page.menu.running && event.target === canvas) {
    const point = pointerAt(event);
    await page.menu.release(point.x, point.y);
    render();
  }
  const drag = page.drag;
  page.drag = null;
  if (!drag || (drag.dx === 0 && drag.dy === 0)) return;
  const button = page.buttons[page.selected];
  moveButton(page.selected, button.left + drag.dx, button.top + drag.dy);
});

const nudges = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
// The keys the menu knows, by Windows' codes of them.
const virtualKeys = { Tab: 0x09, Enter: 0x0d, ' ': 0x20, ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, F4: 0x73 };

// Keys on the canvas nudge the selected button in layout mode and go to the menu otherwise.
async function onKey(event) {
  const down = event.type === 'keydown';
  if (layoutMode()) {
    if (down && event.key === 'Delete' && page.selected >= 0) {
      event.preventDefault();
      buttons.remove();
      return;
    }
    const step = nudges[event.key];
    const button = page.buttons[page.selected];
    if (!down || !step || !button) return;
    event.preventDefault();
    moveButton(page.selected, button.left + step[0], button.top + step[1]);
    return;
  }
  const virtualKey = virtualKeys[event.key];
  if (!virtualKey || !page.menu.running) return;
  event.preventDefault();
  if (down && !event.repeat) newEvent();
  await page.menu.key(virtualKey, down, { repeat: event.repeat, shift: event.shiftKey, alt: event.altKey });
  render();
}
canvas.addEventListener('keydown', onKey);
canvas.addEventListener('keyup', onKey);

$('layout-mode').addEventListener('change', (event) => {
  document.body.classList.toggle('layout', event.target.checked);
  render();
});

$('folder').addEventListener('change', (event) => {
  if (event.target.files.length > 0) open(fromPicker(event.target.files));
  event.target.value = '';
});
$('demo').addEventListener('click', async () => open(await demo()));
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
document.addEventListener('drop', async (event) => {
  event.preventDefault();
  document.body.classList.remove('dropping');
  open(await fromDrop(event.dataTransfer));
});

// Between two code pages the file's bytes stay and read anew; to or from UTF-8 its text stays
// and is written anew. The menu runs again either way, on a machine of the code page chosen.
$('codepage').addEventListener('change', async (event) => {
  const { bytes } = fileBytes();
  const converts = page.codePage === 'utf-8' || event.target.value === 'utf-8';
  page.codePage = event.target.value;
  page.opened = null;
  if (page.codePage !== 'utf-8' && page.menu.setCodePage(page.codePage)) page.machineCodePage = page.codePage;
  if (!converts) {
    page.lines = splitLines(decode(bytes, page.codePage));
    textBox.value = shownText(page.lines);
  } else if (page.loaded) {
    say(page.codePage === 'utf-8'
      ? 'autorun.ini is converted to UTF-8: Save writes it with a byte-order mark, and it reads the same on every machine.'
      : `autorun.ini is converted to code page ${page.codePage}: Save writes it without a byte-order mark.`);
  }
  if (page.loaded) await applyEdit();
});

$('save').addEventListener('click', () => offer(fileBytes().bytes, 'autorun.ini'));

$('alt-f4').addEventListener('click', async () => {
  if (!page.menu.running) return;
  newEvent();
  for (const down of [true, false]) await page.menu.key(virtualKeys.F4, down, { alt: true });
  render();
});
$('end-program').addEventListener('click', async () => {
  await page.menu.endProgram();
  render();
});
$('rebuild').addEventListener('click', async () => {
  newEvent();
  await page.menu.message(1025);
  render();
});
$('restart').addEventListener('click', restart);
$('regfile').addEventListener('change', async (event) => {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file) return;
  await page.menu.stop();
  const error = page.menu.loadRegistry(new Uint8Array(await file.arrayBuffer()));
  if (error) say(`${file.name} cannot be read: ${error}`, true);
  if (page.loaded) await restart();
});

$('undo').addEventListener('click', undo);
// Ctrl+Z in the text box is the text box's own.
document.addEventListener('keydown', (event) => {
  if (!event.ctrlKey || event.key.toLowerCase() !== 'z' || event.target.closest('input, textarea, select')) return;
  event.preventDefault();
  undo();
});

const formEdit = { queued, write, text: fileText, eol: () => usualEnd(page.lines), say };
const buttons = buttonList(page, { ...formEdit, select });
const forms = [mainForm(page, formEdit), registryForm(page, formEdit)];

makingMenus(page, {
  open,
  say,
  current,
  fileBytes,
  write,
  newCodePage: (codePage) => {
    $('codepage').value = codePage;
    $('codepage').dispatchEvent(new Event('change'));
  },
  eol: () => usualEnd(page.lines),
  text: fileText,
});

const openedForSaving = savingToFolder(page, { open, current, fileBytes, say });

// A folder chosen while the module still loads opens once it has loaded.
const loaded = Menu.load().then((menu) => {
  page.menu = menu;
  menu.onWaitSlice = render;
});
await loaded;
setState('stopped');
if (new URLSearchParams(location.search).has('demo')) open(await demo());
