// Paints the logic's draw list on the canvas, and nothing else: every drawing rule was decided
// when the list was built.
import { DrawKind } from './game.js';
import { Picture } from './game_numbers.js';

function css(colour) {
  return `#${colour.toString(16).padStart(6, '0')}`;
}

function edgeColour(list, clientWidth, clientHeight) {
  let colour = 0;
  for (const op of list.ops) {
    const [dl, dt, dw, dh] = op.dest;
    if (op.kind === DrawKind.Fill && dl <= 0 && dt <= 0 && dl + dw >= Math.floor(clientWidth) &&
        dt + dh >= Math.floor(clientHeight)) {
      colour = op.colour;
    }
  }
  return colour;
}

export class Painter {
  constructor(canvas, pictures, font) {
    this.context = canvas.getContext('2d', { alpha: false });
    this.pictures = pictures;
    this.font = font;
  }

  // unit: device pixels per logical pixel. A closed game shows its last picture dimmed.
  paint(list, unit, width, height, closed) {
    const c = this.context;
    c.setTransform(1, 0, 0, 1, 0, 0);
    // The client area, rounded to whole logical pixels, may stop a device pixel short of the
    // canvas's edge: that sliver takes the colour of the topmost fill spanning the whole client.
    c.fillStyle = css(edgeColour(list, width / unit, height / unit));
    c.fillRect(0, 0, width, height);
    c.setTransform(unit, 0, 0, unit, 0, 0);
    for (const op of list.ops) {
      const [cl, ct, cw, ch] = op.clip;
      const [dl, dt, dw, dh] = op.dest;
      c.save();
      c.beginPath();
      c.rect(cl, ct, cw, ch);
      c.clip();
      // A raced run's girl is drawn see-through behind the player's.
      c.globalAlpha = op.alpha / 255;
      switch (op.kind) {
        case DrawKind.Fill:
          c.fillStyle = css(op.colour);
          c.fillRect(dl, dt, dw, dh);
          break;
        case DrawKind.Outline:
          c.fillStyle = css(op.colour);
          c.fillRect(dl, dt, dw, 1);
          c.fillRect(dl, dt + dh - 1, dw, 1);
          c.fillRect(dl, dt, 1, dh);
          c.fillRect(dl + dw - 1, dt, 1, dh);
          break;
        case DrawKind.Image: {
          const bitmap = this.pictures.get(op.image);
          if (!bitmap) break;
          const [sl, st, sw, sh] = op.source;
          const scaled = sw !== dw || sh !== dh || unit !== 1;
          c.imageSmoothingEnabled = scaled;
          // The menu picture is shrunk with the best filter the browser has.
          c.imageSmoothingQuality = op.image === Picture.Menu ? 'high' : 'low';
          c.drawImage(bitmap, sl, st, sw, sh, dl, dt, dw, dh);
          break;
        }
        case DrawKind.Text:
          c.fillStyle = css(op.colour);
          c.font = this.font.css;
          c.textBaseline = 'alphabetic';
          c.fillText(op.text, dl, dt + this.font.ascent);
          break;
        default:
          break;
      }
      c.restore();
    }
    if (closed) {
      c.setTransform(1, 0, 0, 1, 0, 0);
      c.fillStyle = 'rgba(0, 0, 0, 0.6)';
      c.fillRect(0, 0, width, height);
    }
  }
}
