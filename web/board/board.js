// The board's controls, added only when a board serves the page (see board_probe.js): after a
// clear a button that sends the run, a button at the menu that opens the table, and the runs sent
// while offline, sent again once the page is online. Whatever the board answers is said in the
// live region.
import { refusal, sendRun } from './api.js';
import { pageButton } from './dialog.js';
import { NameForm } from './name_form.js';
import { Player } from './player.js';
import { BoardTable } from './table.js';

const SendLabel = 'ランキングに登録';

class Board {
  constructor({ game, said, share, watch, race, letGo, back }) {
    Object.assign(this, { game, said, share });
    this.player = new Player();
    this.names = new NameForm();
    this.table = new BoardTable({
      name: () => this.player.name(),
      send: (code) => this.send(code),
      watch,
      race,
      opened: letGo,
      closed: back,
    });
    this.opener = pageButton('board-open', 'ランキング', () => this.table.open());
    this.sender = pageButton('board-send', SendLabel, () => this.sendCleared());
    // The run just cleared, to send; the player's game at its menu.
    this.code = '';
    this.atMenu = JSON.parse(game.stateJson(0)).pnlMenu.visible;
    this.took(game.report);
    window.addEventListener('online', () => this.sendWaiting());
    this.sendWaiting();
  }

  say(text) {
    if (this.said && text) this.said.textContent = text;
  }

  // What a call into the game handed back: the menu's button shows while the player's game is at
  // its menu; a clear (the one change to the record but a run's start) offers its run.
  took(r) {
    // A run is watched only from the menu, and a new launch starts at it.
    if (r.backAtMenu || r.closed || r.watching) this.atMenu = true;
    if (r.runStarted) this.atMenu = false;
    this.opener.hidden = !this.atMenu || r.watching || r.closed;
    if (r.runStarted || r.watching || r.closed) this.withdraw();
    if (r.recordChanged && !r.runStarted && !r.watching && r.shareable) this.offer();
  }

  offer() {
    this.code = this.game.shareCode();
    if (!this.code) return;
    Object.assign(this.sender, { disabled: false, textContent: SendLabel, hidden: false });
    // Beside the share button, whose width is its text's.
    this.sender.style.right = `calc(max(8px, env(safe-area-inset-right)) + ${56 + this.share.offsetWidth}px)`;
  }

  withdraw() {
    this.code = '';
    this.sender.hidden = true;
  }

  async sendCleared() {
    const { code } = this;
    if (!code) return;
    Object.assign(this.sender, { disabled: true, textContent: '送信中…' });
    const { ok, rank, waiting } = await this.send(code);
    if (code !== this.code) return;
    this.sender.disabled = ok || waiting;
    this.sender.textContent = ok ? (rank ? `${rank}位` : '登録済み') : waiting ? '送信待ち' : SendLabel;
  }

  // Sends a run under the player's name, asked first when there is none yet (and again when the
  // board gives it to someone else): { ok, rank, waiting, message }.
  async send(code) {
    let name = this.player.name();
    let taken = '';
    let why = '';
    for (;;) {
      if (!name) {
        name = await this.names.ask(taken, why);
        if (!name) return { ok: false, message: '' };
      }
      if (navigator.onLine === false) return this.keep(code, name);
      let answer;
      try {
        answer = await sendRun(code, name, this.player.key());
      } catch {
        return this.keep(code, name);
      }
      if (answer.status === 409) {
        this.player.setName('');
        why = refusal(answer);
        taken = name;
        name = '';
        continue;
      }
      return this.answered(answer, name);
    }
  }

  answered(answer, name) {
    const { status, body } = answer;
    if (status === 200 || status === 201) {
      this.player.setName(name);
      // A run kept before for a player taken off the board has no rank.
      const rank = Number.isInteger(body?.rank) ? body.rank : null;
      const message = rank ? `ランキング${rank}位に登録しました（${Number(body.seconds).toFixed(2)}秒）` : 'このランは登録済みです';
      this.say(message);
      return { ok: true, rank, message };
    }
    const message = refusal(answer);
    this.say(message);
    return { ok: false, message };
  }

  // A run that cannot be sent now waits in the page's storage.
  keep(code, name) {
    this.player.keepWaiting({ code, name });
    const message = 'オフラインです。つながったら登録します';
    this.say(message);
    return { ok: false, waiting: true, message };
  }

  // The runs kept while offline, oldest first; those the board could not take now stay.
  async sendWaiting() {
    if (this.sending || navigator.onLine === false) return;
    this.sending = true;
    const done = new Set();
    try {
      for (const { code, name } of this.player.waiting()) {
        const answer = await sendRun(code, name, this.player.key());
        if (answer.status === 429 || answer.status === 503) break;
        done.add(code);
        this.answered(answer, name);
      }
    } catch {
      // Still offline: the rest wait for the next time.
    }
    // Read again: a run may have been kept meanwhile.
    this.player.setWaiting(this.player.waiting().filter((r) => !done.has(r.code)));
    this.sending = false;
  }
}

export function addBoard(page) {
  return new Board(page);
}
