// The message the page shows when a file could not be had even after its retries: a short line,
// the technical detail below it and a button that tries again. The page holds the block itself
// (hidden), so it can be shown even when the scripts did not arrive.
const Id = 'failure';

function block() {
  let element = document.getElementById(Id);
  if (!element) {
    element = document.createElement('div');
    element.id = Id;
    element.className = 'failure';
    element.setAttribute('role', 'alert');
    element.hidden = true;
    element.innerHTML = '<p>読み込みに失敗しました</p><p class="detail"></p>'
      + '<button type="button">もう一度</button>';
    document.body.append(element);
  }
  return element;
}

// Shows the message for error; retry() runs when the button is pressed, after the message hides.
export function showFailure(error, retry) {
  console.warn('Skelvar could not load:', error);
  const element = block();
  element.querySelector('.detail').textContent = error?.message ?? String(error);
  const button = element.querySelector('button');
  // Replaces the page's own handler, which can only reload.
  button.onclick = () => {
    hideFailure();
    retry();
  };
  element.hidden = false;
  button.focus();
}

export function hideFailure() {
  const element = document.getElementById(Id);
  if (element) element.hidden = true;
}
