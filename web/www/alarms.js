// The ward's alarm list, newest first: since when, which bed, the priority (in words and colour),
// the text as the station sends it, whether it is still on, who acknowledged it; an alarm not yet
// acknowledged has its button.

import { sinceText } from "./clock.js";

const PRIORITY_WORD = { high: "!!! High", medium: "!! Medium", low: "! Low" };

function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text;
  if (className) td.className = className;
  return td;
}

export class AlarmList {
  constructor(body, ward) {
    this.body = body;
    this.ward = ward;
  }

  update() {
    if (document.getElementById("alarms").hidden) return;
    const alarms = [...this.ward.alarms.values()].sort((a, b) => b.sinceMs - a.sinceMs || b.id - a.id);
    // Rebuilt only when an alarm changed, so that the focus stays where a person put it.
    const signature = JSON.stringify(alarms);
    if (signature === this.signature) return;
    this.signature = signature;
    const now = Date.now();
    const rows = alarms.map((alarm) => {
      const row = document.createElement("tr");
      row.className = `alarm-${alarm.priority}${alarm.clearedMs === null ? " active" : " cleared"}`;
      row.dataset.alarm = alarm.id;
      cell(row, sinceText(alarm.sinceMs, now));
      const bed = row.insertCell();
      const link = document.createElement("a");
      link.href = `#bed/${alarm.bed}`;
      link.textContent = `Bed ${alarm.bed}`;
      bed.append(link);
      cell(row, PRIORITY_WORD[alarm.priority], "priority");
      cell(row, alarm.text);
      cell(row, alarm.clearedMs === null ? "ON" : `cleared ${sinceText(alarm.clearedMs, now)}`, "state");
      cell(row, alarm.acknowledgedBy ? `${alarm.acknowledgedBy}, ${sinceText(alarm.acknowledgedMs, now)}` : "", "acknowledged");
      const action = row.insertCell();
      if (!alarm.acknowledgedBy) {
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = "Acknowledge";
        button.setAttribute("aria-label", `Acknowledge: bed ${alarm.bed}, ${alarm.text}`);
        button.addEventListener("click", () => this.ward.acknowledge(alarm.id));
        action.append(button);
      }
      return row;
    });
    this.body.replaceChildren(...rows);
  }
}
