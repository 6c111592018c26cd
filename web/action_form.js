// The forms of the selected button: its Action (run a program of the folder, or one found
// through a [Registry] alias, with an argument or a wait; open a document; rebuild the menu;
// close), shown as the menu reads its first command, and rules added to its Activate line that
// enable or disable a button when an alias has a value. Each writes its line as one edit.
import { setKeys } from './layout.js';

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
      $('rule-button').value = page.selected + 1;
      $('action-command').value = verbs[command] ?? 'RUN';
      $('action-wait').checked = wait;
      $('action-argument').value = argument;
      fields();
    },
  };
}
