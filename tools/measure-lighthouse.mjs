// Scores the built page with Lighthouse (pinned in tools/lighthouse/) on its mobile preset, in
// Debian's Chromium: accessibility, best practices and SEO, each of which should be 100. Every
// audit that lost points is listed below the scores.
//   node tools/measure-lighthouse.mjs [build-web/site]
// The first run installs Lighthouse from its lock file (npm ci) into tools/lighthouse/node_modules.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { requireSite } from '../tests/web/harness.mjs';
import { serveSite } from '../tests/web/server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const site = process.argv[2] ?? join(here, '..', 'build-web', 'site');
requireSite('measure-lighthouse', site);
const chrome = process.env.CHROME_PATH || '/usr/bin/chromium';
if (!existsSync(chrome)) {
  console.error(`measure-lighthouse: no Chromium at ${chrome} (set CHROME_PATH)`);
  process.exit(2);
}

const tool = join(here, 'lighthouse');
const cli = join(tool, 'node_modules', 'lighthouse', 'cli', 'index.js');
if (!existsSync(cli)) {
  console.log('installing Lighthouse from tools/lighthouse/package-lock.json');
  execFileSync('npm', ['ci', '--ignore-scripts', '--no-audit', '--no-fund'], { cwd: tool, stdio: 'inherit' });
}
const version = JSON.parse(readFileSync(join(tool, 'node_modules', 'lighthouse', 'package.json'), 'utf8')).version;

const categories = ['accessibility', 'best-practices', 'seo'];
const flags = ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-extensions', '--mute-audio'];
const out = mkdtempSync(join(tmpdir(), 'skelvar-lighthouse-'));
const server = await serveSite(site);
let status = 0;
try {
  const report = join(out, 'report.json');
  execFileSync(process.execPath, [cli, server.url, '--quiet', '--output=json', `--output-path=${report}`,
    `--only-categories=${categories.join(',')}`, `--chrome-flags=${flags.join(' ')}`],
  { env: { ...process.env, CHROME_PATH: chrome }, stdio: ['ignore', 'inherit', 'inherit'] });
  const result = JSON.parse(readFileSync(report, 'utf8'));
  console.log(`Lighthouse ${version} (${result.configSettings.formFactor}), ${result.environment.hostUserAgent}`);
  for (const id of categories) {
    const category = result.categories[id];
    const score = Math.round(category.score * 100);
    console.log(`${category.title}: ${score}`);
    if (score < 100) status = 1;
    for (const ref of category.auditRefs) {
      const audit = result.audits[ref.id];
      if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
        console.log(`  lost: ${audit.id}: ${audit.title}`);
      }
    }
  }
} finally {
  await server.stop();
  rmSync(out, { recursive: true, force: true });
}
process.exit(status);
