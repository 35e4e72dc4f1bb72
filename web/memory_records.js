// The records the game leaves in the WebAssembly memory for the page, read by the field names and
// places the game's build wrote into game_numbers.js.
import { DrawKind, Layout, NoteComponent, RecordLineComponent } from './game_numbers.js';

// A record's fields by name, from the number at index p of a typed view of the memory.
export function readRecord(heap, p, fields) {
  const record = {};
  for (const [name, at] of Object.entries(fields)) record[name] = heap[p + at];
  return record;
}

const Op = Layout.op;
const rect = (heap, o) => [heap[o], heap[o + 1], heap[o + 2], heap[o + 3]];

// A draw buffer at byte address p: its header, then its operations in the heap view's numbers
// (the tick's whole units or the blended frame's fractional ones). Each Text operation gets the
// text it draws: the label's, the menu's record line's or the note's.
export function readDrawBuffer(m, p, heap) {
  const D = Layout.draw;
  const h = m.HEAP32;
  const string = (at, length) => (length > 0 ? m.UTF8ToString(at, length) : '');
  const text = string(h[(p + D.textPointer) >> 2], h[(p + D.textLength) >> 2]);
  const lineText = string(h[(p + D.lineTextPointer) >> 2], h[(p + D.lineTextLength) >> 2]);
  const noteText = string(h[(p + D.noteTextPointer) >> 2], h[(p + D.noteTextLength) >> 2]);
  const back = m.HEAPF64[(p + D.backgroundLeft) >> 3];
  const first = (p + D.ops) / heap.BYTES_PER_ELEMENT;
  const ops = [];
  for (let i = 0; i < h[(p + D.count) >> 2]; ++i) {
    const o = first + i * Op.numbers;
    const op = {
      kind: heap[o + Op.kind],
      clip: rect(heap, o + Op.clip),
      dest: rect(heap, o + Op.dest),
      source: rect(heap, o + Op.source),
      image: heap[o + Op.image],
      keyed: heap[o + Op.keyed] !== 0,
      colour: heap[o + Op.colour],
      component: heap[o + Op.component],
      alpha: heap[o + Op.alpha],
    };
    if (op.kind === DrawKind.Text) {
      op.text = op.component === RecordLineComponent ? lineText : op.component === NoteComponent ? noteText : text;
    }
    ops.push(op);
  }
  return {
    generation: h[(p + D.generation) >> 2], ops, text, lineText, noteText,
    backgroundLeft: Number.isNaN(back) ? null : back,
  };
}
