// A bed's page: its strip at true size for the screen's CSS centimetre, scrolling with the time
// while live, dragged, wheeled or stepped with the keys back over the whole study (the station
// answers the spans the page does not hold yet), its numbers, link and active alarms, the PDF of
// the span on screen and the patient's correction.
//
// The paper is drawn in chunks of CHUNK pixels, each kept until a sample in it changes, and put
// together on the screen's canvas at every frame that moved: scrolling costs a few image copies.

import { StripPainter } from "./strip-draw.js";
import { CSS_PX_PER_CM, SAMPLE_MS, defaultScale, stripLayout } from "./strip-layout.js";
import { indexOf } from "./trace-store.js";
import { sinceText, studyStartMs, timeText, dateText } from "./clock.js";
import { PRIORITY_WORD, element, setText, shown } from "./elements.js";

const CHUNK = 256;
const MAX_CHUNKS = 64;
const FETCH_SPAN_MS = 30 * 60 * 1000;

export class BedPage {
  constructor(ward) {
    this.ward = ward;
    this.canvas = document.getElementById("strip");
    this.speed = 3;
    this.scale = defaultScale(3);
    this.bed = null;
    this.viewEndMs = null; // null: live, the right edge is now
    this.chunks = new Map();
    this.pending = [];
    this.fetching = false;
    this.frame = null;
    this.dirty = true;
    this.bind();
    this.configure();
  }

  bind() {
    document.getElementById("back").addEventListener("click", () => { window.location.hash = "#ward"; });
    document.getElementById("live").addEventListener("click", () => this.goLive());
    document.getElementById("earlier").addEventListener("click", () => this.scrollBy(-this.stepMs()));
    document.getElementById("later").addEventListener("click", () => this.scrollBy(this.stepMs()));
    for (const button of document.querySelectorAll("[data-speed]")) {
      button.addEventListener("click", () => this.setPaper(Number(button.dataset.speed), null));
    }
    for (const button of document.querySelectorAll("[data-scale]")) {
      button.addEventListener("click", () => this.setPaper(this.speed, Number(button.dataset.scale)));
    }
    document.getElementById("edit-patient").addEventListener("click", () => this.ward.patientForm.open(this.bed));
    this.canvas.addEventListener("pointerdown", (event) => this.dragStart(event));
    this.canvas.addEventListener("pointermove", (event) => this.dragMove(event));
    this.canvas.addEventListener("pointerup", (event) => this.dragEnd(event));
    this.canvas.addEventListener("pointercancel", (event) => this.dragEnd(event));
    this.canvas.addEventListener("wheel", (event) => {
      event.preventDefault();
      const delta = Math.abs(event.deltaX) > Math.abs(event.deltaY) ? event.deltaX : event.deltaY;
      this.scrollBy(delta / this.painter.pxPerMs);
    }, { passive: false });
    new ResizeObserver(() => this.resize()).observe(document.getElementById("strip-box"));
  }

  // ---- paper settings

  setPaper(speed, scale) {
    this.speed = speed;
    this.scale = scale === null ? defaultScale(speed) : scale;
    this.configure();
  }

  configure() {
    this.layout = stripLayout(this.speed, this.scale);
    this.painter = new StripPainter(this.layout, {
      pxPerCmX: CSS_PX_PER_CM,
      pxPerCmY: CSS_PX_PER_CM,
      alarmTexts: this.ward.alarmTexts,
    });
    this.labelWidth = Math.round(this.layout.labelWidth * CSS_PX_PER_CM);
    this.chunks.clear();
    for (const button of document.querySelectorAll("[data-speed]")) {
      button.setAttribute("aria-pressed", String(Number(button.dataset.speed) === this.speed));
    }
    for (const button of document.querySelectorAll("[data-scale]")) {
      button.setAttribute("aria-pressed", String(Number(button.dataset.scale) === this.scale));
    }
    this.resize();
  }

  resize() {
    const box = document.getElementById("strip-box");
    const width = Math.max(200, Math.floor(box.clientWidth));
    const height = Math.ceil(this.painter.y(this.layout.height)) + 1;
    const ratio = window.devicePixelRatio || 1;
    if (width !== this.width || height !== this.height || ratio !== this.ratio) {
      this.width = width;
      this.height = height;
      this.ratio = ratio;
      this.canvas.width = Math.round(width * ratio);
      this.canvas.height = Math.round(height * ratio);
      this.canvas.style.width = `${width}px`;
      this.canvas.style.height = `${height}px`;
      this.chunks.clear();
    }
    this.invalidate();
  }

  // ---- showing a bed

  show(bed) {
    if (this.bed !== bed) {
      this.bed = bed;
      this.viewEndMs = null;
      this.chunks.clear();
      this.pending = [];
    }
    this.painter.alarmTexts = this.ward.alarmTexts;
    this.visible = true;
    this.resize();
    this.update();
    this.fetchMissing();
    this.canvas.focus({ preventScroll: true });
  }

  hide() {
    this.visible = false;
  }

  bedView() {
    return this.ward.beds.get(this.bed);
  }

  store() {
    return this.ward.store(this.bed);
  }

  // The bed's numbers, link and alarms changed.
  update() {
    const bed = this.bedView();
    if (!bed) return;
    setText(document.getElementById("bed-title"), `Bed ${bed.bed}`);
    const patient = document.getElementById("bed-patient");
    patient.textContent = bed.link === "free" ? "Free" : `${bed.patientName || "(no name)"}   ID ${bed.patientId}`;
    const store = this.store();
    const latest = (name, value) => (store.latestIndex > -Infinity ? store.latest(name) : value);
    const numbers = document.getElementById("bed-numbers");
    const noSignal = bed.link === "silent" || bed.link === "lost";
    numbers.className = noSignal ? "bed-numbers no-signal" : "bed-numbers";
    numbers.replaceChildren(...[["FHR1", latest("FHR1", bed.fhr1)], ["FHR2", latest("FHR2", bed.fhr2)],
      ["MHR", latest("MHR", bed.mhr)], ["UC", latest("UC", bed.uc)]].map(([label, value]) => {
      const item = element("span", "number");
      item.append(element("span", "label", label), element("span", "value", bed.link === "free" ? "" : shown(value)));
      return item;
    }));
    const link = document.getElementById("bed-link");
    const since = store.latestIndex > -Infinity ? ` since ${sinceText(store.latestIndex * SAMPLE_MS)}` : "";
    link.textContent = { connected: "Monitor connected", silent: `NO SIGNAL from the monitor${since}`,
      lost: `LINK LOST${since}`, free: "No monitor" }[bed.link];
    link.className = `bed-link link-${bed.link}`;
    const alarms = document.getElementById("bed-alarms");
    const active = bed.alarms.filter((a) => a.clearedMs === null).sort((a, b) => b.sinceMs - a.sinceMs);
    alarms.replaceChildren(...active.map((alarm) => {
      const row = element("div", `bed-alarm alarm-${alarm.priority}${alarm.acknowledgedBy ? "" : " unacknowledged"}`);
      row.append(element("span", "priority", PRIORITY_WORD[alarm.priority]), element("span", "text", alarm.text),
        element("span", "since", `since ${sinceText(alarm.sinceMs)}`));
      if (alarm.acknowledgedBy) {
        row.append(element("span", "ack", `acknowledged by ${alarm.acknowledgedBy} at ${sinceText(alarm.acknowledgedMs)}`));
      } else {
        const button = element("button", "ack-button", "Acknowledge");
        button.type = "button";
        button.addEventListener("click", () => this.ward.acknowledge(alarm.id));
        row.append(button);
      }
      return row;
    }));
  }

  // Samples [from, to) arrived (`drawn`: a live batch whose delay to the screen is measured).
  // The bed's samples were replaced (another study): every piece of paper is drawn again.
  redraw() {
    this.chunks.clear();
    this.invalidate();
  }

  samples(from, to, drawn) {
    const first = Math.floor(this.painter.paperX(from * SAMPLE_MS - SAMPLE_MS) / CHUNK);
    const last = Math.floor(this.painter.paperX(to * SAMPLE_MS + SAMPLE_MS) / CHUNK);
    for (let k = first; k <= last; ++k) this.chunks.delete(k);
    if (drawn) this.pending.push(drawn);
    this.update();
    this.invalidate();
  }

  // ---- where the screen looks

  gridWidth() {
    return this.width - this.labelWidth;
  }

  rightMs() {
    return this.viewEndMs === null ? Date.now() : this.viewEndMs;
  }

  stepMs() {
    return 60000;
  }

  earliestMs() {
    const bed = this.bedView();
    const start = bed ? studyStartMs(bed.studyId) : null;
    const span = this.gridWidth() / this.painter.pxPerMs;
    return (start === null ? Date.now() - 24 * 3600 * 1000 : start) + span * 0.9;
  }

  scrollBy(ms) {
    this.scrollTo(this.rightMs() + ms);
  }

  scrollTo(endMs) {
    const now = Date.now();
    if (endMs >= now) {
      this.goLive();
      return;
    }
    this.viewEndMs = Math.max(Math.min(endMs, now), Math.min(this.earliestMs(), now));
    this.invalidate();
    this.fetchSoon();
  }

  goLive() {
    this.viewEndMs = null;
    this.invalidate();
  }

  dragStart(event) {
    this.drag = { x: event.clientX, endMs: this.rightMs() };
    this.canvas.setPointerCapture(event.pointerId);
  }

  dragMove(event) {
    if (!this.drag) return;
    this.scrollTo(this.drag.endMs - (event.clientX - this.drag.x) / this.painter.pxPerMs);
  }

  dragEnd() {
    this.drag = null;
  }

  key(event) {
    const screen = (this.gridWidth() * 0.9) / this.painter.pxPerMs;
    const actions = {
      ArrowLeft: () => this.scrollBy(-this.stepMs()),
      ArrowRight: () => this.scrollBy(this.stepMs()),
      PageUp: () => this.scrollBy(-screen),
      PageDown: () => this.scrollBy(screen),
      Home: () => this.scrollTo(this.earliestMs()),
      End: () => this.goLive(),
      l: () => this.goLive(),
      1: () => this.setPaper(1, null),
      2: () => this.setPaper(2, null),
      3: () => this.setPaper(3, null),
      b: () => this.setPaper(this.speed, this.scale === 20 ? 30 : 20),
      p: () => document.getElementById("pdf").click(),
      e: () => this.ward.patientForm.open(this.bed),
      k: () => {
        const alarm = this.bedView() && this.ward.topAlarm(this.bedView());
        if (alarm) this.ward.acknowledge(alarm.id);
      },
    };
    const action = actions[event.key];
    if (!action) return false;
    action();
    return true;
  }

  // ---- asking the station for what the page does not hold

  fetchSoon() {
    window.clearTimeout(this.fetchTimer);
    this.fetchTimer = window.setTimeout(() => this.fetchMissing(), 150);
  }

  async fetchMissing() {
    if (this.fetching || !this.visible || this.bed === null) return;
    const bed = this.bed;
    const store = this.store();
    const span = this.gridWidth() / this.painter.pxPerMs;
    const right = this.rightMs();
    const from = indexOf(Math.max(right - span * 1.5, this.earliestMs() - span));
    const to = indexOf(Math.min(right + span * 0.5, Date.now()));
    const missing = store.missing(from, to);
    if (!missing) return;
    // The newest first: the stretch nearest the screen's right edge.
    const toMs = missing[1] * SAMPLE_MS;
    const fromMs = Math.max(missing[0] * SAMPLE_MS, toMs - FETCH_SPAN_MS);
    this.fetching = true;
    const answer = await this.ward.api.get(`/api/beds/${bed}/trace?from=${Math.round(fromMs)}&to=${Math.round(toMs)}`);
    this.fetching = false;
    if (bed !== this.bed) return;
    if (answer.ok) {
      if (answer.body.count > 0) {
        const [a, b] = store.add(answer.body);
        this.samples(a, b, null);
      }
      store.markHeld(indexOf(fromMs), indexOf(toMs));
      this.invalidate();
      this.fetchSoon();
    }
  }

  // ---- drawing

  invalidate() {
    this.dirty = true;
    if (this.frame || !this.visible) return;
    this.frame = window.requestAnimationFrame(() => this.drawFrame());
  }

  chunk(k) {
    let chunk = this.chunks.get(k);
    if (chunk) return chunk;
    const canvas = document.createElement("canvas");
    canvas.width = Math.round(CHUNK * this.ratio);
    canvas.height = Math.round(this.height * this.ratio);
    const ctx = canvas.getContext("2d");
    ctx.setTransform(this.ratio, 0, 0, this.ratio, 0, 0);
    this.painter.paint(ctx, this.store(), k * CHUNK, CHUNK);
    chunk = { canvas };
    this.chunks.set(k, chunk);
    if (this.chunks.size > MAX_CHUNKS) this.chunks.delete(this.chunks.keys().next().value);
    return chunk;
  }

  // The paper's x at the grid's left edge of the screen.
  leftPx() {
    return Math.round(this.painter.paperX(this.rightMs())) - this.gridWidth();
  }

  drawFrame() {
    this.frame = null;
    if (!this.visible) return;
    const left = this.leftPx();
    if (!this.dirty && left === this.drawnLeft) {
      this.nextFrame();
      return;
    }
    const ctx = this.canvas.getContext("2d");
    ctx.setTransform(this.ratio, 0, 0, this.ratio, 0, 0);
    const width = this.gridWidth();
    for (let k = Math.floor(left / CHUNK); k * CHUNK < left + width; ++k) {
      ctx.drawImage(this.chunk(k).canvas, this.labelWidth + k * CHUNK - left, 0, CHUNK, this.height);
    }
    this.painter.paintLabels(ctx, this.labelWidth);
    this.drawnLeft = left;
    this.dirty = false;
    ++this.ward.metrics.frames;
    this.ward.drawn(this.pending);
    this.pending = [];
    this.showState(left, width);
    this.nextFrame();
  }

  // While live the paper moves a pixel every second or two: the next frame is asked for only
  // when the next pixel is due.
  nextFrame() {
    if (this.viewEndMs !== null || !this.visible) return;
    const msPerPx = 1 / this.painter.pxPerMs;
    window.clearTimeout(this.liveTimer);
    this.liveTimer = window.setTimeout(() => this.invalidate(), Math.max(16, msPerPx / 2));
  }

  showState(left, width) {
    const fromMs = left / this.painter.pxPerMs;
    const toMs = (left + width) / this.painter.pxPerMs;
    const state = document.getElementById("strip-state");
    state.textContent = this.viewEndMs === null
      ? `LIVE  ${this.speed} cm/min  ${this.scale} bpm/cm`
      : `REVIEW ${dateText(fromMs)} ${timeText(fromMs)} - ${timeText(toMs)}  ${this.speed} cm/min  ${this.scale} bpm/cm`;
    state.className = this.viewEndMs === null ? "strip-state live" : "strip-state review";
    document.getElementById("live").disabled = this.viewEndMs === null;
    const pdf = document.getElementById("pdf");
    pdf.href = `/api/beds/${this.bed}/strip.pdf?from=${Math.floor(fromMs)}&to=${Math.ceil(Math.min(toMs, Date.now()))}`;
    this.canvas.dataset.left = String(left);
    this.canvas.dataset.labelWidth = String(this.labelWidth);
    this.canvas.dataset.pxPerMs = String(this.painter.pxPerMs);
  }
}
