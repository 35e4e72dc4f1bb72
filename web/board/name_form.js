// The small form that asks the player's name the first time a run is sent: 1 to 12 characters.
import { makeButton, makeDialog } from './dialog.js';
import { nameProblem } from './player.js';

export class NameForm {
  constructor() {
    const dialog = makeDialog('board-name', 'ランキングに載せる名前');
    const form = document.createElement('form');
    form.method = 'dialog';
    const label = document.createElement('label');
    label.textContent = '名前（12文字まで）';
    const input = document.createElement('input');
    Object.assign(input, { name: 'name', autocomplete: 'nickname', enterKeyHint: 'send', maxLength: 48 });
    label.append(input);
    const problem = document.createElement('p');
    problem.className = 'board-status';
    problem.setAttribute('role', 'alert');
    const row = document.createElement('p');
    row.className = 'board-row';
    const send = makeButton('登録', null, 'submit');
    send.value = 'send';
    row.append(send, makeButton('やめる', () => dialog.close('')));
    form.append(label, problem, row);
    dialog.append(form);
    form.addEventListener('submit', (e) => {
      const trouble = nameProblem(input.value);
      if (!trouble) return;
      e.preventDefault();
      problem.textContent = trouble;
      input.focus();
    });
    Object.assign(this, { dialog, input, problem });
  }

  // The name typed, or '' when the player closes the form; `why` says why it is asked again.
  ask(name = '', why = '') {
    const { dialog, input, problem } = this;
    input.value = name;
    problem.textContent = why;
    dialog.returnValue = '';
    dialog.showModal();
    input.focus();
    return new Promise((resolve) => {
      dialog.addEventListener('close', () => {
        resolve(dialog.returnValue === 'send' ? input.value.trim() : '');
      }, { once: true });
    });
  }
}
