// The board's table in a dialog: the best 20 players and the player's own place, each run with
// 見る (watched as a run's link is) and 競う (raced from the next run on), and a field that takes
// a pasted run code (a desktop player's Ctrl+C) to send.
import { placeOf, runCode, topRuns } from './api.js';
import { makeButton, makeDialog } from './dialog.js';

const Top = 20;

const secondsText = (seconds) => `${Number(seconds).toFixed(2)}秒`;

export class BoardTable {
  // actions: name() the player's name or '', send(code) giving { ok, message }, watch(code),
  // race(code) giving whether the code is one, opened() and closed() around the dialog.
  constructor(actions) {
    this.actions = actions;
    const dialog = makeDialog('board-table', 'ランキング');
    this.status = document.createElement('p');
    this.status.className = 'board-status';
    this.status.setAttribute('role', 'status');
    this.top = document.createElement('table');
    this.own = document.createElement('table');
    const ownHeading = document.createElement('h3');
    ownHeading.textContent = 'あなたの順位';
    this.ownPart = document.createElement('section');
    this.ownPart.append(ownHeading, this.own);

    const paste = document.createElement('form');
    paste.className = 'board-row';
    const label = document.createElement('label');
    label.textContent = 'ランのコード';
    this.code = document.createElement('input');
    Object.assign(this.code, { name: 'code', autocomplete: 'off', spellcheck: false, enterKeyHint: 'send' });
    label.append(this.code);
    paste.append(label, makeButton('登録', null, 'submit'));
    paste.addEventListener('submit', (e) => {
      e.preventDefault();
      this.sendPasted();
    });

    const close = makeButton('閉じる', () => dialog.close());
    close.className = 'board-close';
    dialog.append(this.status, this.top, this.ownPart, paste, close);
    dialog.addEventListener('close', () => actions.closed());
    this.dialog = dialog;
  }

  open() {
    this.actions.opened();
    this.dialog.showModal();
    return this.load();
  }

  say(text) { this.status.textContent = text; }

  async load() {
    const name = this.actions.name();
    this.say('読み込み中…');
    try {
      const [top, own] = await Promise.all([topRuns(Top), name ? placeOf(name) : null]);
      if (top.status !== 200 || !Array.isArray(top.body?.entries)) throw new Error(top.status);
      this.fill(this.top, top.body.entries, name);
      const ownEntries = own?.status === 200 && Array.isArray(own.body?.entries) ? own.body.entries : [];
      this.fill(this.own, ownEntries, name);
      this.ownPart.hidden = ownEntries.length === 0;
      this.say(top.body.entries.length ? '' : 'まだだれも載っていません');
    } catch {
      this.say('ランキングを読み込めませんでした');
    }
  }

  fill(table, entries, name) {
    const rows = entries.map((entry) => {
      const row = document.createElement('tr');
      if (entry.name === name) row.className = 'mine';
      for (const text of [`${entry.rank}位`, entry.name, secondsText(entry.seconds)]) {
        row.insertCell().textContent = text;
      }
      const { id } = entry;
      row.insertCell().append(
        makeButton('見る', () => this.withRun(id, (code) => this.watch(code))),
        makeButton('競う', () => this.withRun(id, (code) => this.race(code, entry.name))));
      return row;
    });
    const head = document.createElement('thead');
    head.insertRow().append(...['順位', '名前', 'タイム', ''].map((text) =>
      Object.assign(document.createElement('th'), { textContent: text })));
    const body = document.createElement('tbody');
    body.append(...rows);
    table.replaceChildren(head, body);
  }

  // The kept run's code from the board, then what to do with it.
  // One at a time, so that a second press while the first is on its way does nothing.
  async withRun(id, use) {
    if (this.fetching) return;
    this.fetching = true;
    try {
      const answer = await runCode(id);
      if (answer.status === 200 && typeof answer.body === 'string') {
        use(answer.body.trim());
        return;
      }
      this.say('ランを読み込めませんでした');
    } catch {
      this.say('ランを読み込めませんでした');
    } finally {
      this.fetching = false;
    }
  }

  watch(code) {
    this.dialog.close();
    this.actions.watch(code);
  }

  race(code, name) {
    this.say(this.actions.race(code) ? `次のランから${name}さんのランと競います` : 'このランとは競えません');
  }

  async sendPasted() {
    const code = this.code.value.trim();
    if (!code) {
      this.say('ランのコードを貼り付けてください');
      return;
    }
    this.say('送信中…');
    const { ok, message } = await this.actions.send(code);
    this.say(message);
    if (!ok) return;
    this.code.value = '';
    await this.load();
    this.say(message);
  }
}
