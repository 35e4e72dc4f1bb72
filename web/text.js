// The label's font, loaded from the site, and its measure from the canvas's text metrics. The font
// is a nicety, not a need: if it cannot be had the label is drawn in the page's own gothic, as the
// desktop falls back to another face.
import { fetchBytes } from './loader.js';

const Family = 'SkelvarLabel';
const Fallback = 'sans-serif';

export class LabelFont {
  // Starts loading the font file; resolves to true once the face is on the page, or to false
  // (after its retries) when the page has to do with its fallback face.
  static fetchFace(onBytes = () => {}) {
    return fetchBytes('label.woff2', onBytes, 'high')
      .then((bytes) => new FontFace(Family, bytes).load())
      .then((face) => {
        document.fonts.add(face);
        return true;
      })
      .catch((error) => {
        console.warn(`Skelvar: the label font did not load, the fallback face is used (${error.message})`);
        return false;
      });
  }

  static async load(pixels, fetched = LabelFont.fetchFace()) {
    await fetched;
    return new LabelFont(pixels);
  }

  constructor(pixels) {
    this.css = `${pixels}px ${Family}, ${Fallback}`;
    this.context = document.createElement('canvas').getContext('2d');
    this.refresh();
  }

  // Takes the metrics afresh, as when the face arrives after the game started with the fallback.
  refresh() {
    const { context } = this;
    // Set to another font first, so that the same string is looked up again.
    context.font = `1px ${Fallback}`;
    context.font = this.css;
    const metrics = context.measureText('あ');
    this.ascent = metrics.fontBoundingBoxAscent ?? metrics.actualBoundingBoxAscent;
    this.descent = metrics.fontBoundingBoxDescent ?? metrics.actualBoundingBoxDescent;
    this.lineHeight = Math.round(this.ascent + this.descent);
  }

  // [width, height] of one line in the logic's pixels.
  measure(text) {
    return [Math.round(this.context.measureText(text).width), this.lineHeight];
  }
}
