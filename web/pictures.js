// The stored pictures, fetched once and decoded once by the browser, shared by every component
// that shows them. A frame's key colour (its bottom-left pixel) becomes transparent at load.
export class Pictures {
  constructor(list, onLoaded) {
    this.bitmaps = new Map();
    this.onLoaded = onLoaded;
    this.loads = new Map();
    for (const picture of list) {
      this.loads.set(picture.id, this.load(picture));
    }
  }

  get(id) { return this.bitmaps.get(id); }

  // Resolves when the picture is ready (or failed to load).
  whenLoaded(id) { return this.loads.get(id) ?? Promise.resolve(); }
  whenAllLoaded() { return Promise.all(this.loads.values()); }

  async load({ id, file, keyed }) {
    const response = await fetch(file);
    if (!response.ok) throw new Error(`cannot load ${file}: ${response.status}`);
    const blob = await response.blob();
    const options = { colorSpaceConversion: 'none', premultiplyAlpha: 'none' };
    let bitmap = await createImageBitmap(blob, options);
    if (keyed) bitmap = await keyOut(bitmap);
    this.bitmaps.set(id, bitmap);
    this.onLoaded(id);
  }
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
