// A bed's samples as the page holds them: quarter seconds on the station's clock, each sample at
// the index round(ms / 250), in blocks of typed arrays. A value the sample has not is NaN (a gap
// on the strip); a sample never received is as good as a gap, and the store remembers which
// spans it has, so that the bed page asks the station for the rest.

import { SAMPLE_MS } from "./strip-layout.js";

const CHANNEL_NAMES = ["FHR1", "FHR2", "MHR", "FECG", "UC", "IUP", "FM1", "FM2"];
const BLOCK = 1024;

function emptyBlock() {
  const values = {};
  const codes = {};
  for (const name of CHANNEL_NAMES) values[name] = new Float32Array(BLOCK).fill(NaN);
  return { values, codes, marks: new Uint8Array(BLOCK), anyCodes: false, anyMarks: false };
}

export function indexOf(ms) {
  return Math.round(ms / SAMPLE_MS);
}

export class TraceStore {
  constructor() {
    this.blocks = new Map();
    this.spans = []; // [from, to) sample indices held, sorted and disjoint
    this.latestIndex = -Infinity; // one past the newest sample held
    this.version = 0;
  }

  // Takes a "trace" or "samples" message (or a trace answer): {startMs, count, values, alarmCodes,
  // marks}. Returns [from, to) of its sample indices.
  add(message) {
    const first = indexOf(message.startMs);
    const count = message.count | 0;
    for (let k = 0; k < count; ) {
      const index = first + k;
      const number = Math.floor(index / BLOCK);
      let block = this.blocks.get(number);
      if (!block) {
        block = emptyBlock();
        this.blocks.set(number, block);
      }
      const offset = index - number * BLOCK;
      const n = Math.min(BLOCK - offset, count - k);
      for (const name of CHANNEL_NAMES) {
        const source = message.values && message.values[name];
        const target = block.values[name];
        for (let i = 0; i < n; ++i) {
          const v = source ? source[k + i] : null;
          target[offset + i] = v === null || v === undefined ? NaN : v;
        }
      }
      for (const target of Object.values(block.codes)) target.fill(0, offset, offset + n);
      for (const [name, codes] of Object.entries(message.alarmCodes || {})) {
        let target = block.codes[name];
        if (!target) target = block.codes[name] = new Uint8Array(BLOCK);
        for (let i = 0; i < n; ++i) target[offset + i] = codes[k + i];
        block.anyCodes = true;
      }
      if (message.marks) {
        for (let i = 0; i < n; ++i) block.marks[offset + i] = message.marks[k + i];
        block.anyMarks = true;
      } else {
        block.marks.fill(0, offset, offset + n);
      }
      k += n;
    }
    if (count > 0) this.markHeld(first, first + count);
    this.latestIndex = Math.max(this.latestIndex, first + count);
    ++this.version;
    return [first, first + count];
  }

  // Remembers that [from, to) has been asked for (also where the station had no samples).
  markHeld(from, to) {
    const spans = this.spans.concat([[from, to]]).sort((a, b) => a[0] - b[0]);
    const merged = [];
    for (const span of spans) {
      const last = merged[merged.length - 1];
      if (last && span[0] <= last[1]) last[1] = Math.max(last[1], span[1]);
      else merged.push([span[0], span[1]]);
    }
    this.spans = merged;
  }

  // The first stretch of [from, to) that is not held, or null.
  missing(from, to) {
    let cursor = from;
    for (const [a, b] of this.spans) {
      if (b <= cursor) continue;
      if (a > cursor) return [cursor, Math.min(a, to)];
      cursor = b;
      if (cursor >= to) return null;
    }
    return cursor < to ? [cursor, to] : null;
  }

  // Forgets what lies before index `before` (the ward keeps ten minutes per bed).
  dropBefore(before) {
    const number = Math.floor(before / BLOCK);
    for (const key of this.blocks.keys()) if (key < number) this.blocks.delete(key);
    this.spans = this.spans.filter((s) => s[1] > number * BLOCK).map((s) => [Math.max(s[0], number * BLOCK), s[1]]);
  }

  // Calls visit(block, offset, end, baseIndex) for the stored stretches within [from, to):
  // samples block.*[offset..end) are indices baseIndex + offset ...
  forEach(from, to, visit) {
    for (let number = Math.floor(from / BLOCK); number * BLOCK < to; ++number) {
      const block = this.blocks.get(number);
      if (!block) continue;
      const base = number * BLOCK;
      visit(block, Math.max(0, from - base), Math.min(BLOCK, to - base), base);
    }
  }

  value(name, index) {
    const number = Math.floor(index / BLOCK);
    const block = this.blocks.get(number);
    return block ? block.values[name][index - number * BLOCK] : NaN;
  }

  code(name, index) {
    const number = Math.floor(index / BLOCK);
    const block = this.blocks.get(number);
    const codes = block && block.codes[name];
    return codes ? codes[index - number * BLOCK] : 0;
  }

  marks(index) {
    const number = Math.floor(index / BLOCK);
    const block = this.blocks.get(number);
    return block ? block.marks[index - number * BLOCK] : 0;
  }

  // The newest value of `name` at or before index `at`, looking back at most `within` samples.
  latest(name, at = this.latestIndex - 1, within = 20) {
    for (let index = at; index > at - within; --index) {
      const v = this.value(name, index);
      if (!Number.isNaN(v)) return v;
    }
    return NaN;
  }
}
