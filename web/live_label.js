// The label's text for screen readers: a visually hidden polite live region that takes the text
// whenever the label shows something new (hints, remarks, the clear time), so a screen reader
// speaks it once rather than on every tick.
import { DrawKind } from './game.js';

export class LiveLabel {
  constructor(element) {
    this.element = element;
    this.generation = -1;
    this.text = '';
  }

  // Takes the label's text from the draw list; a hidden label says nothing.
  show(list) {
    if (!this.element || list.generation === this.generation) return;
    this.generation = list.generation;
    const text = list.ops.filter((op) => op.kind === DrawKind.Text).map((op) => op.text).join(' ');
    if (text === this.text) return;
    this.text = text;
    this.element.textContent = text;
  }
}
