// The player as the board knows them, kept in the page's storage beside the record, each in an
// entry of its own: the secret key that holds their name (made once, never put in a URL), the
// name, and the runs sent while offline. Storage that is missing or refused keeps them in memory
// for this visit only.
const Entries = { key: 'skelvar.board-key', name: 'skelvar.board-name', waiting: 'skelvar.board-waiting' };
// Runs waiting for the network, at most this many: the newest are kept.
const MaxWaiting = 20;

function storage() {
  try {
    return globalThis.localStorage ?? null;
  } catch {
    return null;
  }
}

// 24 random bytes as 32 characters of base64url.
function newKey() {
  const bytes = crypto.getRandomValues(new Uint8Array(24));
  return btoa(String.fromCharCode(...bytes)).replace(/\+/g, '-').replace(/\//g, '_');
}

export class Player {
  constructor() {
    this.memory = new Map();
  }

  read(entry) {
    try {
      return storage()?.getItem(Entries[entry]) ?? this.memory.get(entry) ?? null;
    } catch {
      return this.memory.get(entry) ?? null;
    }
  }

  write(entry, value) {
    this.memory.set(entry, value);
    try {
      if (value === null) storage()?.removeItem(Entries[entry]);
      else storage()?.setItem(Entries[entry], value);
    } catch {
      // Kept in memory only.
    }
  }

  // Made the first time a run is sent, so a page that never sends one stores nothing.
  key() {
    let key = this.read('key');
    if (!/^[A-Za-z0-9_-]{16,64}$/.test(key ?? '')) {
      key = newKey();
      this.write('key', key);
    }
    return key;
  }

  name() { return this.read('name') ?? ''; }
  setName(name) { this.write('name', name || null); }

  // The runs sent while offline: [{ code, name }], oldest first.
  waiting() {
    try {
      const list = JSON.parse(this.read('waiting') ?? '[]');
      return Array.isArray(list) ? list.filter((r) => typeof r?.code === 'string' && typeof r.name === 'string') : [];
    } catch {
      return [];
    }
  }

  keepWaiting(run) {
    const list = this.waiting().filter((r) => r.code !== run.code);
    list.push(run);
    this.setWaiting(list.slice(-MaxWaiting));
  }

  setWaiting(list) { this.write('waiting', list.length ? JSON.stringify(list) : null); }
}

// A name the board takes: 1 to 12 characters after NFKC, none of them a control, format or
// private-use character. The board checks again; this saves a round trip.
export function nameProblem(text) {
  const name = text.trim().normalize('NFKC');
  const length = [...name].length;
  if (length === 0) return '名前を入れてください';
  if (length > 12) return '名前は12文字までです';
  if (/[\p{Cc}\p{Cf}\p{Co}]/u.test(name)) return 'その文字は名前に使えません';
  return '';
}
