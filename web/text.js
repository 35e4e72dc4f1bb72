// The label's font, loaded from the site, and its measure from the canvas's text metrics.
const Family = 'SkelvarLabel';

export class LabelFont {
  // Starts loading the font file; the face is added to the page once it has arrived.
  static fetchFace() {
    const face = new FontFace(Family, 'url(label.woff2)');
    return face.load().then(() => document.fonts.add(face));
  }

  static async load(pixels, fetched = LabelFont.fetchFace()) {
    await fetched;
    return new LabelFont(pixels);
  }

  constructor(pixels) {
    this.css = `${pixels}px ${Family}`;
    const context = document.createElement('canvas').getContext('2d');
    context.font = this.css;
    this.context = context;
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
