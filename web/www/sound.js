// The alarm sound (Web Audio), by the priority of the alarms that are on and not paused: a high
// one sounds a burst of three and two tones every five seconds, a medium one (none high) a burst
// of three lower tones every fifteen; a low one stays silent, seen on the screen only. A browser
// plays sound only after a person allowed it, so the desk turns it on once (a button, or the key
// "s"). An alarm's acknowledgement pauses its sound for 120 s; after that it sounds again while
// it is still on.

export const PAUSE_MS = 120000;
// Each priority's burst: the tones' starts (seconds), their pitch, how often it repeats.
const BURSTS = {
  high: { pulses: [0, 0.2, 0.4, 0.9, 1.1], hz: 880, repeatMs: 5000 },
  medium: { pulses: [0, 0.25, 0.5], hz: 660, repeatMs: 15000 },
};

export class AlarmSound {
  constructor(onState) {
    this.context = null;
    this.enabled = false;
    this.sounding = null;  // the priority sounding, or null
    this.timer = null;
    this.onState = onState;
  }

  // Called from a person's action: the browser then lets the page play.
  async enable() {
    if (!this.context) this.context = new AudioContext();
    await this.context.resume();
    this.enabled = true;
    this.report();
  }

  disable() {
    this.enabled = false;
    this.stopSounding();
    this.report();
  }

  // `priority`: the highest priority ("high", "medium") of the alarms that are on and whose
  // acknowledgement's pause has passed (or that nobody acknowledged); null or "low" for none to
  // hear. Sounds only once the desk turned the sound on.
  update(priority) {
    if (this.enabled && BURSTS[priority]) this.startSounding(priority);
    else this.stopSounding();
    this.report();
  }

  startSounding(priority) {
    if (this.sounding === priority) return;
    this.stopSounding();
    this.sounding = priority;
    const burst = BURSTS[priority];
    this.burst(burst);
    this.timer = window.setInterval(() => this.burst(burst), burst.repeatMs);
  }

  stopSounding() {
    this.sounding = null;
    window.clearInterval(this.timer);
    this.timer = null;
  }

  burst({ pulses, hz }) {
    if (!this.context || this.context.state !== "running") return;
    const start = this.context.currentTime + 0.05;
    for (const at of pulses) this.tone(start + at, 0.15, hz);
  }

  tone(at, length, hz) {
    const oscillator = this.context.createOscillator();
    const gain = this.context.createGain();
    oscillator.type = "triangle";
    oscillator.frequency.value = hz;
    gain.gain.setValueAtTime(0, at);
    gain.gain.linearRampToValueAtTime(0.5, at + 0.02);
    gain.gain.setValueAtTime(0.5, at + length - 0.03);
    gain.gain.linearRampToValueAtTime(0, at + length);
    oscillator.connect(gain).connect(this.context.destination);
    oscillator.start(at);
    oscillator.stop(at + length + 0.01);
  }

  // "off" (not allowed yet), "on" (quiet), "sounding-high", "sounding-medium".
  get state() {
    if (!this.enabled) return "off";
    return this.sounding ? `sounding-${this.sounding}` : "on";
  }

  report() {
    this.onState(this.state);
  }
}
