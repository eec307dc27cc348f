// The ward's tiles: one per bed, as large as the screen allows (64 fit 1920 x 1080). Each shows
// the bed, its patient, the latest FHR1, FHR2, MHR and UC, the last ten minutes of FHR and UC
// on the strip's paper, the link, and the highest active alarm in its priority's colour with its
// priority in words. A bed whose link is silent or lost never looks calm: its numbers are struck
// out and the tile says since when. A free bed looks free.

import { StripPainter } from "./strip-draw.js";
import { stripLayout } from "./strip-layout.js";
import { sinceText } from "./clock.js";
import { PRIORITY_WORD, element, setAttribute, setClass, setText, shown } from "./elements.js";

const SPAN_MS = 10 * 60 * 1000;
// The tiles are brought up to date at most this often: what 64 beds send comes in every few
// milliseconds, and a desk reads the ward four times a second no worse than sixty.
const FRAME_MS = 250;
const LINK_WORD = { connected: "", silent: "NO SIGNAL", lost: "LINK LOST", free: "FREE" };

class Tile {
  constructor(number, ward) {
    this.number = number;
    this.ward = ward;
    this.root = element("article", "tile");
    this.root.dataset.bed = number;
    const head = element("div", "tile-head");
    this.link = element("a", "tile-bed", String(number));
    this.link.href = `#bed/${number}`;
    this.name = element("span", "tile-name");
    this.id = element("span", "tile-id");
    head.append(this.link, this.name, this.id);
    const body = element("div", "tile-body");
    const numbers = element("div", "tile-numbers");
    this.fhr1 = element("span", "value fhr1");
    const small = element("div", "tile-small");
    this.fhr2 = element("span", "value");
    this.mhr = element("span", "value");
    this.uc = element("span", "value");
    // Each label with its value, so that a narrow tile wraps between them, never inside one.
    const pair = (label, value) => {
      const both = element("span", "pair");
      both.append(element("span", "label", label), value);
      return both;
    };
    small.append(pair("FHR2", this.fhr2), pair("MHR", this.mhr), pair("UC", this.uc));
    numbers.append(element("span", "label label-fhr1", "FHR1"), this.fhr1, small);
    this.canvas = element("canvas", "tile-trace");
    this.canvas.setAttribute("aria-hidden", "true");
    body.append(numbers, this.canvas);
    const foot = element("div", "tile-foot");
    this.state = element("span", "tile-state");
    this.ack = element("button", "tile-ack", "Acknowledge");
    this.ack.type = "button";
    this.ack.hidden = true;
    foot.append(this.state, this.ack);
    this.root.append(head, body, foot);
    this.root.addEventListener("click", (event) => {
      if (event.target !== this.ack) window.location.hash = `#bed/${number}`;
    });
    this.ack.addEventListener("click", () => {
      if (this.alarm) this.ward.acknowledge(this.alarm.id);
    });
    this.dirty = true;      // the whole trace is drawn again
    this.newFrom = null;    // else the samples from this index on are new
    this.stale = true;      // the texts are shown again
    this.pending = [];
    this.size = { width: 0, height: 0 };
  }

  update(bed, now) {
    this.bed = bed;
    const free = bed.link === "free";
    const noSignal = bed.link === "silent" || bed.link === "lost";
    setText(this.name, free ? "" : bed.patientName || "(no name)");
    setText(this.id, free ? "" : bed.patientId);
    setAttribute(this.link, "aria-label", `Bed ${bed.bed}${free ? ", free" : `, ${bed.patientName}`}`);
    const store = this.ward.stores.get(bed.bed);
    const latest = (name, value) => {
      // The newest sample's value where the bed has samples, else what the station last said.
      if (store && store.latestIndex > -Infinity) return store.latest(name);
      return value;
    };
    setText(this.fhr1, free ? "" : shown(latest("FHR1", bed.fhr1)));
    setText(this.fhr2, free ? "" : shown(latest("FHR2", bed.fhr2)));
    setText(this.mhr, free ? "" : shown(latest("MHR", bed.mhr)));
    setText(this.uc, free ? "" : shown(latest("UC", bed.uc)));
    this.alarm = this.ward.topAlarm(bed);
    const classes = ["tile", `link-${bed.link}`];
    if (this.alarm) classes.push(`alarm-${this.alarm.priority}`);
    if (this.alarm && !this.alarm.acknowledgedBy) classes.push("unacknowledged");
    if (noSignal) classes.push("no-signal");
    setClass(this.root, classes.join(" "));
    const noButton = !this.alarm || !!this.alarm.acknowledgedBy;
    if (this.ack.hidden !== noButton) this.ack.hidden = noButton;
    setAttribute(this.ack, "aria-label", `Acknowledge the alarm of bed ${bed.bed}`);
    setText(this.state, this.stateText(bed, now));
  }

  stateText(bed, now) {
    // The alarm's priority in words and why the numbers are struck out come first: a narrow
    // tile cuts the end of the line.
    const parts = [];
    if (bed.link === "free") return "FREE";
    if (this.alarm) parts.push(PRIORITY_WORD[this.alarm.priority]);
    if (bed.link === "silent" || bed.link === "lost") {
      const since = this.silentSince();
      parts.push(`${LINK_WORD[bed.link]}${since ? ` since ${sinceText(since, now)}` : ""}`);
    }
    if (this.alarm) {
      parts.push(`${this.alarm.text}${this.alarm.acknowledgedBy ? ` (ack ${this.alarm.acknowledgedBy})` : ""}`);
    }
    return parts.join(" · ");
  }

  // The end of the bed's last sample: when its monitor fell silent.
  silentSince() {
    const store = this.ward.stores.get(this.number);
    return store && store.latestIndex > -Infinity ? store.latestIndex * 250 : null;
  }

  // Draws the last ten minutes when a pixel's worth of time passed or the bed changed; new
  // samples alone are drawn over the few columns they reach, which is what most frames of a
  // ward of 64 beds have to do.
  draw(now) {
    const width = this.canvas.clientWidth;
    const height = this.canvas.clientHeight;
    if (width < 10 || height < 10) return;
    const ratio = window.devicePixelRatio || 1;
    if (width !== this.size.width || height !== this.size.height) {
      this.size = { width, height };
      this.canvas.width = Math.round(width * ratio);
      this.canvas.height = Math.round(height * ratio);
      const layout = stripLayout(1, 20);
      this.painter = new StripPainter(layout, {
        pxPerCmX: width / (SPAN_MS * layout.cmPerMs),
        pxPerCmY: height / layout.height,
        compact: true,
      });
      this.dirty = true;
    }
    const right = Math.floor(this.painter.paperX(now));
    const full = this.dirty || right !== this.drawnRight;
    if (!full && this.newFrom === null) return;
    // The columns from a little before the first new sample (its line joins the one before it).
    const columns = full ? width : Math.min(width, right - Math.floor(this.painter.paperX(this.newFrom * 250)) + 2);
    const ctx = this.canvas.getContext("2d");
    ctx.setTransform(ratio, 0, 0, ratio, ratio * (width - columns), 0);
    this.painter.paint(ctx, this.bed && this.bed.link !== "free" ? this.ward.stores.get(this.number) : null,
      right - columns, columns);
    this.drawnRight = right;
    this.dirty = false;
    this.newFrom = null;
    this.ward.drawn(this.pending);
    this.pending = [];
  }
}

export class WardTiles {
  constructor(container, ward) {
    this.container = container;
    this.ward = ward;
    this.tiles = new Map();
    this.visible = true;
    this.frame = null;
    window.addEventListener("resize", () => this.layout());
  }

  setBeds(beds) {
    const numbers = beds.map((b) => b.bed).sort((a, b) => a - b);
    if (numbers.join() !== [...this.tiles.keys()].join()) {
      this.container.replaceChildren();
      this.tiles.clear();
      for (const number of numbers) {
        const tile = new Tile(number, this.ward);
        this.tiles.set(number, tile);
        this.container.append(tile.root);
      }
      this.layout();
    }
    for (const bed of beds) this.update(bed);
  }

  // As many columns as make the tiles largest, tiles about twice as wide as tall.
  layout() {
    const count = Math.max(1, this.tiles.size);
    const width = this.container.clientWidth || window.innerWidth;
    const height = this.container.clientHeight || window.innerHeight - 48;
    const gap = 4;
    let best = { score: -1, columns: 1, rows: count };
    for (let columns = 1; columns <= count; ++columns) {
      const rows = Math.ceil(count / columns);
      const w = (width - gap * (columns - 1)) / columns;
      const h = (height - gap * (rows - 1)) / rows;
      const score = Math.min(w / 1.8, h);
      if (score > best.score) best = { score, columns, rows, h };
    }
    this.container.style.gridTemplateColumns = `repeat(${best.columns}, minmax(0, 1fr))`;
    this.container.style.gridTemplateRows = `repeat(${best.rows}, minmax(0, 1fr))`;
    this.container.style.fontSize = `${Math.max(9, Math.min(30, best.h / 9))}px`;
    for (const tile of this.tiles.values()) tile.dirty = true;
    this.schedule();
  }

  update(bed) {
    const tile = this.tiles.get(bed.bed);
    if (!tile) return;
    // The trace shows the bed's samples, or none for a free bed: only that redraws it whole.
    if (!tile.bed || (tile.bed.link === "free") !== (bed.link === "free")) tile.dirty = true;
    tile.bed = bed;
    tile.stale = true;
    this.schedule();
  }

  // Samples of bed `number` from index `from` on arrived (`drawn`: a live batch, whose delay to
  // the screen is measured).
  samples(number, from, drawn) {
    const tile = this.tiles.get(number);
    if (!tile) return;
    tile.newFrom = tile.newFrom === null ? from : Math.min(tile.newFrom, from);
    if (drawn && this.visible) tile.pending.push(drawn);
    tile.stale = true;
    this.schedule();
  }

  // The clock moved on: the traces follow it, and once a minute the texts that tell since when
  // (they name the date once it is not today's).
  tick(now) {
    const minute = Math.floor(now / 60000);
    if (minute !== this.tickMinute) for (const tile of this.tiles.values()) tile.stale = true;
    this.tickMinute = minute;
    this.schedule();
  }

  setVisible(visible) {
    this.visible = visible;
    if (visible) this.layout();
  }

  // The next frame that brings the tiles up to date, FRAME_MS after the last.
  schedule() {
    if (this.frame || !this.visible) return;
    const wait = Math.max(0, (this.lastFrame || 0) + FRAME_MS - performance.now());
    this.frame = window.setTimeout(() => window.requestAnimationFrame(() => this.show()), wait);
  }

  show() {
    this.frame = null;
    this.lastFrame = performance.now();
    const now = Date.now();
    // Every text first, then every trace: a trace reads its canvas's size, which lays the page
    // out once here rather than once a tile.
    for (const tile of this.tiles.values()) {
      if (tile.stale && tile.bed) tile.update(tile.bed, now);
      tile.stale = false;
    }
    for (const tile of this.tiles.values()) tile.draw(now);
    ++this.ward.metrics.frames;
  }
}
