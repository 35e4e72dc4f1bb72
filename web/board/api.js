// The board's API, relative to the page: each call gives { status, body } (the body parsed when it
// is JSON, else the text), and throws only when the network does.
const WaitMs = 15000;

async function call(path, init = {}) {
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), WaitMs);
  try {
    const answer = await fetch(`./api/${path}`, { ...init, signal: abort.signal, cache: 'no-store' });
    const text = await answer.text();
    let body = text;
    if (/^application\/json\b/i.test(answer.headers.get('content-type') ?? '')) {
      try {
        body = JSON.parse(text);
      } catch {
        body = null;
      }
    }
    return { status: answer.status, body, retryAfter: Number(answer.headers.get('retry-after')) || 0 };
  } finally {
    clearTimeout(timer);
  }
}

export const sendRun = (code, name, key) => call('runs', {
  method: 'POST', headers: { 'content-type': 'application/json' }, body: JSON.stringify({ code, name, key }),
});
export const topRuns = (limit) => call(`board?limit=${limit}`);
export const placeOf = (name) => call(`board/around?name=${encodeURIComponent(name)}`);
export const runCode = (id) => call(`runs/${encodeURIComponent(id)}`);

// What the player is told of an answer that is not a run kept.
export function refusal({ status, retryAfter }) {
  switch (status) {
    case 400: return 'ランか名前を読み取れませんでした';
    case 409: return 'その名前はほかの人が使っています';
    case 413: return 'ランが長すぎます';
    case 422: return 'クリアしていないか、別の版のランです';
    case 429: return retryAfter ? `${retryAfter}秒ほど待ってから送ってください` : '少し待ってから送ってください';
    case 503: return 'ランキングが混み合っています。少し待ってから送ってください';
    default: return 'ランキングに登録できませんでした';
  }
}
