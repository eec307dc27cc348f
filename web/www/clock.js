// Local wall time as the pages show it: the station keeps instants as UTC milliseconds; a person
// reads the time of the desk's zone, with the UTC offset named where it changes (as the strip does).

function two(n) {
  return String(n).padStart(2, "0");
}

export function utcOffsetMinutes(ms) {
  return -new Date(ms).getTimezoneOffset();
}

function offsetText(ms) {
  const minutes = utcOffsetMinutes(ms);
  const sign = minutes < 0 ? "-" : "+";
  const a = Math.abs(minutes);
  return `${sign}${two(Math.floor(a / 60))}:${two(a % 60)}`;
}

// "14:05:09"
export function timeText(ms) {
  const d = new Date(ms);
  return `${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

// "2026-10-25"
export function dateText(ms) {
  const d = new Date(ms);
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}`;
}

// "14:05:09", or with the date before it when it is not today's.
export function sinceText(ms, now = Date.now()) {
  return dateText(ms) === dateText(now) ? timeText(ms) : `${dateText(ms)} ${timeText(ms)}`;
}

// A clock row's label: "14:30" on the minute (else with seconds), and the offset after it where
// it differs from the label before's: "02:00 +01:00".
export function clockLabel(ms, previousMs) {
  let label = timeText(ms);
  if (label.endsWith(":00")) label = label.slice(0, 5);
  if (previousMs !== undefined && utcOffsetMinutes(previousMs) !== utcOffsetMinutes(ms)) label += ` ${offsetText(ms)}`;
  return label;
}

// The instant a study began: its identifier is its local start second, "YYYYMMDDhhmmss".
export function studyStartMs(studyId) {
  const m = /^(\d{4})(\d{2})(\d{2})(\d{2})(\d{2})(\d{2})$/.exec(studyId || "");
  if (!m) return null;
  const [, y, mo, d, h, mi, s] = m.map(Number);
  return new Date(y, mo - 1, d, h, mi, s).getTime();
}

// "3 min", "1 h 20 min", "45 s"
export function durationText(ms) {
  const seconds = Math.max(0, Math.round(ms / 1000));
  if (seconds < 60) return `${seconds} s`;
  const minutes = Math.floor(seconds / 60);
  if (minutes < 60) return `${minutes} min`;
  return `${Math.floor(minutes / 60)} h ${minutes % 60} min`;
}
