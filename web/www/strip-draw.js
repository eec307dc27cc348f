// Draws a bed's strip on a canvas with the paper's conventions (strip-layout.js): the grid, the
// clock times, the shaded alarm bands with their map texts, the traces with their gaps, the event
// marks and fetal movements. One painter serves the bed page (true size, in chunks) and the
// ward's tiles (the last ten minutes, small).
//
// Paper coordinates: the paper's x of an instant is ms * pxPerMs (CSS pixels since 1970), so
// that pieces drawn apart join exactly; a call paints the paper from `left` on, `width` wide.
// The canvas itself is only ever given x relative to `left`: it keeps coordinates as 32-bit
// floats, which cannot tell apart two pixels some billions of pixels from 1970.

import { CHANNELS, CM_PER_POINT, LINK_BEGAN, MARKS, PAPER, PEN, SAMPLE_MS, SAMPLES_PER_NUMERICS,
  horizontalLines } from "./strip-layout.js";
import { clockLabel, utcOffsetMinutes } from "./clock.js";

const FONT = '"DejaVu Sans", sans-serif';

export class StripPainter {
  // `layout`: stripLayout(); `pxPerCmX`, `pxPerCmY`: CSS pixels per cm of paper (the screen's
  // true cm on the bed page); `compact`: a tile's small trace (no texts, major lines only where
  // minor ones would crowd); `alarmTexts`: the map texts by channel and code.
  constructor(layout, { pxPerCmX, pxPerCmY, compact = false, alarmTexts = {}, colors = PAPER }) {
    this.layout = layout;
    this.pxPerCmX = pxPerCmX;
    this.pxPerCmY = pxPerCmY;
    this.pxPerMs = layout.cmPerMs * pxPerCmX;
    this.compact = compact;
    this.alarmTexts = alarmTexts;
    this.colors = colors;
    const pxPerPoint = pxPerCmY * CM_PER_POINT;
    this.traceWidth = Math.max(1, PEN.trace * pxPerPoint);
    this.minorWidth = Math.max(1, PEN.minor * pxPerPoint);
    this.majorWidth = Math.max(1, PEN.major * pxPerPoint);
    this.labelPx = Math.max(10, PEN.label * pxPerPoint);
  }

  y(cm) {
    return cm * this.pxPerCmY;
  }

  // The paper's x of instant `ms`.
  paperX(ms) {
    return ms * this.pxPerMs;
  }

  // The canvas x of instant `ms` in the piece being painted.
  x(ms) {
    return ms * this.pxPerMs - this.left;
  }

  // The width of a span of `ms`.
  span(ms) {
    return ms * this.pxPerMs;
  }

  // Paints the paper from paper x `left`, `width` pixels, at canvas x 0 (the caller translates).
  paint(ctx, store, left, width) {
    const fromMs = left / this.pxPerMs;
    const toMs = (left + width) / this.pxPerMs;
    ctx.save();
    ctx.beginPath();
    ctx.rect(0, 0, width, this.y(this.layout.height));
    ctx.clip();
    ctx.fillStyle = this.colors.background;
    ctx.fillRect(0, 0, width, this.y(this.layout.height));
    this.left = left;
    this.paintGrid(ctx, fromMs, toMs);
    if (!this.compact) this.paintClock(ctx, fromMs, toMs);
    if (store) {
      // A little beyond both ends, so that lines and texts cut by the edge join the next piece.
      const from = Math.floor(fromMs / SAMPLE_MS) - 2;
      const to = Math.ceil(toMs / SAMPLE_MS) + 2;
      this.paintAlarms(ctx, store, from, to, fromMs);
      this.paintTraces(ctx, store, from, to);
      this.paintMarks(ctx, store, from, to, fromMs);
    }
    ctx.restore();
  }

  // The lines every minorSeconds of local wall time, major ones every majorSeconds, and the
  // rate lines of both grids.
  paintGrid(ctx, fromMs, toMs) {
    const L = this.layout;
    const x0 = this.x(fromMs);
    const x1 = this.x(toMs);
    const minorPx = this.span(L.minorSeconds * 1000);
    const showMinor = !this.compact || minorPx >= 4;
    const rateStepPx = this.y(10 / L.bpmPerCm);
    for (const major of [false, true]) {
      if (!major && !showMinor) continue;
      ctx.beginPath();
      for (const [grid, top, bottom] of [["heartRate", L.heartRateTop, L.heartRateBottom],
        ["contraction", L.contractionTop, L.contractionBottom]]) {
        for (const line of horizontalLines(L, grid)) {
          if (line.major !== major || (!major && this.compact && rateStepPx < 4)) continue;
          const y = this.crisp(this.y(line.y), major);
          ctx.moveTo(x0, y);
          ctx.lineTo(x1, y);
        }
        for (const line of this.timeLines(fromMs, toMs)) {
          if (line.major !== major) continue;
          const x = this.crisp(this.x(line.ms), major);
          ctx.moveTo(x, this.y(top));
          ctx.lineTo(x, this.y(bottom));
        }
      }
      ctx.strokeStyle = major ? this.colors.gridMajor : this.colors.gridMinor;
      ctx.lineWidth = major ? this.majorWidth : this.minorWidth;
      ctx.stroke();
    }
    ctx.strokeStyle = this.colors.gridMajor;
    ctx.lineWidth = this.majorWidth;
    ctx.beginPath();
    for (const [top, bottom] of [[L.heartRateTop, L.heartRateBottom], [L.contractionTop, L.contractionBottom]]) {
      ctx.moveTo(x0, this.crisp(this.y(top), true));
      ctx.lineTo(x1, this.crisp(this.y(top), true));
      ctx.moveTo(x0, this.crisp(this.y(bottom), true));
      ctx.lineTo(x1, this.crisp(this.y(bottom), true));
    }
    ctx.stroke();
  }

  // A line's position on the pixel grid, so that a 1-pixel line is one pixel, not two half ones.
  crisp(position, major) {
    const width = major ? this.majorWidth : this.minorWidth;
    return Math.round(width) % 2 === 1 ? Math.floor(position) + 0.5 : Math.round(position);
  }

  // The instants of the vertical lines within [fromMs, toMs]: whole multiples of minorSeconds
  // of local wall time.
  timeLines(fromMs, toMs) {
    const L = this.layout;
    const step = L.minorSeconds * 1000;
    const offset = utcOffsetMinutes(fromMs) * 60000;
    const lines = [];
    for (let local = Math.floor((fromMs + offset) / step) * step; local - offset <= toMs; local += step) {
      const seconds = Math.round(local / 1000);
      lines.push({ ms: local - offset, major: seconds % L.majorSeconds === 0 });
    }
    return lines;
  }

  // The clock row: local time at each major line, named with its new UTC offset where it changed.
  paintClock(ctx, fromMs, toMs) {
    const L = this.layout;
    const labelWidth = this.span(L.majorSeconds * 1000);
    ctx.fillStyle = this.colors.text;
    ctx.font = `${this.labelPx}px ${FONT}`;
    ctx.textBaseline = "alphabetic";
    for (const line of this.timeLines(fromMs - L.majorSeconds * 1000, toMs)) {
      if (!line.major) continue;
      const label = clockLabel(line.ms, line.ms - L.majorSeconds * 1000);
      ctx.fillText(label, this.x(line.ms) + 3, this.y(L.clockBaseline), labelWidth - 6);
    }
  }

  // A run of samples with the same alarm status other than normal is shaded over its channel's
  // grid, and its map text stands in the channel's lane at the run's start.
  paintAlarms(ctx, store, from, to, fromMs) {
    const L = this.layout;
    const lookBack = this.compact ? 0 : Math.ceil(this.textReachMs() / SAMPLE_MS);
    ctx.font = `${this.labelPx}px ${FONT}`;
    for (const channel of CHANNELS) {
      const top = channel.contraction ? L.contractionTop : L.heartRateTop;
      const bottom = channel.contraction ? L.contractionBottom : L.heartRateBottom;
      const laneTop = this.y(top + channel.lane * L.laneHeight);
      const laneHeight = this.y(L.laneHeight);
      const texts = [];
      let runStart = from - lookBack;
      let code = store.code(channel.name, runStart);
      for (let index = runStart + 1; index <= to; ++index) {
        const next = index < to ? store.code(channel.name, index) : -1;
        if (next === code) continue;
        if (code !== 0) {
          const x0 = this.x(runStart * SAMPLE_MS);
          const x1 = this.x(index * SAMPLE_MS);
          if (index >= from) {
            ctx.fillStyle = this.colors.alarm;
            ctx.globalAlpha = PEN.alarmShade;
            ctx.fillRect(x0, this.y(top), x1 - x0, this.y(bottom - top));
            if (!this.compact) {
              ctx.globalAlpha = PEN.laneShade;
              ctx.fillRect(x0, laneTop, x1 - x0, laneHeight);
            }
            ctx.globalAlpha = 1;
          }
          if (!this.compact) texts.push({ x0, x1, code, text: this.alarmText(channel.name, code) });
        }
        runStart = index;
        code = next;
      }
      this.paintLaneTexts(ctx, texts, laneTop, laneHeight);
    }
  }

  textReachMs() {
    return 200 / this.pxPerMs;
  }

  alarmText(channel, code) {
    const text = this.alarmTexts[channel] && this.alarmTexts[channel][code];
    return `${channel} ${text || code}`;
  }

  // Each text is cut where the next begins, so that none overlaps another; a status broken for
  // a moment is not named twice.
  paintLaneTexts(ctx, texts, laneTop, laneHeight) {
    const kept = [];
    for (const text of texts) {
      text.x1 = Math.max(text.x1, text.x0 + ctx.measureText(text.text).width + 4);
      const last = kept[kept.length - 1];
      if (last && last.code === text.code && text.x0 < last.x1) continue;
      kept.push(text);
    }
    ctx.fillStyle = this.colors.text;
    ctx.textBaseline = "middle";
    kept.forEach((text, k) => {
      const right = k + 1 < kept.length ? Math.min(text.x1, kept[k + 1].x0) : text.x1;
      ctx.save();
      ctx.beginPath();
      ctx.rect(text.x0, laneTop, right - text.x0, laneHeight);
      ctx.clip();
      ctx.fillText(text.text, text.x0 + 2, laneTop + laneHeight / 2);
      ctx.restore();
    });
    ctx.textBaseline = "alphabetic";
  }

  // Lines join two samples only where both have a value; where a pixel column holds several
  // samples, the column runs from their lowest to their highest.
  paintTraces(ctx, store, from, to) {
    const L = this.layout;
    const pxPerSample = this.pxPerMs * SAMPLE_MS;
    ctx.lineJoin = "round";
    ctx.lineCap = "round";
    ctx.lineWidth = this.traceWidth;
    for (let c = CHANNELS.length - 1; c >= 0; --c) {
      const channel = CHANNELS[c];
      if (this.compact && channel.name !== "FHR1" && channel.name !== "FHR2" && channel.name !== "UC") continue;
      const y = channel.contraction ? (v) => this.y(L.contractionY(v)) : (v) => this.y(L.heartRateY(v));
      const top = this.y(channel.contraction ? L.contractionTop : L.heartRateTop);
      const bottom = this.y(channel.contraction ? L.contractionBottom : L.heartRateBottom);
      ctx.save();
      ctx.beginPath();
      ctx.rect(this.x(from * SAMPLE_MS) - 10, top, this.span((to - from) * SAMPLE_MS) + 20, bottom - top);
      ctx.clip();
      ctx.beginPath();
      if (pxPerSample >= 1) this.tracePolyline(ctx, store, channel.name, from, to, y);
      else this.traceColumns(ctx, store, channel.name, from, to, y);
      ctx.strokeStyle = this.colors[channel.color];
      ctx.setLineDash(channel.dashed ? [PEN.dashOn * this.pxPerCmY * CM_PER_POINT, PEN.dashOff * this.pxPerCmY * CM_PER_POINT] : []);
      ctx.stroke();
      ctx.setLineDash([]);
      ctx.restore();
    }
  }

  tracePolyline(ctx, store, name, from, to, y) {
    let drawing = false;
    store.forEach(from, to, (block, offset, end, base) => {
      const values = block.values[name];
      for (let i = offset; i < end; ++i) {
        const v = values[i];
        if (Number.isNaN(v)) {
          drawing = false;
          continue;
        }
        const x = this.x((base + i) * SAMPLE_MS);
        if (!drawing) ctx.moveTo(x, y(v));
        ctx.lineTo(x, y(v));
        drawing = true;
      }
    });
  }

  traceColumns(ctx, store, name, from, to, y) {
    let drawing = false;
    let column = NaN;
    let low = 0;
    let high = 0;
    let last = 0;
    const flush = () => {
      if (Number.isNaN(column)) return;
      const x = column + 0.5;
      ctx.lineTo(x, y(low));
      ctx.lineTo(x, y(high));
      ctx.lineTo(x, y(last));
    };
    let expected = from;
    store.forEach(from, to, (block, offset, end, base) => {
      if (base + offset !== expected) {
        flush();
        drawing = false;
        column = NaN;
      }
      expected = base + end;
      const values = block.values[name];
      for (let i = offset; i < end; ++i) {
        const v = values[i];
        if (Number.isNaN(v)) {
          flush();
          drawing = false;
          column = NaN;
          continue;
        }
        const col = Math.floor(this.x((base + i) * SAMPLE_MS));
        if (col !== column) {
          flush();
          column = col;
          low = high = v;
          if (!drawing) ctx.moveTo(col + 0.5, y(v));
          else ctx.lineTo(col + 0.5, y(v));
          drawing = true;
        }
        low = Math.min(low, v);
        high = Math.max(high, v);
        last = v;
      }
    });
    flush();
  }

  // Marks: a letter in the band's upper row at a mark's first sample, a movement a bar in its
  // lower row, the movement count where it changes; a dashed line where the link began again.
  paintMarks(ctx, store, from, to) {
    const L = this.layout;
    const top = this.y(L.eventTop);
    const middle = this.y((L.eventTop + L.eventBottom) / 2);
    const bottom = this.y(L.eventBottom);
    ctx.font = `bold ${this.labelPx}px ${FONT}`;
    ctx.lineWidth = this.majorWidth;
    // A letter that began in the piece before reaches into this one: it is drawn here too.
    const reach = this.compact ? 1 : Math.ceil(this.labelPx / (this.pxPerMs * SAMPLE_MS)) + 1;
    const start = from - reach - SAMPLES_PER_NUMERICS;
    for (const mark of MARKS) {
      let last = -Infinity;
      for (let index = start; index < to; ++index) {
        if (!(store.marks(index) & mark.bit)) continue;
        const held = index - last <= SAMPLES_PER_NUMERICS;
        last = index;
        if (index < from - reach || (held && mark.letter)) continue;
        const x = this.x(index * SAMPLE_MS);
        ctx.fillStyle = ctx.strokeStyle = this.colors[mark.color];
        if (mark.letter) {
          ctx.beginPath();
          ctx.moveTo(Math.round(x) + 0.5, top);
          ctx.lineTo(Math.round(x) + 0.5, middle - 1);
          ctx.stroke();
          if (!this.compact) ctx.fillText(mark.letter, x + 2, middle - 2);
        } else {
          ctx.fillRect(x - 0.75, middle + 1, 1.5, bottom - middle - 2);
        }
      }
    }
    for (let index = from; index < to; ++index) {
      if (!(store.marks(index) & LINK_BEGAN)) continue;
      const x = Math.round(this.x(index * SAMPLE_MS)) + 0.5;
      ctx.strokeStyle = this.colors.text;
      ctx.setLineDash([4, 3]);
      ctx.beginPath();
      ctx.moveTo(x, this.y(L.heartRateTop));
      ctx.lineTo(x, this.y(L.contractionBottom));
      ctx.stroke();
      ctx.setLineDash([]);
      if (!this.compact) {
        ctx.font = `${this.labelPx * 0.85}px ${FONT}`;
        ctx.fillStyle = this.colors.text;
        ctx.fillText("link began again", x + 2, this.y(L.contractionBottom) - 3);
      }
    }
    if (this.compact) return;
    ctx.font = `${this.labelPx * 0.85}px ${FONT}`;
    ctx.fillStyle = this.colors.movement;
    let count = store.value("FM1", from - 1);
    for (let index = from; index < to; ++index) {
      const fm = store.value("FM1", index);
      if (Number.isNaN(fm) || fm === count) continue;
      count = fm;
      ctx.fillText(`FM ${Math.round(fm)}`, this.x(index * SAMPLE_MS) + 2, bottom - 2);
    }
  }

  // The fixed column left of the grids: the rate labels at the major lines (and the lowest),
  // "bpm" and "UC". Drawn at canvas x 0 .. labelWidth.
  paintLabels(ctx, width) {
    const L = this.layout;
    ctx.fillStyle = this.colors.background;
    ctx.fillRect(0, 0, width, this.y(L.height));
    ctx.fillStyle = this.colors.text;
    ctx.font = `${this.labelPx}px ${FONT}`;
    ctx.textAlign = "right";
    ctx.textBaseline = "middle";
    for (const [grid, low] of [["heartRate", L.lowestBpm], ["contraction", 0]]) {
      for (const line of horizontalLines(L, grid)) {
        if (!line.major && line.value !== low) continue;
        ctx.fillText(String(line.value), width - 6, this.y(line.y));
      }
    }
    ctx.textAlign = "left";
    ctx.textBaseline = "alphabetic";
    ctx.fillText("bpm", 3, this.y(L.heartRateTop) - 4);
    ctx.fillText("UC", 3, this.y(L.contractionTop) - 4);
  }
}
