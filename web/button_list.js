// The list of buttons beside the preview, with Duplicate, Delete, Move up and Move down: each
// writes its lines into the text box as one edit of the page, which Undo takes back.
import { actionForm } from './action_form.js';
import { changedDeciders, deleteButton, duplicateButton, swapButtons } from './button_edits.js';
import { copyPictures } from './button_pictures.js';

const $ = (id) => document.getElementById(id);

// edit: { queued(change), write(text), text(), eol(), say(text, bad), select(index) }.
export function buttonList(page, edit) {
  const list = $('button-list');
  const form = actionForm(page, edit);

  // Runs an edit of the buttons on the file as the menu last read it; selected: the index the
  // selection goes to afterwards.
  const change = (make, selected = (i) => i) =>
    edit.queued(async () => {
      const index = page.selected;
      if (index < 0 || index >= page.layout.buttons.length) return;
      const result = make(edit.text(), page.layout, index + 1, edit.eol(), page.buttons[index]);
      if (result.refused) {
        edit.say(result.refused, true);
        return;
      }
      await edit.write(result.text);
      if (make === duplicateButton) await copyPictures(page, edit, page.layout.buttons.length - 1);
      for (const note of result.notes) edit.say(note);
      if (result.swapped) for (const note of changedDeciders(result, edit.text(), page.layout)) edit.say(note);
      edit.select(Math.min(selected(index), page.layout.buttons.length - 1));
    });

  const remove = () => change(deleteButton);
  $('button-duplicate').addEventListener('click', () => change(duplicateButton, () => page.layout.buttons.length - 1));
  $('button-delete').addEventListener('click', remove);
  $('button-up').addEventListener('click', () =>
    change((text, layout, n, eol) => swapButtons(text, layout, n - 1, eol), (i) => i - 1),
  );
  $('button-down').addEventListener('click', () => change(swapButtons, (i) => i + 1));

  return {
    remove,
    // The list as the menu last read the file.
    show() {
      if (page.selected >= page.layout.buttons.length) page.selected = -1;
      const items = page.layout.buttons.map((button, i) => {
        const li = document.createElement('li');
        li.textContent = button.tip || `Button ${i + 1}`;
        li.classList.toggle('selected', i === page.selected);
        li.onclick = () => edit.select(i);
        return li;
      });
      list.replaceChildren(...items);
      for (const id of ['button-duplicate', 'button-delete', 'button-up', 'button-down'])
        $(id).disabled = page.selected < 0 || page.selected >= items.length;
      form.show();
    },
  };
}
