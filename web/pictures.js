// The stored pictures, each distinct file fetched once and decoded once by the browser, shared by
// every component that shows it. A frame's key colour (its bottom-left pixel) becomes transparent
// at load. Pictures load in the groups the caller asks for, so the ones the game needs first are
// not slowed down by the rest.
import { LoadError, readBody, request, withRetries } from './loader.js';
import { PictureFiles } from './picture-files.js';

export class Pictures {
  // onLoaded(id) after each picture arrives.
  constructor(onLoaded) {
    this.entries = new Map();
    this.bitmaps = new Map();
    this.onLoaded = onLoaded;
    // One load per file and keying, shared by the components that show it; dropped on failure
    // so that a later load tries again.
    this.files = new Map();
    // Files whose bytes are all in and decoded.
    this.fetched = new Set();
    // Pictures of a lower priority are decoded only after these settle, so that they do not
    // hold up the decoding of the pictures the game is waiting for.
    this.gates = new Map();
  }

  // Holds the decoding of the pictures of this priority until done settles (their bytes still
  // come meanwhile).
  decodeAfter(priority, done) {
    this.gates.set(priority, done.then(() => {}, () => {}));
  }

  // The game's pictures ({ id, name, keyed }), once the game is there to list them.
  catalogue(list) {
    for (const { id, name, keyed } of list) {
      const [file, bytes] = PictureFiles[name] ?? [null, 0];
      this.entries.set(id, { id, name, keyed, file, bytes });
    }
  }

  // Starts fetching pictures by their component names before the game can list them; a bitmap
  // waits for the component that shows it. Resolves when every one of them has settled, in or
  // not.
  prefetch(names, keyed, onBytes, priority) {
    const loads = [];
    for (const name of names) {
      const [file] = PictureFiles[name] ?? [null];
      if (file) loads.push(this.file({ file, keyed }, onBytes, priority));
    }
    return Promise.allSettled(loads);
  }

  // The bytes of these components' files still to come, each distinct file once.
  static bytesToCome(names, fetched = new Set()) {
    const files = new Map();
    for (const name of names) {
      const [file, size] = PictureFiles[name] ?? [null, 0];
      if (file && !fetched.has(file)) files.set(file, size);
    }
    return [...files.values()].reduce((sum, b) => sum + b, 0);
  }

  bytesToCome(names) { return Pictures.bytesToCome(names, this.fetched); }

  // The stored frames: the pictures the site holds as PNG, converted from the frame bitmaps.
  static frameNames() {
    return Object.keys(PictureFiles).filter((name) => PictureFiles[name][0].endsWith('.png'));
  }

  file(entry, onBytes, priority = 'auto') {
    const key = `${entry.file}|${entry.keyed}`;
    let bitmap = this.files.get(key);
    if (!bitmap) {
      bitmap = decoded(entry, onBytes, priority, this.gates.get(priority));
      this.files.set(key, bitmap);
      bitmap.then(() => this.fetched.add(entry.file), () => this.files.delete(key));
    }
    return bitmap;
  }

  get(id) { return this.bitmaps.get(id); }

  ids(filter = () => true) {
    return [...this.entries.values()].filter(filter).map((e) => e.id);
  }

  get allLoaded() { return this.bitmaps.size === this.entries.size; }

  // Loads these pictures (those not in yet); resolves when all are in, rejects with a LoadError
  // for the first that cannot be had. onBytes counts the bytes as they arrive.
  load(ids, onBytes = () => {}, priority = 'auto') {
    return Promise.all(ids.map((id) => this.loadOne(id, onBytes, priority)));
  }

  async loadOne(id, onBytes, priority) {
    if (this.bitmaps.has(id)) return;
    const entry = this.entries.get(id);
    if (!entry.file) throw new LoadError(entry.name, 'the site has no file for this picture');
    const bitmap = await this.file(entry, onBytes, priority);
    this.bitmaps.set(id, bitmap);
    this.onLoaded(id);
  }
}

// A picture file fetched and decoded; a file that arrives but cannot be decoded (cut short by a
// server, say) is fetched again like one that did not arrive.
function decoded({ file, keyed }, onBytes, priority, gate) {
  return withRetries(file, async (n) => {
    const bytes = await readBody(await request(file, n, priority), onBytes);
    if (gate) await gate;
    const options = { colorSpaceConversion: 'none', premultiplyAlpha: 'none' };
    let bitmap;
    try {
      bitmap = await createImageBitmap(new Blob([bytes]), options);
    } catch (error) {
      onBytes(-bytes.byteLength);
      throw new Error(`cannot decode the picture (${error.message})`);
    }
    return keyed ? keyOut(bitmap) : bitmap;
  });
}

async function keyOut(bitmap) {
  const { width, height } = bitmap;
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  const image = context.getImageData(0, 0, width, height);
  const px = image.data;
  const key = (height - 1) * width * 4;
  const [r, g, b] = [px[key], px[key + 1], px[key + 2]];
  for (let i = 0; i < px.length; i += 4) {
    if (px[i] === r && px[i + 1] === g && px[i + 2] === b) px[i + 3] = 0;
  }
  return createImageBitmap(image);
}
