// Fetching the site's files so that a slow or flaky link only makes the start slower: a network
// error, a 5xx or a body cut off half way is tried again after a growing pause, and only a file
// that still cannot be had after the last try fails, with a description a person can act on.
const Attempts = 6;
const FirstPauseMs = 250;
const LongestPauseMs = 4000;

// Pauses after failed tries: 0.25 s, 0.5 s, 1 s, 2 s, 4 s.
export function pauseAfter(attempt) {
  return Math.min(FirstPauseMs * 2 ** (attempt - 1), LongestPauseMs);
}

const sleep = (ms) => new Promise((resolve) => { setTimeout(resolve, ms); });

// A file the page could not have: what it is and why, for the message on the page.
export class LoadError extends Error {
  constructor(url, detail) {
    super(`${url}: ${detail}`);
    this.name = 'LoadError';
    this.url = url;
    this.detail = detail;
  }
}

// A failure worth trying again (the server may answer next time) or not (a missing file).
function transientStatus(status) {
  return status >= 500 || status === 408 || status === 429;
}

// Runs attempt(n) until it succeeds; it throws { retry: false } for failures another try cannot
// mend. The last failure's text becomes the LoadError's detail.
export async function withRetries(url, attempt) {
  for (let n = 1; ; ++n) {
    let detail;
    try {
      return await attempt(n);
    } catch (error) {
      if (error instanceof LoadError) throw error;
      detail = error?.message ? `${error.name}: ${error.message}` : String(error);
      if (error?.retry === false || n >= Attempts) {
        throw new LoadError(url, n > 1 ? `${detail} (after ${n} tries)` : detail);
      }
    }
    await sleep(pauseAfter(n));
  }
}

class StatusError extends Error {
  constructor(response) {
    super(`HTTP ${response.status} ${response.statusText}`.trim());
    this.name = 'HTTPError';
    this.retry = transientStatus(response.status);
  }
}

// Requests started by the page's first small script, before the rest of its code has arrived:
// the first try of a load takes its response from here.
const early = new Map();

export function startEarly(url, priority) {
  if (early.has(url)) return;
  const response = fetch(url, { priority });
  response.catch(() => {});
  early.set(url, response);
}

// One request's response, or a StatusError for an answer that is not 2xx. A retry asks the
// server again instead of trusting a cached copy. priority ('high', 'auto' or 'low') orders the
// requests that share the link without leaving it idle.
export async function request(url, n, priority = 'auto') {
  const started = n === 1 ? early.get(url) : undefined;
  if (started) {
    early.delete(url);
    const response = await started;
    if (!response.ok) throw new StatusError(response);
    return response;
  }
  const response = await fetch(url, { cache: n > 1 ? 'no-cache' : 'default', priority });
  if (!response.ok) throw new StatusError(response);
  return response;
}

// The whole body, counted as it arrives: onBytes(+n) per piece, and back to zero if it breaks off.
export async function readBody(response, onBytes = () => {}) {
  if (!response.body) {
    const bytes = await response.arrayBuffer();
    onBytes(bytes.byteLength);
    return bytes;
  }
  const reader = response.body.getReader();
  const pieces = [];
  let length = 0;
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      pieces.push(value);
      length += value.byteLength;
      onBytes(value.byteLength);
    }
  } catch (error) {
    onBytes(-length);
    throw error;
  }
  const bytes = new Uint8Array(length);
  let at = 0;
  for (const piece of pieces) {
    bytes.set(piece, at);
    at += piece.byteLength;
  }
  return bytes.buffer;
}

// A file's bytes, with retries.
export function fetchBytes(url, onBytes, priority = 'auto') {
  return withRetries(url, async (n) => readBody(await request(url, n, priority), onBytes));
}

// Instantiates the WebAssembly module: compiled while it downloads when the server labels it
// application/wasm, otherwise (or if that fails) from the downloaded bytes, since some servers
// send .wasm as application/octet-stream and streaming compilation refuses that.
export function instantiateWasm(url, imports, onBytes) {
  let streaming = typeof WebAssembly.instantiateStreaming === 'function';
  return withRetries(url, async (n) => {
    const response = await request(url, n, 'high');
    const type = (response.headers.get('content-type') ?? '').split(';')[0].trim().toLowerCase();
    if (streaming && type === 'application/wasm') {
      const size = Number(response.headers.get('content-length')) || 0;
      try {
        const result = await WebAssembly.instantiateStreaming(response.clone(), imports);
        onBytes(size);
        return result;
      } catch (error) {
        if (error instanceof WebAssembly.LinkError) throw Object.assign(error, { retry: false });
        // From the bytes then, on this try and every later one.
        streaming = false;
      }
    }
    const bytes = await readBody(response, onBytes);
    try {
      return await WebAssembly.instantiate(bytes, imports);
    } catch (error) {
      // Bytes that arrived whole but do not compile are not the link's fault.
      throw Object.assign(error, { retry: false });
    }
  });
}
