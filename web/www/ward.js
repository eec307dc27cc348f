// The ward page, for now a table: one row per bed with its link, patient, latest values and
// alarms, kept up to date from the live stream; a tone when an alarm is raised.
"use strict";

const rows = new Map();
let token = "";

function cell(row, index, text) {
  row.cells[index].textContent = text === null || text === undefined ? "-" : String(text);
}

function showBed(bed) {
  let row = rows.get(bed.bed);
  if (!row) {
    row = document.querySelector("#beds tbody").insertRow();
    for (let i = 0; i < 8; ++i) row.insertCell();
    rows.set(bed.bed, row);
  }
  cell(row, 0, bed.bed);
  cell(row, 1, bed.link);
  cell(row, 2, bed.patientName || bed.patientId || "");
  cell(row, 3, bed.fhr1);
  cell(row, 4, bed.fhr2);
  cell(row, 5, bed.mhr);
  cell(row, 6, bed.uc);
  cell(row, 7, bed.alarms.map((alarm) => alarm.text).join("; "));
  row.className = bed.alarms.length ? "alarm-" + bed.alarms[0].priority : "";
}

function tone() {
  const audio = new AudioContext();
  const oscillator = audio.createOscillator();
  oscillator.connect(audio.destination);
  oscillator.start();
  oscillator.stop(audio.currentTime + 0.3);
}

function openStream() {
  const scheme = window.location.protocol === "https:" ? "wss:" : "ws:";
  const stream = new WebSocket(scheme + "//" + window.location.host + "/api/live");
  const state = document.getElementById("stream");
  stream.onopen = () => { state.textContent = "live"; };
  stream.onclose = () => {
    state.textContent = "reconnecting";
    window.setTimeout(() => fetch("/api/session").then((r) => (r.ok ? openStream() : window.location.assign("/login"))), 3000);
  };
  stream.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.type === "ward") message.beds.forEach(showBed);
    if (message.type === "bed") showBed(message.bed);
    if (message.type === "alarm" && message.event === "raised") tone();
  };
}

document.getElementById("logout").addEventListener("click", async () => {
  await fetch("/api/logout", { method: "POST", headers: { "X-CSRF-Token": token } });
  window.location.assign("/login");
});

fetch("/api/session").then(async (response) => {
  if (!response.ok) {
    window.location.assign("/login");
    return;
  }
  const session = await response.json();
  token = session.token;
  document.getElementById("user").textContent = session.user;
  openStream();
});
