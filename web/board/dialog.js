// A modal <dialog> of the board's, and its buttons. Keys typed in it are its own: they never reach
// the window's listeners, where the game would take them (a typed space would jump, an arrow run)
// and where the page keeps Enter and Space from buttons. Esc still closes it, as the browser's own
// cancel does.
export function makeDialog(id, title) {
  const dialog = document.createElement('dialog');
  dialog.id = id;
  dialog.className = 'board';
  dialog.setAttribute('aria-labelledby', `${id}-title`);
  const heading = document.createElement('h2');
  heading.id = `${id}-title`;
  heading.textContent = title;
  dialog.append(heading);
  for (const type of ['keydown', 'keyup', 'keypress']) dialog.addEventListener(type, (e) => e.stopPropagation());
  document.body.append(dialog);
  return dialog;
}

export function makeButton(label, onClick, type = 'button') {
  const button = document.createElement('button');
  button.type = type;
  button.textContent = label;
  if (onClick) button.addEventListener('click', onClick);
  return button;
}

// A button on the page itself, in the speaker's pen and paper: a press does not take the keyboard
// from the game, and Enter or Space on it (once Tab has reached it) press it rather than the game.
export function pageButton(id, label, onClick) {
  const button = makeButton(label, onClick);
  button.id = id;
  button.className = 'paper';
  button.hidden = true;
  button.addEventListener('pointerdown', (e) => e.preventDefault());
  button.addEventListener('mousedown', (e) => e.preventDefault());
  for (const type of ['keydown', 'keyup']) {
    button.addEventListener(type, (e) => {
      if (/^(Enter|NumpadEnter|Space)$/.test(e.code)) e.stopPropagation();
    });
  }
  document.body.append(button);
  return button;
}
