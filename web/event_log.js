// What the menu did, as the page tells it: the raw trace, of which the last 200,000 characters
// stay, and the plain words of the current click (or start, or rebuild). Each frame adds its
// lines only, so the cost of a frame does not grow with what came before it.
import { addWords } from './plain_words.js';

const kept = 200000;

export class EventLog {
  #trace;
  #words;
  #length = 0;
  #said = [];

  constructor(trace, words) {
    this.#trace = trace;
    this.#words = words;
  }

  // A new event: its words replace those of the last one.
  newEvent() {
    this.#said = [];
    this.#words.replaceChildren();
  }

  clearTrace() {
    this.#trace.textContent = '';
    this.#length = 0;
  }

  add(lines) {
    if (lines.length === 0) return;
    this.#appendTrace(`${lines.join('\n')}\n`);
    const count = this.#said.length;
    const last = this.#said.at(-1);
    addWords(this.#said, lines);
    if (this.#said.length === count && this.#said.at(-1) === last) return;
    this.#words.replaceChildren(...this.#said.map((text) => Object.assign(document.createElement('li'), { textContent: text })));
  }

  // One text node a frame; the oldest go, or lose their start, past the characters kept.
  #appendTrace(text) {
    this.#trace.append(text);
    this.#length += text.length;
    while (this.#length > kept) {
      const oldest = this.#trace.firstChild;
      const excess = this.#length - kept;
      if (oldest.length <= excess) {
        oldest.remove();
        this.#length -= oldest.length;
      } else {
        oldest.deleteData(0, excess);
        this.#length -= excess;
      }
    }
  }
}
