// The menu folder as the page holds it, to hand over as a whole: every file by its path ("/"
// between folders), one file per name regardless of case, as on Windows.

export class MenuFolder {
  #files = new Map(); // lower-case path -> { path, bytes, source }

  constructor(name = '', files = []) {
    this.name = name;
    for (const { path, bytes } of files) this.put(path, bytes);
  }

  // source: the file a picture was made from, so that making it again keeps its name.
  put(path, bytes, source = '') {
    this.#files.delete(path.toLowerCase());
    this.#files.set(path.toLowerCase(), { path, bytes, source });
  }

  get(path) {
    return this.#files.get(path.toLowerCase());
  }

  has(path) {
    return this.#files.has(path.toLowerCase());
  }

  files() {
    return [...this.#files.values()];
  }

  describe() {
    return `${this.name || 'menu'}: ${this.#files.size} files`;
  }

  // A name for a file made from source: path, or with -2, -3, … before its ending where another
  // file has that name.
  nameFor(path, source) {
    const dot = path.lastIndexOf('.');
    for (let n = 1; ; n++) {
      const name = n === 1 ? path : `${path.slice(0, dot)}-${n}${path.slice(dot)}`;
      const taken = this.#files.get(name.toLowerCase());
      if (!taken || (source && taken.source === source)) return name;
    }
  }
}
