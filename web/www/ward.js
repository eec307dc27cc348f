// The ward page: every bed's CTG live as a tile, a bed's strip, the alarm list, the admission
// form. It holds what the station sent (the beds, the alarms, each bed's samples) and shows it in
// the view the address names: #ward, #bed/N, #alarms.

import { StationApi } from "./api.js";
import { LiveStream } from "./live.js";
import { TraceStore, indexOf } from "./trace-store.js";
import { WardTiles } from "./tiles.js";
import { BedPage } from "./bed.js";
import { AlarmList } from "./alarms.js";
import { AlarmSound, PAUSE_MS } from "./sound.js";
import { PatientForm } from "./patient.js";
import { timeText, sinceText, durationText } from "./clock.js";
import { setText } from "./elements.js";

// The ward's tiles keep each bed's last ten minutes; a bed's page asks the station for more.
const TILE_SPAN_MS = 10 * 60 * 1000;

const PRIORITY_RANK = { high: 3, medium: 2, low: 1 };

class Ward {
  constructor() {
    this.api = new StationApi();
    this.beds = new Map();
    this.stores = new Map();
    this.studies = new Map();  // by bed: the study its samples in `stores` belong to
    this.alarms = new Map();
    this.alarmTexts = {};
    this.localPauses = new Map(); // alarm id -> the instant this desk acknowledged it
    this.watchedBed = null;
    // What the page measures of itself (read by its tests), in ms: each live batch's delay from
    // its last sample's instant to its arrival here (arrivals) and to the canvas (latencies), and
    // from the station's taking its packet off the link to the canvas (sinceStation); the frames
    // drawn.
    this.metrics = { arrivals: [], latencies: [], sinceStation: [], frames: 0 };
    this.sound = new AlarmSound((state) => this.showSound(state));
    this.tiles = new WardTiles(document.getElementById("tiles"), this);
    this.bedPage = new BedPage(this);
    this.alarmList = new AlarmList(document.getElementById("alarm-rows"), this);
    this.patientForm = new PatientForm(this);
    this.live = new LiveStream(
      {
        ward: (m) => this.takeWard(m.beds),
        bed: (m) => this.takeBed(m.bed),
        alarm: (m) => this.takeAlarm(m.alarm),
        trace: (m) => this.takeSamples(m, false),
        samples: (m) => this.takeSamples(m, true),
        error: (m) => console.warn("station:", m.message),
      },
      (state, since, reason) => this.showStream(state, since, reason),
      () => this.sessionAlive(),
    );
  }

  async start() {
    this.api.onLoggedOut = () => this.loggedOut();
    if (!(await this.api.open())) {
      window.location.assign("/login");
      return;
    }
    document.getElementById("user").textContent = this.api.user;
    const texts = await this.api.get("/api/alarm-texts");
    if (texts.ok) this.alarmTexts = texts.body;
    this.bindControls();
    this.live.open();
    await this.loadAlarms();
    window.addEventListener("hashchange", () => this.route());
    this.route();
    window.setInterval(() => this.tick(), 1000);
    this.tick();
  }

  // ---- what the station sends

  takeWard(beds) {
    for (const bed of beds) {
      this.beds.set(bed.bed, bed);
      this.showsStudy(bed);
    }
    for (const number of [...this.beds.keys()]) {
      if (!beds.some((b) => b.bed === number)) this.beds.delete(number);
    }
    this.tiles.setBeds([...this.beds.values()]);
    // A stream opened again: what happened to the alarms meanwhile.
    this.loadAlarms();
    this.changed(null);
  }

  takeBed(bed) {
    const before = this.beds.get(bed.bed);
    this.beds.set(bed.bed, bed);
    // A study shown again after a moment without (a new one, or the same one after the station
    // restarted and the monitor came back): its last ten minutes come again, as the station has
    // them, which fills what the page missed meanwhile.
    if (this.showsStudy(bed) || (before && !before.studyId && bed.studyId)) this.live.retrace(bed.bed);
    for (const alarm of bed.alarms) this.alarms.set(alarm.id, alarm);
    this.changed(bed.bed);
  }

  // Bed `bed` shows a study other than the one its samples belong to: they go. A free bed
  // keeps them (its monitor may come back to the same study). Whether they went.
  showsStudy(bed) {
    if (!bed.studyId || this.studies.get(bed.bed) === bed.studyId) return false;
    this.studies.set(bed.bed, bed.studyId);
    this.stores.delete(bed.bed);
    if (this.watchedBed === bed.bed) this.bedPage.redraw();
    return true;
  }

  takeAlarm(alarm) {
    this.alarms.set(alarm.id, alarm);
    const bed = this.beds.get(alarm.bed);
    if (bed) {
      bed.alarms = bed.alarms.filter((a) => a.id !== alarm.id);
      if (alarm.clearedMs === null) bed.alarms.push(alarm);
    }
    this.changed(alarm.bed);
  }

  takeSamples(message, live) {
    const store = this.store(message.bed);
    const [from, to] = store.add(message);
    if (this.watchedBed !== message.bed) store.dropBefore(indexOf(Date.now() - TILE_SPAN_MS - 60000));
    const drawn = live ? { endMs: message.startMs + message.count * message.periodMs, arrivedMs: message.arrivedMs } : null;
    if (drawn) this.metrics.arrivals.push(Date.now() - drawn.endMs);
    this.tiles.samples(message.bed, from, drawn);
    if (this.watchedBed === message.bed) this.bedPage.samples(from, to, drawn);
  }

  // Live batches are on the canvas now.
  drawn(batches) {
    const now = Date.now();
    for (const batch of batches) {
      this.metrics.latencies.push(now - batch.endMs);
      if (batch.arrivedMs) this.metrics.sinceStation.push(now - batch.arrivedMs);
    }
  }

  store(bed) {
    let store = this.stores.get(bed);
    if (!store) {
      store = new TraceStore();
      this.stores.set(bed, store);
    }
    return store;
  }

  async loadAlarms() {
    const answer = await this.api.get("/api/alarms");
    if (!answer.ok) return;
    for (const alarm of answer.body.alarms) this.alarms.set(alarm.id, alarm);
    this.changed(null);
  }

  // Something about `bed` (or every bed: null) changed: the views and the sound follow.
  changed(bed) {
    if (bed === null) for (const b of this.beds.values()) this.tiles.update(b);
    else if (this.beds.has(bed)) this.tiles.update(this.beds.get(bed));
    if (this.watchedBed !== null && (bed === null || bed === this.watchedBed)) this.bedPage.update();
    this.alarmList.update();
    this.updateSound();
    const active = [...this.alarms.values()].filter((a) => a.clearedMs === null);
    setText(document.getElementById("alarm-count"), active.length ? `(${active.length})` : "");
  }

  // ---- alarms

  // The bed's active alarm that ranks highest (priority, then newest).
  topAlarm(bed) {
    let top = null;
    for (const alarm of bed.alarms || []) {
      if (alarm.clearedMs !== null) continue;
      if (!top || PRIORITY_RANK[alarm.priority] > PRIORITY_RANK[top.priority] ||
          (alarm.priority === top.priority && alarm.sinceMs > top.sinceMs)) top = alarm;
    }
    return top;
  }

  async acknowledge(id) {
    this.localPauses.set(id, Date.now());
    const answer = await this.api.post(`/api/alarms/${id}/acknowledge`);
    if (answer.ok) this.takeAlarm(answer.body);
    else this.updateSound();
    return answer;
  }

  // An alarm's sound is paused for 120 s from its acknowledgement (the station's, or this desk's
  // latest press).
  pausedUntil(alarm) {
    const pressed = Math.max(alarm.acknowledgedMs || 0, this.localPauses.get(alarm.id) || 0);
    return pressed ? pressed + PAUSE_MS : 0;
  }

  updateSound() {
    const now = Date.now();
    const heard = new Set();
    for (const bed of this.beds.values()) {
      for (const a of bed.alarms) if (a.clearedMs === null && this.pausedUntil(a) <= now) heard.add(a.priority);
    }
    this.sound.update(["high", "medium"].find((priority) => heard.has(priority)) || null);
  }

  showSound(state) {
    if (state === this.soundShown) return;
    this.soundShown = state;
    const button = document.getElementById("sound");
    button.textContent = { off: "Sound off", on: "Sound on", "sounding-high": "Sound on: ALARM",
      "sounding-medium": "Sound on: alarm" }[state];
    button.setAttribute("aria-pressed", String(state !== "off"));
    button.className = `bar-button sound-${state}`;
    document.body.dataset.sound = state;
  }

  toggleSound() {
    if (this.sound.enabled) this.sound.disable();
    else this.sound.enable().then(() => this.updateSound());
  }

  // ---- the stream and the session

  showStream(state, since, reason) {
    const label = document.getElementById("stream");
    label.textContent = state === "live" ? "live" : state === "lost" ? "NO CONNECTION" : "connecting";
    label.className = `stream stream-${state}`;
    document.body.dataset.stream = state;
    const overlay = document.getElementById("lost");
    overlay.hidden = state !== "lost";
    this.lostSince = state === "lost" ? since : null;
    this.lostReason = reason || "";
    this.tick();
  }

  async sessionAlive() {
    try {
      const response = await fetch("/api/session", { credentials: "same-origin" });
      if (response.status === 401) {
        this.loggedOut();
        return false;
      }
      return response.ok ? true : null;
    } catch (error) {
      return null;
    }
  }

  loggedOut() {
    this.live.stop();
    this.sound.update(false);
    document.getElementById("lost").hidden = true;
    document.getElementById("ended").hidden = false;
    document.body.dataset.stream = "ended";
  }

  // A person at the desk keeps the login alive: a key or a click tells the station, at most
  // once a minute.
  keepAlive() {
    const now = Date.now();
    if (this.lastKeepAlive && now - this.lastKeepAlive < 60000) return;
    this.lastKeepAlive = now;
    this.api.get("/api/session");
  }

  tick() {
    const now = Date.now();
    document.getElementById("clock").textContent = timeText(now);
    if (this.lostSince) {
      document.getElementById("lost-text").textContent =
        `Lost at ${sinceText(this.lostSince)}, ${durationText(now - this.lostSince)} ago` +
        (this.lostReason ? ` (${this.lostReason}).` : ".");
    }
    this.tiles.tick(now);
    this.updateSound();
  }

  // ---- views

  route() {
    const hash = window.location.hash;
    const bed = /^#bed\/(\d+)$/.exec(hash);
    const view = bed ? "bed" : hash === "#alarms" ? "alarms" : "ward";
    for (const id of ["ward", "bed", "alarms"]) document.getElementById(id).hidden = id !== view;
    this.watchedBed = bed ? Number(bed[1]) : null;
    if (bed) this.bedPage.show(this.watchedBed);
    else this.bedPage.hide();
    this.tiles.setVisible(view === "ward");
    if (view === "alarms") this.alarmList.update();
    document.body.dataset.view = view;
  }

  bindControls() {
    document.getElementById("sound").addEventListener("click", () => this.toggleSound());
    document.getElementById("logout").addEventListener("click", async () => {
      this.live.stop();
      await this.api.post("/api/logout");
      window.location.assign("/login");
    });
    for (const type of ["keydown", "pointerdown"]) document.addEventListener(type, () => this.keepAlive(), true);
    document.addEventListener("keydown", (event) => this.key(event));
  }

  key(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || document.querySelector("dialog[open]")) return;
    const view = document.body.dataset.view;
    if (event.key === "s") this.toggleSound();
    else if (event.key === "a") window.location.hash = "#alarms";
    else if (event.key === "w" || (event.key === "Escape" && view !== "ward")) window.location.hash = "#ward";
    else if (view === "bed" && this.bedPage.key(event)) ;
    else return;
    event.preventDefault();
  }
}

const ward = new Ward();
window.wardView = ward.metrics;
ward.start();
