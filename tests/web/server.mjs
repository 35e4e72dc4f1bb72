// A static file server on 127.0.0.1 with keep-alive connections, as a real static host answers,
// and with the faults the loading tests need: a folder to serve the site from, a wrong type for
// some files, files that are missing, a switch to make every request fail, a script put into the
// pages before their own, and a log of every answer's status.
import { createServer } from 'node:http';
import { gzipSync } from 'node:zlib';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const Types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.wasm': 'application/wasm',
  '.woff2': 'font/woff2',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.svg': 'image/svg+xml',
  '.txt': 'text/plain; charset=utf-8',
  '.ico': 'image/x-icon',
  '.zip': 'application/zip',
};

// Text and code go compressed when the browser accepts it, as static hosts send them; pictures
// and the font are compressed already.
const Compressible = new Set(['.html', '.js', '.mjs', '.css', '.json', '.webmanifest', '.wasm',
  '.svg', '.txt']);

// Serves dir under prefix ('/' or '/some/folder/'). Options: types overrides the type by file
// extension; fail(path) returns a status to answer instead of the file (or 0), or -1 to drop the
// connection unanswered as an unreachable server does; gzip: false sends everything as stored;
// inject is a script run in every HTML page before the page's own; hold(path) returns a promise to
// wait for before answering (or nothing), as a link that delivers a file late. Resolves to
// { url, stop, requests, answers } where requests lists every path asked for and answers every
// [path, status] sent.
export function serveSite(dir, { prefix = '/', types = {}, fail = () => 0, gzip = true, inject = null, hold = () => null } = {}) {
  const requests = [];
  const answers = [];
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    requests.push(path);
    res.on('finish', () => answers.push([path, res.statusCode]));
    await hold(path);
    const status = fail(path);
    if (status < 0) {
      req.socket.destroy();
      return;
    }
    if (status) {
      res.writeHead(status, { 'content-type': 'text/plain' }).end(`status ${status}\n`);
      return;
    }
    if (!path.startsWith(prefix)) {
      res.writeHead(404).end();
      return;
    }
    let relative = path.slice(prefix.length);
    if (relative === '' || relative.endsWith('/')) relative += 'index.html';
    const file = normalize(join(dir, relative));
    if (!file.startsWith(normalize(dir))) {
      res.writeHead(403).end();
      return;
    }
    try {
      let body = await readFile(file);
      const ext = extname(file);
      if (inject && ext === '.html') {
        body = Buffer.from(body.toString('utf8').replace(/<head>/i, (head) => `${head}\n<script>${inject}</script>`));
      }
      const headers = {
        'content-type': types[ext] ?? Types[ext] ?? 'application/octet-stream',
        'cache-control': 'no-cache',
      };
      if (gzip && Compressible.has(ext) && /\bgzip\b/.test(req.headers['accept-encoding'] ?? '')) {
        body = gzipSync(body);
        headers['content-encoding'] = 'gzip';
        headers.vary = 'accept-encoding';
      }
      headers['content-length'] = body.length;
      res.writeHead(200, headers);
      res.end(req.method === 'HEAD' ? undefined : body);
    } catch {
      res.writeHead(404, { 'content-type': 'text/plain' }).end('not found\n');
    }
  });
  return new Promise((resolve, reject) => {
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      resolve({
        url: `http://127.0.0.1:${port}${prefix}`,
        requests,
        answers,
        stop: () => new Promise((done) => {
          server.closeAllConnections();
          server.close(() => done());
        }),
      });
    });
  });
}
