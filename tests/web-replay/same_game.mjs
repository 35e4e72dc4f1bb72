// Same game: the replay tool compiled to WebAssembly and run by plain node gives byte for byte the
// native tool's output (standard output, standard error and exit status) on the test suite's own
// scripts, on the README's example, on long random runs and on malformed scripts and options.
//   node same_game.mjs --web build-web/skelvar-replay.js --native build/skelvar-replay
//                      [--tests DIR] [--readme README.md] [--node NODE]
import { spawn } from 'node:child_process';
import {
  closeSync, existsSync, mkdtempSync, openSync, readFileSync, readdirSync, rmSync, statSync,
  writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

function parseArguments(argv) {
  const options = { node: process.execPath, tests: null, readme: null };
  for (let i = 0; i < argv.length; i += 2) {
    const name = argv[i].replace(/^--/, '');
    if (!['web', 'native', 'tests', 'readme', 'node'].includes(name) || i + 1 >= argv.length) {
      throw new Error(`usage: same_game.mjs --web JS --native BINARY [--tests DIR] ` +
                      `[--readme FILE] [--node NODE] (at '${argv[i]}')`);
    }
    options[name] = argv[i + 1];
  }
  if (!options.web || !options.native) throw new Error('--web and --native are both needed');
  for (const file of [options.web, options.native]) {
    if (!existsSync(file)) throw new Error(`${file} is missing: build both trees first`);
  }
  return options;
}

// A deterministic generator, so that a failure can be run again as it was.
function makeRandom(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  return {
    next,
    below: (n) => Math.floor(next() * n),
    between: (lo, hi) => lo + Math.floor(next() * (hi - lo + 1)),
    pick: (list) => list[Math.floor(next() * list.length)],
  };
}

// A long random run: keys pressed and held (mostly the game's own, sometimes any code), clicks and
// moves in and around the client area, resizes, and Esc now and then, which at the menu closes
// the window and ends the run early.
function randomScript(seed, ticks, escChance) {
  const r = makeRandom(seed);
  const gameKeys = [37, 38, 39, 40, 13, 32];
  const lines = [`# random run ${seed}`];
  let width = 944, height = 542;
  for (let t = 1; t <= ticks; t += r.below(12)) {
    const roll = r.next();
    if (roll < 0.45) {
      const any = r.below(256);
      const key = r.next() < 0.9 ? r.pick(gameKeys) : any === 27 && escChance === 0 ? 28 : any;
      lines.push(`${t} keydown ${key}`);
      if (r.next() < 0.5) lines.push(`${t} keydown ${key}`);  // the key repeat
      lines.push(`${t + 1 + r.below(40)} keyup ${key}`);
    } else if (roll < 0.6) {
      lines.push(`${t} mousemove ${r.between(-50, width + 50)} ${r.between(-50, height + 50)}`);
    } else if (roll < 0.72) {
      lines.push(`${t} click ${r.between(-20, width + 20)} ${r.between(-20, height + 20)}`);
    } else if (roll < 0.74) {
      width = r.next() < 0.2 ? r.between(1, 200) : r.between(400, 2600);
      height = r.next() < 0.2 ? r.between(1, 150) : r.between(300, 1600);
      lines.push(`${t} resize ${width} ${height}`);
    } else if (roll < 0.74 + escChance) {
      lines.push(`${t} keydown 27`, `${t + 1} keyup 27`);
    }
  }
  // Release stamps may run past later presses: the script's stamps never go down.
  lines.sort((a, b) => (parseInt(a, 10) || 0) - (parseInt(b, 10) || 0));
  // Comments, blank lines and trailing remarks here and there, as a person writes them.
  const remarked = lines.map((l, i) => {
    if (i % 97 === 5) return `${l}   # note ${i}`;
    if (i % 211 === 7) return `\n# part ${i}\n${l}`;
    return l;
  });
  return remarked.join('\n') + '\n';
}

// A valid script with one line broken in one of the ways a hand-written script goes wrong (or only
// odd, like a window of no width).
function malformedScript(seed) {
  const r = makeRandom(seed);
  const lines = randomScript(seed, 3000, 0).split('\n').filter((l) => /^\d/.test(l));
  const at = r.below(lines.length);
  const tick = parseInt(lines[at], 10);
  const breakages = [
    () => `${tick} jump`,
    () => `${tick} keydown`,
    () => `${tick} click 5`,
    () => `${tick} click 5 6 7`,
    () => `${tick} resize 10 20 30 40 50`,
    () => `${tick} keydown 256`,
    () => `${tick} keydown -1`,
    () => `${tick} resize 0 100`,
    () => `${tick} mousemove 2000000 0`,
    () => `0 keydown 39`,
    () => `${tick + 100000} keydown 39\n${tick} keyup 39`,
    () => `x${tick} keydown 39`,
    () => `${tick} keydown 3x`,
    () => `${tick} keydown 99999999999999999999999999`,
    () => `${tick} keydown 3\0`,
    () => `${tick} \x01\x1b[2J keydown 3`,
    () => `${tick} keydown ${'9'.repeat(5000)}`,
    () => ' '.repeat(5000),
    () => Array.from({ length: r.between(1, 60) }, () => String.fromCharCode(r.below(256)))
      .join(''),
  ];
  lines[at] = breakages[seed % breakages.length]();
  return lines.join(r.next() < 0.2 ? '\r\n' : '\n') + '\n';
}

// The tests' own script files (any *.txt under the test directories that reads as a script).
function scriptFiles(dir) {
  if (!dir) return [];
  const found = [];
  const walk = (d) => {
    for (const name of readdirSync(d).sort()) {
      const path = join(d, name);
      if (statSync(path).isDirectory()) walk(path);
      else if (name.endsWith('.txt')) found.push(path);
    }
  };
  walk(dir);
  return found;
}

// The README's example scripts: fenced blocks whose lines are all events or comments.
function readmeScripts(readme) {
  if (!readme) return [];
  const blocks = readFileSync(readme, 'utf8').split('```').filter((_, i) => i % 2 === 1);
  return blocks.filter((b) => {
    const lines = b.split('\n').slice(1).filter((l) => l.trim());
    const event = /^\d+ (keydown|keyup|mousemove|click|resize)\b/;
    return lines.length > 0 && lines.every((l) => event.test(l));
  }).map((b) => b.split('\n').slice(1).join('\n'));
}

// Compares two byte streams as they arrive, holding back the faster one, and remembers the line
// of the first difference.
class StreamComparison {
  constructor(streams) {
    this.pending = [Buffer.alloc(0), Buffer.alloc(0)];
    this.ended = [false, false];
    this.streams = streams;
    this.line = 1;
    this.bytes = 0;
    this.difference = null;
    streams.forEach((s, i) => {
      s.on('data', (chunk) => this.take(i, chunk));
      s.on('end', () => {
        this.ended[i] = true;
        this.settle();
      });
    });
  }

  take(i, chunk) {
    this.pending[i] = this.pending[i].length ? Buffer.concat([this.pending[i], chunk]) : chunk;
    this.settle();
  }

  settle() {
    if (this.difference === null) {
      const [a, b] = this.pending;
      const n = Math.min(a.length, b.length);
      for (let k = 0; k < n; ++k) {
        if (a[k] !== b[k]) {
          this.difference = this.describe(a, b, k);
          break;
        }
        if (a[k] === 10) ++this.line;
      }
      this.bytes += n;
      this.pending = [a.subarray(n), b.subarray(n)];
      const short = [0, 1].find((i) => this.ended[i] && this.pending[1 - i].length > 0);
      if (this.difference === null && short !== undefined) {
        this.difference = `line ${this.line}: the ${short ? 'native' : 'web'} output ends first`;
      }
    }
    // Once they differ, the rest is only drained; until then a stream far ahead waits.
    if (this.difference !== null) this.pending = [Buffer.alloc(0), Buffer.alloc(0)];
    this.streams.forEach((s, i) => {
      if (this.difference === null && this.pending[i].length > 1 << 22) s.pause();
      else s.resume();
    });
  }

  describe(a, b, k) {
    const show = (x) => JSON.stringify(x.subarray(Math.max(0, k - 60), k + 60).toString('utf8'));
    return `line ${this.line}, byte ${this.bytes + k}:\n` +
           `    web    ${show(a)}\n    native ${show(b)}`;
  }
}

// Runs one program with the case's arguments and its script on standard input: piped, or the
// script file itself as standard input when the case opened one.
function start(command, args, input, stdinFd) {
  const stdin = stdinFd ?? 'pipe';
  const child = spawn(command[0], [...command.slice(1), ...args],
                      { stdio: [stdin, 'pipe', 'pipe'] });
  if (stdin === 'pipe') {
    child.stdin.on('error', () => {});  // the tool may stop reading at a bad line
    child.stdin.end(input ?? '');
  }
  const stderr = [];
  child.stderr.on('data', (c) => stderr.push(c));
  const done = new Promise((resolve) => {
    child.on('close', (code, signal) => resolve({ code, signal, stderr: Buffer.concat(stderr) }));
  });
  return { child, done };
}

// The one difference the two builds may have: the native tool can also render frames, and says so
// in its usage line.
const renderUsage = '[--render DIR [--render-every K | --render-fps F]] ';
function withoutRender(buffer) {
  return Buffer.from(buffer.toString('latin1').split(renderUsage).join(''), 'latin1');
}

async function runCase(options, c) {
  const fds = c.stdinFile ? [openSync(c.stdinFile, 'r'), openSync(c.stdinFile, 'r')] : [];
  // A run with sound writes it to a file of each build's own.
  const wav = (build) => (c.audio ? ['--audio', `${c.audio}.${build}.wav`] : []);
  const web = start([options.node, options.web], [...wav('web'), ...c.args], c.input, fds[0]);
  const native = start([options.native], [...wav('native'), ...c.args], c.input, fds[1]);
  const problems = [];
  let lines = 0;
  if (c.usage) {
    const collect = (s) => {
      const parts = [];
      s.on('data', (d) => parts.push(d));
      return () => Buffer.concat(parts);
    };
    const webOut = collect(web.child.stdout), nativeOut = collect(native.child.stdout);
    await Promise.all([web.done, native.done]);
    const a = webOut(), b = withoutRender(nativeOut());
    if (!a.equals(b)) {
      problems.push(`standard output: web ${JSON.stringify(a.toString())}, ` +
                    `native ${JSON.stringify(b.toString())}`);
    }
  } else {
    const comparison = new StreamComparison([web.child.stdout, native.child.stdout]);
    await Promise.all([web.done, native.done]);
    if (comparison.difference) problems.push(`standard output differs at ${comparison.difference}`);
    lines = comparison.line - 1;
  }
  const [w, n] = await Promise.all([web.done, native.done]);
  fds.forEach((fd) => closeSync(fd));
  const nativeErr = c.usage ? withoutRender(n.stderr) : n.stderr;
  if (!w.stderr.equals(nativeErr)) {
    problems.push(`standard error: web ${JSON.stringify(w.stderr.toString())}, ` +
                  `native ${JSON.stringify(nativeErr.toString())}`);
  }
  if (w.code !== n.code || w.signal !== n.signal) {
    problems.push(`exit: web ${w.code ?? w.signal}, native ${n.code ?? n.signal}`);
  }
  if (c.audio) problems.push(...compareSound(c));
  return { problems, lines, status: n.code, stderr: n.stderr };
}

// Both builds' WAV files of a run: the same bytes, as long as the run, never past -1 dBFS.
function compareSound(c) {
  const [web, native] = ['web', 'native'].map((b) => readFileSync(`${c.audio}.${b}.wav`));
  const problems = [];
  if (!web.equals(native)) problems.push(`the sound differs (${web.length} and ${native.length} bytes)`);
  const ticks = Number(c.args[c.args.indexOf('--ticks') + 1]);
  if (native.length !== 44 + ticks * 4800) problems.push(`the sound holds ${native.length} bytes`);
  let peak = 0, loud = 0;
  for (let i = 44; i + 1 < native.length; i += 2) {
    const v = Math.abs(native.readInt16LE(i));
    peak = Math.max(peak, v);
    if (v > 1000) ++loud;
  }
  if (peak > 29204) problems.push(`the sound peaks at ${peak}`);
  if (loud === 0) problems.push('the sound is silent');
  return problems;
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  const dir = mkdtempSync(join(tmpdir(), 'skelvar-same-game-'));
  const file = (name, text) => {
    const path = join(dir, name);
    writeFileSync(path, text);
    return path;
  };
  const cases = [];
  const add = (name, args, script, how = 'pipe', extra = {}) => {
    const c = { name, args: [...args], input: null, stdinFile: null, ...extra };
    if (script !== null) {
      if (how === 'path') c.args.push(file(`${cases.length}.txt`, script));
      else if (how === 'stdin-file') c.stdinFile = file(`${cases.length}.txt`, script);
      else c.input = script;
    }
    cases.push(c);
  };

  // The unit tests' whole-tool runs, as they give them.
  const jump = '1 keydown 38\n2 keyup 38\n3 keydown 38\n4 keyup 38\n';
  add('jump', ['--ticks', '20'], jump);
  add('held keys', ['--ticks', '3'], '1 keydown 37\n1 keydown 39\n2 keydown 39\n');
  add('quiet client', ['--quiet', '--ticks', '50', '--client', '1000x600'], '');
  add('closing', ['--ticks', '100'], '4 keydown 27\n');
  for (const seed of ['1', '2', '3', '4', '5', '7', '4294967295', '0']) {
    add(`seed ${seed}`, ['--quiet', '--ticks', '60', '--seed', seed], '1 keydown 39\n');
  }
  add('late events', ['--ticks', '5'], '6 keydown 27\n');
  add('no ticks', ['--ticks', '0'], jump);
  add('default ticks', [], jump, 'path');
  add('comments and blank lines', ['--ticks', '12'],
      '# a run\n\n1 keydown 39   # hold right\n1\tclick 10 -20\n5 keyup 39\r\n' +
      '7 mousemove 300 40\n7 resize 1200 700\n');
  add('byte order mark', ['--ticks', '4'], '\xEF\xBB\xBF1 keydown 38\r\n2 keyup 38\r\n');
  add('tiny client', ['--ticks', '30', '--client', '1x1'], jump);
  add('largest client', ['--ticks', '30', '--client', '32767x32767'], jump);

  // Bad options, files and lines: one line on standard error and status 2, alike.
  const bad = [
    ['--ticks', '-1'], ['--ticks'], ['--ticks', '2000000001'], ['--ticks', '12x'],
    ['--seed', '4294967296'], ['--seed', '-1'], ['--frobnicate'], ['--client', '0x10'],
    ['--client', '800'], ['--client', '32768x10'], ['--client', 'x'],
    ['--help'], ['-h'], ['a.txt', 'b.txt'], [join(dir, 'missing.txt')], [dir], ['-'],
  ];
  for (const args of bad) add(`options ${args.join(' ')}`, args, jump, 'pipe', { usage: true });
  const badLines = ['1 keydown 39\n2 sing\n', '3 keydown 39\n2 keyup 39\n', '0 keydown 39\n',
                    '1 keydown', '1 click 3 4 5 6 7', '1 keydown 3\0\n', ''];
  badLines.forEach((s, i) => add(`bad line ${i}`, [], s, i % 2 ? 'path' : 'pipe'));
  for (let seed = 1; seed <= 38; ++seed) {
    add(`malformed ${seed}`, ['--ticks', '4000'], malformedScript(seed),
        ['pipe', 'path', 'stdin-file'][seed % 3]);
  }

  // Big hostile files: random bytes, and one endless-looking line.
  const noise = makeRandom(99);
  const noiseBytes = Buffer.from(Array.from({ length: 3 << 20 }, () => noise.below(256)));
  add('three megabytes of noise', [], noiseBytes, 'path');
  const longLine = `1 keydown ${'9'.repeat(5 << 20)}\n`;
  add('a five megabyte line', ['--ticks', '10'], longLine, 'stdin-file');
  add('a five megabyte line, piped', ['--ticks', '10'], longLine);

  // The suite's script files and the README's examples.
  for (const path of scriptFiles(options.tests)) {
    add(`file ${path}`, ['--ticks', '400', path], null);
    add(`file ${path} on standard input`, ['--ticks', '400'], readFileSync(path, 'latin1'));
  }
  readmeScripts(options.readme)
    .forEach((s, i) => add(`README example ${i + 1}`, ['--ticks', '40'], s));

  // Long random runs that never press Esc (more than 200,000 ticks in all, every tick's line
  // compared), and runs that press it now and then until the window closes.
  const runs = [
    [11, 110000, 0], [12, 100000, 0], [13, 40000, 0.01], [14, 20000, 0.05], [16, 20000, 0.1],
    [17, 20000, 0.2],
  ];
  for (const [seed, ticks, esc] of runs) {
    add(`random ${seed}`, ['--ticks', String(ticks), '--seed', String(seed)],
        randomScript(seed, ticks, esc), ['path', 'pipe', 'stdin-file'][seed % 3]);
  }
  // Sound too: the same WAV file from both builds.
  add('jump heard', ['--ticks', '300'], '1 keydown 39\n20 keydown 38\n21 keyup 38\n',
      'pipe', { audio: join(dir, 'jump') });
  add('random heard', ['--quiet', '--ticks', '20000', '--seed', '21'],
      randomScript(21, 20000, 0), 'path', { audio: join(dir, 'random') });
  add('random quiet', ['--quiet', '--ticks', '100000', '--client', '1280x720'],
      randomScript(15, 100000, 0), 'path');

  let failures = 0, lines = 0, errors = 0, closed = 0;
  for (const c of cases) {
    const r = await runCase(options, c);
    lines += r.lines;
    if (r.status === 2 && r.stderr.length) ++errors;
    if (c.name.startsWith('random')) {
      if (r.lines > 0 && r.lines < Number(c.args[1])) ++closed;
      console.log(`${c.name}: ${r.lines} lines`);
    }
    if (r.problems.length) {
      ++failures;
      console.log(`FAIL ${c.name}:\n  ${r.problems.join('\n  ')}`);
    }
  }
  rmSync(dir, { recursive: true, force: true });
  console.log(`${cases.length} cases, ${lines} lines of state compared, ${errors} error exits, ` +
              `${closed} random runs closed early, ${failures} differing`);
  if (lines < 200000) {
    console.log(`FAIL: only ${lines} lines compared`);
    ++failures;
  }
  if (errors < 40) {
    console.log(`FAIL: only ${errors} malformed inputs were refused`);
    ++failures;
  }
  process.exitCode = failures ? 1 : 0;
}

main().catch((e) => {
  console.error(`same_game: ${e.message}`);
  process.exitCode = 1;
});
