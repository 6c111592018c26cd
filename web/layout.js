// Lines the page writes into autorun.ini: a key's line gets its new value, or is added under its
// section's header when missing; a new section goes at the end. Every other byte of the file
// stays as it was. Which lines answer the keys comes from the menu's own lookup (Menu.layout).
import { textOffsets } from './codepage.js';

// Replaces [from, to) of text by each edit's text, from the last edit to the first; edits that
// only cut and overlap are taken as one.
export function applyEdits(text, edits) {
  const sorted = [...edits].sort((a, b) => a.from - b.from);
  const merged = [];
  for (const edit of sorted) {
    const last = merged.at(-1);
    if (last && edit.from < last.to && !edit.text && !last.text) last.to = Math.max(last.to, edit.to);
    else merged.push({ ...edit });
  }
  for (const edit of merged.reverse()) text = text.slice(0, edit.from) + edit.text + text.slice(edit.to);
  return text;
}

// The edits that give keys their values. text holds one character a byte, so its offsets are the
// file's. keys: [key, value, place of the line that answers it or null]. Null when a line is
// missing and so is the header.
export function keyEdits(text, headerEnd, keys, eol) {
  const edits = [];
  const missing = [];
  for (const [key, value, line] of keys) {
    if (!line) {
      missing.push(`${key}=${value}`);
      continue;
    }
    const [offset, length] = line;
    const old = text.slice(offset, offset + length);
    edits.push({ from: offset, to: offset + length, text: old.slice(0, old.indexOf('=') + 1) + value });
  }
  if (missing.length > 0) {
    if (headerEnd < 0) return null;
    edits.push({ from: headerEnd, to: headerEnd, text: missing.map((l) => eol + l).join('') });
  }
  return edits;
}

export function setKeys(text, headerEnd, keys, eol) {
  const edits = keyEdits(text, headerEnd, keys, eol);
  return edits && applyEdits(text, edits);
}

// Moving a button: its Left and Top lines.
export function placeButton(text, place, left, top, eol) {
  return setKeys(text, place.headerEnd, [['Left', left, place.left], ['Top', top, place.top]], eol);
}

// Keys of [Main] (main: Menu.layout().main); a file without the section gets it at the top.
export function setMainKeys(text, main, keys, eol) {
  const missing = keys.map(([key, value]) => [key, value, null]);
  return setKeys(text, main.headerEnd, keys, eol) ?? setKeys(`[Main]${eol}${text}`, '[Main]'.length, missing, eol);
}

// A section with its lines, after the last line of the file.
export function appendSection(text, name, lines, eol) {
  const end = text === '' || text.endsWith('\n') || text.endsWith('\r') ? '' : eol;
  return `${text}${end}[${name}]${eol}${lines.join(eol)}${eol}`;
}

// The menu's layout with its byte offsets as offsets in text, which differ in a UTF-8 file.
export function inText(layout, text, encoding) {
  if (encoding !== 'utf-8') return layout;
  const at = textOffsets(text, encoding);
  const point = (offset) => (offset < 0 ? offset : at(offset));
  const span = (place) => place && [at(place[0]), at(place[0] + place[1]) - at(place[0])];
  const range = (place) => place && place.map(at);
  const rule = (r) => ({ ...r, range: range(r.range), cut: range(r.cut), digit: at(r.digit) });
  const button = (b) => ({
    ...b, headerEnd: point(b.headerEnd), header: point(b.header), end: point(b.end), number: range(b.number),
    left: span(b.left), top: span(b.top), action: span(b.action), activate: span(b.activate),
    activateItems: { ...b.activateItems, rules: b.activateItems.rules.map(rule) },
    pictures: b.pictures.map((picture) => ({ ...picture, at: span(picture.at) })),
  });
  const alias = (a) => ({ ...a, line: span(a.line), nameRange: range(a.nameRange), uses: a.uses.map(range) });
  const { main, registry } = layout;
  return {
    ...layout,
    main: {
      ...main, headerEnd: point(main.headerEnd), background: span(main.background), buttons: span(main.buttons),
      appNameLine: span(main.appNameLine), showCaption: span(main.showCaption), icon: span(main.icon),
    },
    registry: { headerEnd: point(registry.headerEnd), aliases: registry.aliases.map(alias) },
    buttons: layout.buttons.map(button),
  };
}
