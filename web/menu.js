// The menu running on the simulated machine in WebAssembly: files and registry in, events in,
// pixels, buttons, trace and findings out. One run at a time; every call that changes what the
// menu shows resolves once the menu has handled it and waits again.
import createDesigner from './designer.js';

const decoder = new TextDecoder();

export class Menu {
  static async load() {
    const menu = new Menu();
    menu.module = await createDesigner({
      designerAwaitInput: () => menu.#settle('idle'),
      designerAwaitWaitSlice: () => menu.#waitSlice(),
    });
    return menu;
  }

  state = 'stopped'; // idle, waiting (for a program), stopped
  onWaitSlice = null; // called while the menu waits for a program, after each repaint
  #wake = null;
  #settled = [];
  #run = null;

  // The menu's queue is empty (or it waits for a program): whoever awaits a result gets it,
  // and the menu sleeps until the page gives it more.
  #settle(state) {
    this.state = state;
    for (const resolve of this.#settled.splice(0)) resolve();
    if (state === 'waiting') return null;
    return new Promise((resolve) => (this.#wake = resolve));
  }

  // One slice of a wait for a started program: the menu repaints, then checks again.
  #waitSlice() {
    this.#settle('waiting');
    this.onWaitSlice?.();
    return new Promise((resolve) => {
      this.#wake = resolve;
      setTimeout(resolve, 200);
    });
  }

  #nudge() {
    const wake = this.#wake;
    this.#wake = null;
    if (wake) wake();
  }

  // Resolves when the menu is idle again (or waits for a program, or has ended).
  #afterwards() {
    if (!this.running) return Promise.resolve();
    return new Promise((resolve) => {
      this.#settled.push(resolve);
      this.#nudge();
    });
  }

  #call(name, ...args) {
    return this.module[`_designer_${name}`](...args);
  }

  #text(name) {
    return this.#read(this.#call(name));
  }

  #read(pointer) {
    const heap = this.module.HEAPU8;
    return decoder.decode(heap.subarray(pointer, heap.indexOf(0, pointer)));
  }

  #json(name) {
    return JSON.parse(this.#text(name));
  }

  #withBytes(bytes, use) {
    const pointer = this.module._malloc(Math.max(bytes.length, 1));
    this.module.HEAPU8.set(bytes, pointer);
    try {
      return use(pointer);
    } finally {
      this.module._free(pointer);
    }
  }

  // Texts go in and come out in UTF-8, as the simulated machine's wide calls take them.
  #withText(text, use) {
    return this.#withBytes(new TextEncoder().encode(`${text}\0`), use);
  }

  clearFolder() {
    this.#call('clear_folder');
  }

  // name: relative, "/" between folders.
  putFile(name, bytes) {
    return this.#withText(name, (n) => this.#withBytes(bytes, (b) => this.#call('put_file', n, b, bytes.length)) === 0);
  }

  setRegistry(key, name, value) {
    this.#withText(key, (k) => this.#withText(name, (n) => this.#withText(value, (v) => this.#call('set_registry', k, n, v))));
    return this.running ? this.#afterwards() : Promise.resolve();
  }

  // Returns '' or the reason the file cannot be read.
  loadRegistry(bytes) {
    return this.#withBytes(bytes, (b) => {
      const pointer = this.#call('load_registry', b, bytes.length);
      return this.module.UTF8ToString(pointer);
    });
  }

  // The machine's ANSI code page, from the next start on; false when it cannot be had.
  setCodePage(codePage) {
    return this.#call('set_code_page', Number(codePage)) === 0;
  }

  // Whether the menu reads bytes of autorun.ini as UTF-8.
  isUtf8(bytes) {
    return this.#withBytes(bytes, (b) => this.#call('is_utf8', b, bytes.length)) === 1;
  }

  setScreen(width, height, caption, frameX, frameY) {
    this.#call('set_screen', width, height, caption, frameX, frameY);
  }

  get running() {
    return this.#run !== null;
  }

  // Starts the menu; resolves once its window is shown and it waits for input.
  async start() {
    await this.stop();
    const first = new Promise((resolve) => this.#settled.push(resolve));
    this.#run = this.module.ccall('designer_run', null, [], [], { async: true }).then(() => {
      this.#run = null;
      this.state = 'stopped';
      for (const resolve of this.#settled.splice(0)) resolve();
    });
    await first;
  }

  async stop() {
    if (!this.#run) return;
    const run = this.#run;
    this.#call('stop');
    this.#nudge();
    await run;
  }

  move(x, y) {
    this.#call('move', x, y);
    return this.#afterwards();
  }

  // again: the second press of a double click.
  press(x, y, again = false) {
    this.#call(again ? 'press_again' : 'press', x, y);
    return this.#afterwards();
  }

  // A key goes down (again, while held, when repeat) or comes up; virtualKey: Windows' code.
  key(virtualKey, down, { repeat = false, shift = false, alt = false } = {}) {
    this.#call('key', virtualKey, down, repeat, shift, alt);
    return this.#afterwards();
  }

  release(x, y) {
    this.#call('release', x, y);
    return this.#afterwards();
  }

  message(number) {
    this.#call('message', number);
    return this.#afterwards();
  }

  endProgram() {
    this.#call('end_program');
    return this.#afterwards();
  }

  window() {
    return this.#json('window');
  }

  // The client area as ImageData, or null when the menu has no client area.
  pixels() {
    const { width, height, exists } = this.window();
    if (!exists || width === 0 || height === 0) return null;
    const pointer = this.#call('pixels');
    const bytes = new Uint8ClampedArray(this.module.HEAPU8.buffer, pointer, width * height * 4);
    return new ImageData(new Uint8ClampedArray(bytes), width, height);
  }

  // The client area as ImageData over the module's memory (good until the next call into the
  // module) and the rectangle changed since the last call, { image, left, top, right, bottom }, or
  // null when the menu has no client area.
  frame() {
    const header = this.#call('frame'); // first: it may grow the memory, which takes a new buffer
    const [width, height, left, top, right, bottom, pointer] = new Int32Array(this.module.HEAPU8.buffer, header, 7);
    if (width === 0 || height === 0) return null;
    const bytes = new Uint8ClampedArray(this.module.HEAPU8.buffer, pointer, width * height * 4);
    return { image: new ImageData(bytes, width, height), left, top, right, bottom };
  }

  // [{ left, top, right, bottom, state, hidden, enabled }] of each button.
  buttons() {
    const rows = this.#call('buttons'); // first: it may grow the memory, which takes a new buffer
    const heap = new Int32Array(this.module.HEAPU8.buffer);
    const at = rows / 4;
    return Array.from({ length: heap[at] }, (_, i) => {
      const [left, top, right, bottom, state, flags] = heap.subarray(at + 1 + i * 6, at + 7 + i * 6);
      return { left, top, right, bottom, state, hidden: (flags & 1) !== 0, enabled: (flags & 2) !== 0 };
    });
  }

  // The text of the tooltip the menu's tooltip control shows now, '' for none.
  tooltip() {
    return this.running ? this.#text('tooltip') : '';
  }

  findings() {
    return this.#json('findings');
  }

  aliases() {
    return this.#json('aliases');
  }

  layout() {
    return this.#json('layout');
  }

  // The Action value of one command, or why it cannot be written: { value } or { refused }.
  action(verb, alias, file, extra) {
    return this.#withTexts('action', [verb, alias, file, extra], []);
  }

  // value (an Activate value) with a rule added that enables or disables button n when alias
  // has a value: { value } or { refused }.
  rule(value, enable, n, alias) {
    return this.#withTexts('rule', [value], [enable ? 1 : 0, n], [alias]);
  }

  // The [Main] values for a title, a caption or none, and an icon file ('' keeps the line):
  // { keys: [[key, value], ...] } or { refused }.
  mainKeys(appName, caption, icon) {
    return this.#withTexts('main_keys', [appName], [caption ? 1 : 0], [icon]);
  }

  // The [Registry] line of an alias that reads the value path, unless it takes one of the other
  // names: { line, name } or { refused }.
  aliasLine(name, path, others) {
    return this.#withTexts('alias_line', [name, path, others.join('\n')]);
  }

  // Calls a function of the API whose answer is JSON with texts, numbers and texts as arguments.
  #withTexts(name, texts, numbers = [], after = []) {
    const all = [...texts, ...after];
    const call = (pointers) => {
      if (pointers.length < all.length) return this.#withText(all[pointers.length], (p) => call([...pointers, p]));
      const args = [...pointers.slice(0, texts.length), ...numbers, ...pointers.slice(texts.length)];
      return JSON.parse(this.#read(this.#call(name, ...args)));
    };
    return call([]);
  }

  // The trace lines since the last call.
  trace() {
    return this.#text('trace').split('\n').filter((line) => line !== '');
  }
}
