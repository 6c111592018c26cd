// Moving a button: its Left and Top lines get the new numbers, or are added under its section
// header when missing; every other byte of the file stays as it was. Which lines answer the
// keys comes from the menu's own lookup (Menu.layout).

// text holds one character a byte, so its offsets are the file's.
export function placeButton(text, place, left, top, eol) {
  const edits = [];
  const missing = [];
  for (const [key, value, line] of [
    ['Left', left, place.left],
    ['Top', top, place.top],
  ]) {
    if (!line) {
      missing.push(`${key}=${value}`);
      continue;
    }
    const [offset, length] = line;
    const old = text.slice(offset, offset + length);
    edits.push({ from: offset, to: offset + length, text: old.slice(0, old.indexOf('=') + 1) + value });
  }
  if (missing.length > 0) {
    if (place.headerEnd < 0) return null;
    edits.push({ from: place.headerEnd, to: place.headerEnd, text: missing.map((l) => eol + l).join('') });
  }
  edits.sort((a, b) => b.from - a.from);
  for (const edit of edits) text = text.slice(0, edit.from) + edit.text + text.slice(edit.to);
  return text;
}
