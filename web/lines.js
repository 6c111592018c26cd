// The file as lines with the line end each one had, so that an edit in the text box (which
// shows every line end as LF) changes the bytes of the edited lines only.

// Lines end at CR LF, LF or a lone CR, as check counts them; the last line has no end.
export function splitLines(text) {
  const lines = [];
  let start = 0;
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (c !== '\r' && c !== '\n') continue;
    const eol = c === '\r' && text[i + 1] === '\n' ? '\r\n' : c;
    lines.push({ text: text.slice(start, i), eol });
    i += eol.length - 1;
    start = i + 1;
  }
  lines.push({ text: text.slice(start), eol: '' });
  return lines;
}

export function joinLines(lines) {
  return lines.map((l) => l.text + l.eol).join('');
}

export function shownText(lines) {
  return lines.map((l) => l.text).join('\n');
}

// The line end most lines have, for lines the author adds.
export function usualEnd(lines) {
  const counts = new Map();
  for (const { eol } of lines) if (eol) counts.set(eol, (counts.get(eol) ?? 0) + 1);
  let best = '\r\n';
  for (const [eol, n] of counts) if (n > (counts.get(best) ?? 0)) best = eol;
  return best;
}

// The lines after the text box changed to shown: the unchanged lines at both ends keep their
// line ends, the lines between get the ends of the lines they replace or the usual one.
export function applyShown(lines, shown) {
  const next = shown.split('\n');
  let head = 0;
  while (head < lines.length && head < next.length && lines[head].text === next[head]) head++;
  let tail = 0;
  while (
    tail < lines.length - head &&
    tail < next.length - head &&
    lines[lines.length - 1 - tail].text === next[next.length - 1 - tail]
  )
    tail++;
  const eol = usualEnd(lines);
  const replaced = lines.slice(head, lines.length - tail);
  const added = next.slice(head, next.length - tail).map((text, i) => ({
    text,
    eol: replaced[i]?.eol || eol,
  }));
  const result = [...lines.slice(0, head), ...added, ...lines.slice(lines.length - tail)];
  result[result.length - 1] = { ...result[result.length - 1], eol: '' };
  for (let i = 0; i < result.length - 1; i++) if (!result[i].eol) result[i] = { ...result[i], eol };
  return result;
}
