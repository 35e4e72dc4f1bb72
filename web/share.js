// The button that shares the player's run once it has ended (a clear or a contact): a pen drawing
// beside the speaker, a real button. The run's link (this page's address with #run=CODE) is made
// when the run ends, so that the click itself only hands it over: to the system's share sheet
// where the browser has one, else to the clipboard; the live region says it was done.
const Ink = 'fill="none" stroke="currentColor" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"';
const Arrow = `<path ${Ink} d="M12 14.5V4.2M8.2 7.8L12 4l3.8 3.8M7 11H5.2v8.6h13.6V11H17"/>`;
const Label = 'このランを共有';

export class ShareButton {
  // said: the live region the confirmation goes to.
  constructor(game, said) {
    this.game = game;
    this.said = said;
    this.link = '';
    const button = document.createElement('button');
    button.id = 'share';
    button.type = 'button';
    button.hidden = true;
    button.innerHTML = `<svg viewBox="0 0 24 24" aria-hidden="true">${Arrow}</svg><span>${Label}</span>`;
    // Like the speaker, a press never takes the keyboard from the game.
    button.addEventListener('pointerdown', (e) => e.preventDefault());
    button.addEventListener('mousedown', (e) => e.preventDefault());
    button.addEventListener('click', () => this.hand());
    document.body.append(button);
    this.button = button;
  }

  // The player's run has just ended: its link, when the game has a code for it.
  offer() {
    const code = this.game.shareCode();
    if (!code) return;
    const url = new URL(location.href);
    url.hash = `run=${code}`;
    this.link = url.href;
    this.button.hidden = false;
  }

  // A new run, or a run watched: nothing to share.
  withdraw() {
    this.link = '';
    this.button.hidden = true;
  }

  hand() {
    const { link } = this;
    if (!link) return;
    const say = (text) => { if (this.said) this.said.textContent = text; };
    const copy = () => {
      if (!navigator.clipboard?.writeText) {
        say('リンクをコピーできませんでした');
        return;
      }
      navigator.clipboard.writeText(link).then(() => say('ランのリンクをコピーしました'),
        () => say('リンクをコピーできませんでした'));
    };
    if (typeof navigator.share !== 'function') {
      copy();
      return;
    }
    navigator.share({ title: 'Skelvar', url: link }).then(() => say('ランのリンクを共有しました'), (error) => {
      // The player closing the share sheet is no failure.
      if (error?.name !== 'AbortError') copy();
    });
  }
}
