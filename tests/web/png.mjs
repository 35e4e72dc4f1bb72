// Decodes non-interlaced PNGs into RGBA pixels: the 8-bit screenshots Chromium takes and the
// site's palette pictures (1, 2, 4 or 8 bits a pixel).
import { inflateSync } from 'node:zlib';

export function decodePng(buffer) {
  if (buffer.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
  let pos = 8;
  let width = 0;
  let height = 0;
  let channels = 0;
  let depth = 8;
  let palette = null;
  const data = [];
  while (pos < buffer.length) {
    const length = buffer.readUInt32BE(pos);
    const type = buffer.toString('latin1', pos + 4, pos + 8);
    const body = buffer.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      depth = body[8];
      const colour = body[9];
      if (body[12] !== 0) throw new Error('unsupported PNG layout');
      if (colour === 3) {
        if (![1, 2, 4, 8].includes(depth)) throw new Error('unsupported PNG palette depth');
        channels = 1;
        palette = [];
      } else {
        if (depth !== 8) throw new Error('unsupported PNG layout');
        channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[colour];
      }
      if (!channels) throw new Error('unsupported PNG colour type');
    } else if (type === 'PLTE') {
      palette = [];
      for (let i = 0; i + 2 < body.length; i += 3) palette.push([body[i], body[i + 1], body[i + 2]]);
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    pos += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  // Bytes a row and the distance the filters look back (a whole pixel, at least one byte).
  const stride = Math.ceil((width * channels * depth) / 8);
  const step = Math.max(1, (channels * depth) / 8);
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const prev = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= step ? out[i - step] : 0;
      const b = prev[i];
      const c = i >= step ? prev[i - step] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a);
        const pb = Math.abs(p - b);
        const pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[i] = v & 255;
    }
  }
  const rgba = new Uint8Array(width * height * 4);
  if (palette) {
    for (let y = 0; y < height; ++y) {
      for (let x = 0; x < width; ++x) {
        const bit = x * depth;
        const index = (rows[y * stride + (bit >> 3)] >> (8 - depth - (bit & 7))) & ((1 << depth) - 1);
        const colour = palette[index];
        if (!colour) throw new Error('a PNG pixel points past its palette');
        rgba.set([...colour, 255], (y * width + x) * 4);
      }
    }
    return { width, height, pixel: (x, y) => Array.from(rgba.subarray((y * width + x) * 4, (y * width + x) * 4 + 4)) };
  }
  for (let i = 0; i < width * height; ++i) {
    const s = i * channels;
    const grey = channels <= 2;
    rgba[i * 4] = rows[s];
    rgba[i * 4 + 1] = grey ? rows[s] : rows[s + 1];
    rgba[i * 4 + 2] = grey ? rows[s] : rows[s + 2];
    rgba[i * 4 + 3] = channels === 4 ? rows[s + 3] : channels === 2 ? rows[s + 1] : 255;
  }
  return { width, height, pixel: (x, y) => Array.from(rgba.subarray((y * width + x) * 4, (y * width + x) * 4 + 4)) };
}
