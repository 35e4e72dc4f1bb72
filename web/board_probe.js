// Whether the page is served by a board, asked once: only the board's own answer counts, a JSON
// body naming it with this page's logic version. A static host's 404, a portal's page, a file
// opened from the zip, a server that is gone or slow, and offline play all mean no board, quietly.
import { LogicVersion } from './game_numbers.js';

const WaitMs = 4000;

export async function boardAnswers() {
  if (!/^https?:$/.test(location.protocol) || navigator.onLine === false) return false;
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), WaitMs);
  try {
    const answer = await fetch('./api/health', { signal: abort.signal, cache: 'no-store' });
    if (!answer.ok || !/^application\/json\b/i.test(answer.headers.get('content-type') ?? '')) return false;
    const body = await answer.json();
    return body?.board === 'skelvar' && body.logic === LogicVersion;
  } catch {
    return false;
  } finally {
    clearTimeout(timer);
  }
}
