// The player's record (its best run's code with it) and settings in the page: one localStorage
// entry, JSON with a version. What a record is and how two come together are the game's rules:
// the page reads the entry again before every write, the game merges what this page added into
// the record there, and the page stores what it gives, so two tabs keep the better best time and
// every run. The last run is kept apart, in an entry of its own written once when a run ends, as
// the replay tool's script. Storage that is missing, disabled or full (a private window, a
// portal's sandboxed frame) is caught, and the game plays on with the record in memory only.
const Key = 'skelvar';
const LastRunKey = 'skelvar.last-run';
const Version = 1;

function pageStorage() {
  try {
    return globalThis.localStorage ?? null;
  } catch {
    // Merely looking at localStorage throws in a sandboxed frame.
    return null;
  }
}

const recordOf = (entry) => ({
  best: entry.best ?? null, runs: entry.runs ?? 0, clears: entry.clears ?? 0, bestRun: entry.bestRun ?? '',
});

// Whether the entry's fields have their kinds; whether its numbers are a record is the game's to
// say.
function wellFormed(entry) {
  const number = (v) => v === undefined || typeof v === 'number';
  return entry?.version === Version && number(entry.runs) && number(entry.clears) &&
    (entry.best === null || number(entry.best)) &&
    (entry.muted === undefined || typeof entry.muted === 'boolean') &&
    (entry.ghost === undefined || typeof entry.ghost === 'boolean') &&
    (entry.bestRun === undefined || typeof entry.bestRun === 'string');
}

// The entry as stored, or an empty one. A damaged entry is kept aside under its own key once.
function readEntry(storage, game) {
  const text = storage.getItem(Key);
  if (text === null) return { version: Version };
  try {
    const entry = JSON.parse(text);
    if (wellFormed(entry) && game.validRecord(recordOf(entry))) return entry;
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

export class Records {
  // changed() runs when the scene changed because another tab kept a record.
  constructor(game, changed, storage = pageStorage()) {
    this.game = game;
    this.storage = storage;
    game.keptRecord(recordOf(this.read()));
    globalThis.addEventListener?.('storage', (event) => {
      if (event.key !== Key && event.key !== null) return;
      game.keptRecord(recordOf(this.read()));
      changed();
    });
  }

  read() {
    if (!this.storage) return { version: Version };
    try {
      return readEntry(this.storage, this.game);
    } catch {
      return { version: Version };
    }
  }

  // Reads, changes and writes the entry; keys it does not know stay. Null when storage fails.
  update(change) {
    if (!this.storage) return null;
    try {
      const entry = readEntry(this.storage, this.game);
      // An earlier page kept the last run here; it has an entry of its own now.
      delete entry.lastRun;
      change(entry);
      this.storage.setItem(Key, JSON.stringify(entry));
      return entry;
    } catch (error) {
      console.warn(`skelvar: the record cannot be kept in this page's storage: ${error.message}`);
      return null;
    }
  }

  // A run started or a clear showed: written at once, as the game merges it into the entry.
  store() {
    let record = null;
    const entry = this.update((e) => {
      record = this.game.mergedRecord(recordOf(e));
      const { bestRun, ...numbers } = record;
      Object.assign(e, numbers);
      if (bestRun) {
        e.bestRun = bestRun;
      } else {
        delete e.bestRun;
      }
    });
    if (entry) this.game.recordSaved(record);
  }

  // A run ended: its code replaces the last one kept. A run too long for a code keeps nothing, and
  // the run before it is not kept as if it were this one.
  keepRun(script) {
    if (!this.storage) return;
    try {
      if (script) {
        this.storage.setItem(LastRunKey, script);
      } else {
        this.storage.removeItem(LastRunKey);
      }
    } catch (error) {
      console.warn(`skelvar: the last run cannot be kept in this page's storage: ${error.message}`);
    }
  }

  // The player's settings, kept in the same entry: { muted, ghost } (a raced run's girl shown).
  settings() {
    const entry = this.read();
    return { muted: entry.muted === true, ghost: entry.ghost !== false };
  }

  // Writes only the values given that differ from the ones kept.
  saveSettings(settings) {
    const kept = this.settings();
    const changed = Object.entries(settings).filter(([name, value]) => kept[name] !== value);
    if (changed.length === 0) return;
    this.update((e) => { for (const [name, value] of changed) e[name] = value; });
  }
}
