// The board's controls in the page, in Chromium. With --board: the page served by the real board
// (its own SQLite file in a temporary folder) shows them; a winning run's code pasted into the
// table is sent under a name typed in the name form, its rank shown and said; the table lists it,
// 見る plays it back to its win and 競う races it; keys typed in the dialogs never reach the game,
// and Esc closes them; a run sent offline waits and goes once the page is online; a run won in the
// page is sent with its own button. Without: the page on a static host, whose 404 for the probe is
// expected, shows no board control, fetches no board code and has no error.
//   node tests/web/board.mjs --site build-web/site
//   node tests/web/board.mjs --site build-web/site --board build/skelvar-board
//        --replay build/skelvar-replay --script tests/records/winning.txt
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { BoardProbe, PageWatch, pollFor } from './engine.mjs';
import { check, noProblems, parseOptions, runSuite, StateMenu, ticks } from './harness.mjs';

const options = parseOptions('board.mjs', '--site DIR [--board PATH --replay PATH --script FILE]',
  { board: null, replay: null, script: null });
if (options.board && !(existsSync(options.board) && options.replay && existsSync(options.replay) && options.script)) {
  console.error('usage: board.mjs --site DIR [--board PATH --replay PATH --script FILE]: the board and the replay tool must exist');
  process.exit(2);
}
const Controls = "['board-open', 'board-send', 'board-table', 'board-name'].filter((id) => document.getElementById(id))";
const shown = (id) => `(() => { const e = document.getElementById('${id}'); return e && !e.hidden && e.getBoundingClientRect().width > 0; })()`;
const centre = (selector) => `(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
  return [r.left + r.width / 2, r.top + r.height / 2]; })()`;

async function press(page, selector) {
  const [x, y] = await page.eval(centre(selector));
  await page.click(x, y);
}

// ---- a static host: no board ----
async function withoutBoard(engine, serve) {
  const site = await serve(options.site, { inject: PageWatch });
  const page = await engine.newPage({ width: 960, height: 580, fresh: true });
  await page.open(site.url);
  await page.waitFor('globalThis.skelvar?.picturesLoaded', 30000, 'the page');
  await pollFor(async () => site.answers.some(([path]) => path === BoardProbe), '', 15000, 'the probe answered');
  // The page's answer to the 404 is what it does next, by its own ticks.
  await ticks(page, 10);
  check((await page.eval(Controls)).length === 0, 'a static host\'s page has no board control');
  const fetched = site.requests.filter((p) => p.startsWith('/board/') || (p.startsWith('/api/') && p !== BoardProbe));
  check(fetched.length === 0, `nor fetches the board's code or any more of its API (${fetched.join(', ') || 'none'})`);
  const storage = await page.eval("Object.keys(localStorage).filter((k) => k.startsWith('skelvar.board'))");
  check(storage.length === 0, `and stores nothing for it (${storage})`);
  await noProblems([page], 'the page without a board');
  const worker = readFileSync(join(options.site, 'service-worker.js'), 'utf8');
  check(/board\.js|board_probe/.test(worker) && !/"board\//.test(worker) && !/"api\//.test(worker),
    'the service worker keeps the probe for offline play, and neither the board\'s modules nor its API');
}

// ---- the real board ----
const freePort = () => new Promise((resolve, reject) => {
  const server = createServer().listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => resolve(port));
  }).on('error', reject);
});

async function startBoard() {
  const folder = mkdtempSync(join(tmpdir(), 'skelvar-board-page-'));
  const port = await freePort();
  const child = spawn(options.board, ['--site', options.site, '--database', join(folder, 'board.sqlite3'),
    '--listen', `127.0.0.1:${port}`, '--submit-rate', '1000'], { stdio: ['ignore', 'inherit', 'inherit'] });
  let ended = null;
  child.on('exit', (code, signal) => { ended = `the board ended (${signal ?? code})`; });
  const url = `http://127.0.0.1:${port}/`;
  await pollFor(async () => {
    if (ended) throw new Error(ended);
    return (await fetch(`${url}api/health`)).ok;
  }, '', 15000, 'the board');
  const stop = async () => {
    if (!ended) {
      const gone = new Promise((r) => child.on('exit', r));
      child.kill('SIGTERM');
      await gone;
    }
    rmSync(folder, { recursive: true, force: true });
  };
  return { url, stop, api: async (path) => (await fetch(`${url}api/${path}`)).json() };
}

const status = (dialog) => `document.querySelector('#${dialog} .board-status').textContent`;

// A pasted code sent from the table under a typed name; keys typed there stay in the dialogs.
async function pasted(page, board, code) {
  await page.waitFor(shown('board-open'), 30000, 'the table\'s button at the menu');
  await press(page, '#board-open');
  await page.waitFor("document.getElementById('board-table').open", 5000, 'the table');
  await page.waitFor(`${status('board-table')} === 'まだだれも載っていません'`, 10000, 'the empty table');
  // Held over several of the game's ticks, → would start a run at the menu.
  await page.eval("document.querySelector('#board-table input').focus()");
  await page.key('down', 'ArrowRight');
  const reached = await ticks(page, 10, `skelvar.state().GameState !== ${StateMenu} || skelvar.state().KeysHeld.length > 0`);
  await page.key('up', 'ArrowRight');
  check(!reached, 'keys typed in the table\'s dialog never reach the game, which stays at its menu');

  await page.eval(`document.querySelector('#board-table input').value = ${JSON.stringify(code)}`);
  await press(page, '#board-table form button');
  await page.waitFor("document.getElementById('board-name').open", 5000, 'the name form');
  await page.eval("document.querySelector('#board-name input').value = 'すずめ'");
  await press(page, '#board-name button[type=submit]');
  const said = await page.waitFor(`/位に登録しました/.test(${status('board-table')}) && ${status('board-table')}`,
    20000, 'the rank');
  const top = await board.api('board?limit=20');
  const first = top.entries?.[0];
  check(top.entries?.length === 1 && first.name === 'すずめ' && first.rank === 1 &&
    said === `ランキング1位に登録しました（${first.seconds.toFixed(2)}秒）`,
  `the pasted run is kept under the typed name, and its rank shown ("${said}"; the board: ${JSON.stringify(first)})`);
  check(await page.eval("document.getElementById('said').textContent") === said, 'the live region says it');
  const rows = await page.eval("[...document.querySelectorAll('#board-table table')[0].tBodies[0].rows].map((r) => r.textContent)");
  check(rows.length === 1 && rows[0].startsWith(`1位すずめ${first.seconds.toFixed(2)}秒`), `the table lists it (${rows})`);
  const kept = await page.eval("[localStorage.getItem('skelvar.board-key'), localStorage.getItem('skelvar.board-name')]");
  check(/^[A-Za-z0-9_-]{32}$/.test(kept[0]) && kept[1] === 'すずめ', 'the page keeps its key and the name, each in an entry of its own');

  // Offline, the run sent waits in the page's storage, and goes once the page is online again: the
  // same run, which the board answers with what it kept.
  await page.link('offline');
  await page.eval(`document.querySelector('#board-table input').value = ${JSON.stringify(code)}`);
  await press(page, '#board-table form button');
  const waiting = await page.waitFor(`/オフライン/.test(${status('board-table')}) && localStorage.getItem('skelvar.board-waiting')`,
    5000, 'the run kept while offline');
  await page.eval("document.getElementById('said').textContent = ''");
  await page.link('full');
  const sent = await page.waitFor(`localStorage.getItem('skelvar.board-waiting') === null &&
    document.getElementById('said').textContent`, 20000, 'the kept run sent');
  check(JSON.parse(waiting)[0]?.code === code && sent === said && (await board.api('board?limit=20')).entries.length === 1,
    `a run sent offline waits in its own entry and is sent once the page is online ("${sent}")`);
  return first;
}

// 見る plays the run back to its win; once it is over, 競う races it from the next run.
async function watchedAndRaced(page) {
  await press(page, '#board-table tbody button');
  await page.waitFor("!document.getElementById('board-table').open && skelvar.drawList().noteText === 'リプレイ'",
    10000, 'the run watched');
  check(await page.eval(`!${shown('board-open')}`), 'the table\'s button goes while a run is watched');
  await page.waitFor('/クリアタイム/.test(skelvar.state().lblMsg.text) && skelvar.state().HitIndex', 60000, 'the watched run\'s win');
  await page.waitFor("skelvar.drawList().noteText === 'リプレイ終了：キーで挑戦'", 30000, 'the end of the watched run');
  await page.key('down', 'Escape');
  await page.key('up', 'Escape');
  const back = await ticks(page, 20, `${shown('board-open')} && skelvar.state().GameState === ${StateMenu}`);
  check(back, 'the run watched from the table plays back to its win; Esc goes back to the menu, and its button with it');

  await press(page, '#board-open');
  await page.waitFor(`document.getElementById('board-table').open && ${status('board-table')} === ''`, 10000, 'the table again');
  await press(page, '#board-table tbody button + button');
  await page.waitFor(`/競います/.test(${status('board-table')})`, 10000, 'the race');
  await page.key('down', 'Escape');
  await page.key('up', 'Escape');
  const closed = await page.waitFor("!document.getElementById('board-table').open", 5000, 'Esc closing the table');
  const stays = !(await ticks(page, 10, 'skelvar.window().closed'));
  check(closed && stays, 'Esc closes the table and never reaches the game, which would end at its menu');
  await page.key('down', 'ArrowRight');
  const raced = await ticks(page, 40, 'skelvar.drawList().ops.some((op) => op.alpha > 0 && op.alpha < 255)');
  await page.key('up', 'ArrowRight');
  check(raced, 'the run taken with 競う is raced from the next run');
}

// A run won in a stepped page: its own button sends it under the name kept.
async function wonHere(engine, board) {
  // The same profile as the first page's: the name is known.
  const page = await engine.newPage({ width: 960, height: 580 });
  await page.open(`${board.url}?step&seed=1`);
  await page.waitFor(`globalThis.skelvar?.stepped && skelvar.picturesLoaded && ${shown('board-open')}`, 30000, 'the stepped page');
  const Codes = { 37: 'ArrowLeft', 38: 'ArrowUp', 39: 'ArrowRight' };
  const events = readFileSync(options.script, 'utf8').split('\n').filter((l) => /^\d/.test(l)).map((l) => l.split(/\s+/));
  let tick = 1;
  for (const [at, type, code] of events) {
    if (Number(at) > tick) await page.eval(`skelvar.step(${Number(at) - tick})`);
    tick = Number(at);
    await page.key(type.slice(3), Codes[code]);
  }
  check(!(await page.eval(shown('board-send'))), 'no send button while the run is on');
  await ticks(page, 200, shown('board-send'));
  await press(page, '#board-send');
  const sent = await page.waitFor("/^\\d+位$/.test(document.getElementById('board-send').textContent) && document.getElementById('board-send').textContent", 20000, 'the sent run\'s rank');
  const mine = await board.api(`board/around?name=${encodeURIComponent('すずめ')}`);
  check(`${mine.rank}位` === sent && mine.entries?.some((e) => e.name === 'すずめ' && e.rank === mine.rank),
    `the run won in the page is sent with its button, under the name kept, and shows its rank (${sent}; the board: ${mine.rank})`);
  return page;
}

async function withBoard(engine) {
  const code = execFileSync(options.replay, ['--save-run', '-', '--ticks', '460', options.script], { encoding: 'utf8' }).trim();
  const board = await startBoard();
  try {
    const page = await engine.newPage({ width: 960, height: 580 });
    await page.open(board.url);
    await pasted(page, board, code);
    await watchedAndRaced(page);
    const won = await wonHere(engine, board);
    await noProblems([page, won], 'the pages served by the board');
  } finally {
    await board.stop();
  }
}

await runSuite('board', {}, async ({ engine, serve, group }) => {
  if (options.board) {
    await group('the page served by the board', () => withBoard(engine));
  } else {
    await group('the page on a static host', () => withoutBoard(engine, serve));
  }
});
