// The form of [Registry]: adds an alias, renames one together with every Action and Activate
// rule that names it, and removes one that nothing names. Which lines define the aliases and
// where they are named comes from the menu's own reading of the file (Menu.layout).
import { applyEdits } from './layout.js';

const $ = (id) => document.getElementById(id);

// edit: { queued(change), write(text), text(), eol(), say(text, bad) }.
export function registryForm(page, edit) {
  const aliases = () => page.layout.registry?.aliases ?? [];
  const chosen = () => aliases()[Number($('alias-pick').value)];
  const lineNumber = (text, offset) => text.slice(0, offset).split(/\r\n|\r|\n/).length;

  // Runs change(text) on the file as the menu last read it; it returns the new text or null.
  const change = (make) =>
    edit.queued(async () => {
      const text = make(edit.text());
      if (text !== null) await edit.write(text);
    });

  const refused = (result) => {
    if (result.refused) edit.say(result.refused, true);
    return Boolean(result.refused);
  };

  $('alias-add').addEventListener('click', () => {
    const name = $('alias-name').value;
    const path = $('alias-path').value;
    change((text) => {
      const result = page.menu.aliasLine(name, path, aliases().map((a) => a.name));
      if (refused(result)) return null;
      const { headerEnd } = page.layout.registry;
      const last = aliases().at(-1);
      if (headerEnd < 0) {
        const end = text === '' || /[\r\n]$/.test(text) ? '' : edit.eol();
        return `${text}${end}[Registry]${edit.eol()}${result.line}${edit.eol()}`;
      }
      const at = last ? last.line[0] + last.line[1] : headerEnd;
      return applyEdits(text, [{ from: at, to: at, text: edit.eol() + result.line }]);
    });
  });

  $('alias-rename').addEventListener('click', () => {
    const name = $('alias-name').value;
    const alias = chosen();
    change((text) => {
      if (!alias) return null;
      const others = aliases().filter((a) => a !== alias).map((a) => a.name);
      const result = page.menu.aliasLine(name, alias.path, others);
      if (refused(result)) return null;
      const places = [alias.nameRange, ...alias.uses];
      if (alias.uses.length > 0) edit.say(`${alias.name} is now ${result.name}, also where ${alias.uses.length} Action or Activate ${alias.uses.length > 1 ? 'items name' : 'item names'} it.`);
      return applyEdits(text, places.map(([from, to]) => ({ from, to, text: result.name })));
    });
  });

  // An alias still named would leave its rules without a value and its programs without a
  // folder, so the form refuses and says where it is named.
  $('alias-remove').addEventListener('click', () => {
    const alias = chosen();
    change((text) => {
      if (!alias) return null;
      if (alias.uses.length > 0) {
        const lines = [...new Set(alias.uses.map(([from]) => lineNumber(text, from)))].join(', ');
        edit.say(`${alias.name} was not removed: line ${lines} still ${alias.uses.length > 1 ? 'name' : 'names'} it. Change those first, or rename it.`, true);
        return null;
      }
      const [offset, length] = alias.line;
      const end = text.slice(offset + length).match(/^(\r\n|\r|\n)?/)[0];
      return applyEdits(text, [{ from: offset, to: offset + length + end.length, text: '' }]);
    });
  });

  return {
    // The aliases as the menu last read the file.
    show() {
      $('alias-form').hidden = !page.loaded;
      const options = aliases().map((a, i) => new Option(`${a.name} = ${a.path}`, i));
      const kept = $('alias-pick').value;
      $('alias-pick').replaceChildren(...options);
      if (kept && Number(kept) < options.length) $('alias-pick').value = kept;
      for (const id of ['alias-rename', 'alias-remove']) $(id).disabled = options.length === 0;
    },
  };
}
