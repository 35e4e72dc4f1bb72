// The player's record and settings in the page: one localStorage entry, JSON with a version, read
// again and merged before every write so that two tabs keep the better best time and every run.
// Storage that is missing, disabled or full (a private window, a portal's sandboxed frame) is
// caught, and the game plays on with the record in memory only.
const Key = 'skelvar';
const Version = 1;

function pageStorage() {
  try {
    return globalThis.localStorage ?? null;
  } catch {
    // Merely looking at localStorage throws in a sandboxed frame.
    return null;
  }
}

const isCount = (n) => Number.isSafeInteger(n) && n >= 0;

// The entry as stored, or an empty one. A damaged entry is kept aside under its own key once.
function readEntry(storage) {
  const text = storage.getItem(Key);
  if (text === null) return { version: Version };
  try {
    const entry = JSON.parse(text);
    const counts = ['runs', 'clears'].every((k) => entry[k] === undefined || isCount(entry[k]));
    const best = entry.best === undefined || entry.best === null || isCount(entry.best);
    const muted = entry.muted === undefined || typeof entry.muted === 'boolean';
    if (entry?.version === Version && counts && best && muted) return entry;
  } catch {
    // Not JSON: damaged as well.
  }
  // Under a name not yet taken, so an earlier damaged entry is never overwritten.
  let aside = `${Key}.damaged`;
  for (let n = 2; storage.getItem(aside) !== null; ++n) aside = `${Key}.${n}.damaged`;
  storage.setItem(aside, text);
  storage.removeItem(Key);
  console.warn(`skelvar: the stored record was damaged; kept as "${aside}", starting afresh`);
  return { version: Version };
}

const recordOf = (entry) => ({ best: entry.best ?? null, runs: entry.runs ?? 0, clears: entry.clears ?? 0 });

// The kept record merged with what a page added: the better time, the counts added up.
export function merged(kept, added) {
  const best = [kept.best, added.best].filter((b) => b !== null);
  return {
    best: best.length ? Math.min(...best) : null,
    runs: kept.runs + added.runs,
    clears: kept.clears + added.clears,
  };
}

// Reads, changes and writes the entry; keys it does not know stay. False when storage fails.
function update(storage, change) {
  if (!storage) return null;
  try {
    const entry = readEntry(storage);
    change(entry);
    storage.setItem(Key, JSON.stringify(entry));
    return entry;
  } catch (error) {
    console.warn(`skelvar: the record cannot be kept in this page's storage: ${error.message}`);
    return null;
  }
}

function read(storage) {
  if (!storage) return { version: Version };
  try {
    return readEntry(storage);
  } catch {
    return { version: Version };
  }
}

export class Records {
  // changed() runs when the scene changed because another tab kept a record.
  constructor(game, changed, storage = pageStorage()) {
    this.game = game;
    this.storage = storage;
    game.refreshRecord(recordOf(read(storage)));
    globalThis.addEventListener?.('storage', (event) => {
      if (event.key !== Key && event.key !== null) return;
      game.refreshRecord(recordOf(read(storage)));
      changed();
    });
  }

  // After every tick: a run started or a clear shown is written at once.
  follow() {
    if (!this.game.followRecord()) return;
    const added = this.game.unsavedRecord();
    let record = null;
    const entry = update(this.storage, (e) => {
      record = merged(recordOf(e), added);
      Object.assign(e, record);
    });
    if (entry) this.game.recordSaved(record);
  }
}

// The player's settings, kept in the same entry: { muted }.
export function loadSettings(storage = pageStorage()) {
  return { muted: read(storage).muted === true };
}

// Writes only a value that differs from the one kept.
export function saveSettings(settings, storage = pageStorage()) {
  if (loadSettings(storage).muted === settings.muted) return;
  update(storage, (e) => { e.muted = settings.muted; });
}
