// The forms of the selected button: its Action (run a program of the folder, or one found
// through a [Registry] alias, with an argument or a wait; open a document; rebuild the menu;
// close), shown as the menu reads its first command, and the rules of its Activate line that
// enable or disable a button when an alias has a value: added, changed and removed one by one.
// Each writes its line as one edit; the rest of the line keeps its bytes.
import { lineEndAt } from './button_edits.js';
import { applyEdits, setKeys } from './layout.js';

const $ = (id) => document.getElementById(id);
const windowsPath = (path) => path.replaceAll('/', '\\');
const verbs = { run: 'RUN', shell: 'SHELL', reinit: 'REINIT', close: 'CLOSE' };

// edit: { queued(change), write(text), text(), eol(), say(text, bad) }.
export function actionForm(page, edit) {
  const form = $('action-form');
  const fields = () => {
    const verb = $('action-command').value;
    $('action-file-row').hidden = verb !== 'RUN' && verb !== 'SHELL';
    $('action-run-row').hidden = verb !== 'RUN';
    $('action-argument').disabled = $('action-wait').checked;
  };
  for (const id of ['action-command', 'action-wait']) $(id).addEventListener('change', fields);

  $('action-write').addEventListener('click', () =>
    edit.queued(async () => {
      const button = page.layout.buttons[page.selected];
      if (!button) return;
      const verb = $('action-command').value;
      const run = verb === 'RUN';
      const extra = run ? ($('action-wait').checked ? 'wait' : $('action-argument').value.trim()) : '';
      const result = page.menu.action(verb, run ? $('action-alias').value : '', $('action-file').value, extra);
      if (result.refused) {
        edit.say(result.refused, true);
        return;
      }
      const text = setKeys(edit.text(), button.headerEnd, [['Action', result.value, button.action]], edit.eol());
      if (text !== null) await edit.write(text);
    }),
  );

  $('rule-add').addEventListener('click', () =>
    edit.queued(async () => {
      const button = page.layout.buttons[page.selected];
      if (!button) return;
      const result = page.menu.rule(button.activateValue, $('rule-verb').value === '1', Number($('rule-button').value), $('rule-alias').value);
      if (result.refused) {
        edit.say(result.refused, true);
        return;
      }
      const text = setKeys(edit.text(), button.headerEnd, [['Activate', result.value, button.activate]], edit.eol());
      if (text !== null) await edit.write(text);
    }),
  );

  // The rule's item gets new words; the blanks around them stay.
  const changeRule = (index, enable, n, alias) =>
    edit.queued(async () => {
      const button = page.layout.buttons[page.selected];
      const rule = button?.activateItems.rules[index];
      if (!rule) return;
      const result = page.menu.rule('', enable, n, alias);
      if (result.refused) {
        edit.say(result.refused, true);
        return;
      }
      const text = edit.text();
      const [, before, , after] = text.slice(...rule.range).match(/^(\s*)(.*?)(\s*)$/s);
      await edit.write(applyEdits(text, [{ from: rule.range[0], to: rule.range[1], text: before + result.value + after }]));
    });

  // A rule goes with the "|" beside it; the last item of the line takes the line with it.
  const removeRule = (index) =>
    edit.queued(async () => {
      const button = page.layout.buttons[page.selected];
      const rule = button?.activateItems.rules[index];
      if (!rule) return;
      const text = edit.text();
      const [offset, length] = button.activate;
      const whole = button.activateItems.count === 1;
      const from = whole ? offset : rule.cut[0];
      const to = whole ? offset + length + lineEndAt(text, offset + length).length : rule.cut[1];
      await edit.write(applyEdits(text, [{ from, to, text: '' }]));
    });

  function ruleRow(rule, index, aliases) {
    const li = document.createElement('li');
    const verb = new Option('Enable', '1', false, rule.enable);
    const verbs = Object.assign(document.createElement('select'), { className: 'rule-verb' });
    verbs.append(verb, new Option('Disable', '0', false, !rule.enable));
    const number = Object.assign(document.createElement('input'), { type: 'number', min: 1, max: 9, value: rule.target, className: 'rule-number' });
    const alias = Object.assign(document.createElement('select'), { className: 'rule-alias' });
    alias.append(...[...new Set([rule.alias, ...aliases])].map((name) => new Option(name, name, false, name === rule.alias)));
    const button = (label, className, onclick) => Object.assign(document.createElement('button'), { type: 'button', textContent: label, className, onclick });
    li.append(verbs, ' button ', number, ' when ', alias, ' has a value ',
      button('Change', 'rule-change', () => changeRule(index, verbs.value === '1', Number(number.value), alias.value)),
      ' ', button('Remove', 'rule-remove', () => removeRule(index)));
    return li;
  }

  return {
    // The selected button's first command as the menu last read the file.
    show() {
      const button = page.layout.buttons[page.selected];
      form.hidden = !button;
      if (!button) return;
      const { command, alias, file, wait, argument, items } = button.command;
      $('action-more').hidden = items < 2;
      const files = page.folder.files().map((f) => windowsPath(f.path)).filter((path) => path.toLowerCase() !== page.iniPath.toLowerCase());
      $('action-file').replaceChildren(...[...new Set(['', file, ...files])].map((path) => new Option(path, path, false, path === file)));
      const aliases = page.menu.aliases().map((a) => a.name);
      $('action-alias').replaceChildren(
        ...[...new Set(['', alias, ...aliases])].map((name) => new Option(name || '(the folder)', name, false, name === alias)),
      );
      $('rule-alias').replaceChildren(...aliases.map((name) => new Option(name, name)));
      $('rule-list').replaceChildren(...button.activateItems.rules.map((rule, i) => ruleRow(rule, i, aliases)));
      $('rule-button').value = page.selected + 1;
      $('action-command').value = verbs[command] ?? 'RUN';
      $('action-wait').checked = wait;
      $('action-argument').value = argument;
      fields();
    },
  };
}
