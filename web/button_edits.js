// Deleting, duplicating and reordering buttons: the numbers of their sections, Buttons and the
// BUTTON<n> of every Activate rule change together, and every other byte stays. Where sections,
// lines and rules are comes from the menu's own reading of the file (Menu.layout).
import { applyEdits, keyEdits } from './layout.js';

// The menu reads one digit after BUTTON, so a rule can name buttons 1 to 9 only.
const lastNamed = 9;
// How far a copy of a button is drawn from it, right and down.
const copyOffset = 8;

// Each edit returns { text, notes } or { refused } with the reason.

// Gives the buttons new numbers: renumber maps an old number to its new one, or to 0 for a
// button taken out with its section and the rules that name it.
function renumber(text, layout, renumbered, count, eol) {
  const edits = [];
  const notes = [];
  layout.buttons.forEach((button, i) => {
    const n = i + 1;
    const to = renumbered(n);
    if (to === 0) {
      edits.push({ from: button.header, to: button.end, text: '' });
      return;
    }
    if (to !== n) edits.push({ from: button.number[0], to: button.number[1], text: String(to) });
    const { rules, count: items } = button.activateItems;
    const gone = rules.filter((rule) => renumbered(rule.target) === 0);
    for (const rule of gone)
      notes.push(`The rule "${text.slice(...rule.range).trim()}" of [Button${to}] named the deleted button: it was removed.`);
    if (gone.length > 0 && gone.length === items) {
      const [offset, length] = button.activate;
      edits.push({ from: offset, to: offset + length + lineEndAt(text, offset + length).length, text: '' });
      return;
    }
    for (const rule of gone) edits.push({ from: rule.cut[0], to: rule.cut[1], text: '' });
    for (const rule of rules) {
      const target = renumbered(rule.target);
      if (target !== 0 && target !== rule.target) edits.push({ from: rule.digit, to: rule.digit + 1, text: String(target) });
    }
  });
  const counted = keyEdits(text, layout.main.headerEnd, [['Buttons', count, layout.main.buttons]], eol);
  return { text: applyEdits(text, [...edits, ...(counted ?? [])]), notes };
}

export function lineEndAt(text, offset) {
  return text.startsWith('\r\n', offset) ? '\r\n' : /[\r\n]/.test(text[offset] ?? '') ? text[offset] : '';
}

// Button n (from 1) goes, and every button after it moves up a number. A rule that names a
// button past Buttons names none, before and after, and keeps its number.
export function deleteButton(text, layout, n, eol) {
  const count = layout.buttons.length;
  return renumber(text, layout, (m) => (m === n ? 0 : m > n && m <= count ? m - 1 : m), count - 1, eol);
}

// Buttons n and n + 1 swap numbers; their sections stay where they are.
export function swapButtons(text, layout, n, eol) {
  const count = layout.buttons.length;
  if (n < 1 || n >= count) return { refused: 'There is no button to swap it with.' };
  for (const [from, to] of [[n, n + 1], [n + 1, n]]) {
    const named = layout.buttons.some((b) => b.activateItems.rules.some((rule) => rule.target === from));
    if (to > lastNamed && named)
      return { refused: `Button ${from} is named by an Activate rule, and a rule can only name buttons 1 to ${lastNamed}: it cannot become button ${to}.` };
  }
  const before = deciders(layout);
  const result = renumber(text, layout, (m) => (m === n ? n + 1 : m === n + 1 ? n : m), count, eol);
  return { ...result, swapped: n, before };
}

// A copy of button n's section as the last button, drawn a little below and right of it
// (shown: the button as drawn, { left, top }).
export function duplicateButton(text, layout, n, eol, shown) {
  const count = layout.buttons.length;
  if (layout.next !== count + 1) return { refused: `[Button${count + 1}] is in the file already, past Buttons: the copy would not be its own button.` };
  const button = layout.buttons[n - 1];
  const inSection = (place) => place && [place[0] - button.header, place[1]];
  const section = text.slice(button.header, button.end);
  const placed = [['Left', shown.left + copyOffset, inSection(button.left)], ['Top', shown.top + copyOffset, inSection(button.top)]];
  const [from, to] = button.number.map((offset) => offset - button.header);
  const copy = applyEdits(section, [{ from, to, text: String(count + 1) }, ...keyEdits(section, button.headerEnd - button.header, placed, eol)]);
  const counted = keyEdits(text, layout.main.headerEnd, [['Buttons', count + 1, layout.main.buttons]], eol) ?? [];
  const withCount = applyEdits(text, counted);
  const gap = withCount === '' || lineEndAt(withCount, withCount.length - 1) ? '' : eol;
  const end = lineEndAt(copy, copy.length - 1) ? '' : eol;
  // A rule that named no button, as it named one past Buttons, decides for the copy now.
  const notes = layout.buttons.flatMap((owner, i) =>
    owner.activateItems.rules
      .filter((rule) => rule.target === count + 1)
      .map((rule) => `The rule "${text.slice(...rule.range).trim()}" of [Button${i + 1}] named no button; it now decides for the copy, button ${count + 1}.`),
  );
  return { text: withCount + gap + copy + end, notes };
}

// For each button the menu builds, the rule that decides whether it is enabled: the last rule
// the menu applies to it, as it runs the rules button by button from the first. A rule is known
// by its button and its place among that button's rules, which a swap keeps.
function deciders(layout) {
  const decided = new Map();
  layout.buttons.forEach((button, i) => {
    button.activateItems.rules.forEach((rule, index) => {
      if (rule.applied) decided.set(rule.target, { owner: i + 1, index });
    });
  });
  return decided;
}

// After a swap has run: where another rule than before decides for a button.
export function changedDeciders(swap, text, layout) {
  const n = swap.swapped;
  const other = (m) => (m === n ? n + 1 : m === n + 1 ? n : m);
  const after = deciders(layout);
  const said = (d) => {
    if (!d) return 'no rule';
    const rule = layout.buttons[d.owner - 1].activateItems.rules[d.index];
    return `"${text.slice(...rule.range).trim()}" of [Button${d.owner}]`;
  };
  const notes = [];
  for (let m = 1; m <= layout.buttons.length; m++) {
    const was = swap.before.get(other(m));
    const now = after.get(m);
    const moved = was && { owner: other(was.owner), index: was.index };
    if (moved?.owner === now?.owner && moved?.index === now?.index) continue;
    notes.push(`The swap changes which Activate rule decides whether button ${m} is enabled: ${said(now)}, no longer ${said(moved)}.`);
  }
  return notes;
}
