// The alarm sound (Web Audio): a burst of three and two tones, repeated every five seconds while a
// high-priority alarm is on and not paused. A browser plays sound only after a person allowed it,
// so the desk turns it on once (a button, or the key "s"). An alarm's acknowledgement pauses its
// sound for 120 s; after that it sounds again while it is still on.

export const PAUSE_MS = 120000;
const REPEAT_MS = 5000;
const TONE_HZ = 880;

export class AlarmSound {
  constructor(onState) {
    this.context = null;
    this.enabled = false;
    this.sounding = false;
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

  // `shouldSound`: a high-priority alarm is on whose acknowledgement's pause has passed (or that
  // nobody acknowledged). Sounds only once the desk turned the sound on.
  update(shouldSound) {
    if (shouldSound && this.enabled) this.startSounding();
    else this.stopSounding();
    this.report();
  }

  startSounding() {
    if (this.sounding) return;
    this.sounding = true;
    this.burst();
    this.timer = window.setInterval(() => this.burst(), REPEAT_MS);
  }

  stopSounding() {
    this.sounding = false;
    window.clearInterval(this.timer);
    this.timer = null;
  }

  burst() {
    if (!this.context || this.context.state !== "running") return;
    const start = this.context.currentTime + 0.05;
    const pulses = [0, 0.2, 0.4, 0.9, 1.1];
    for (const at of pulses) this.tone(start + at, 0.15);
  }

  tone(at, length) {
    const oscillator = this.context.createOscillator();
    const gain = this.context.createGain();
    oscillator.type = "triangle";
    oscillator.frequency.value = TONE_HZ;
    gain.gain.setValueAtTime(0, at);
    gain.gain.linearRampToValueAtTime(0.5, at + 0.02);
    gain.gain.setValueAtTime(0.5, at + length - 0.03);
    gain.gain.linearRampToValueAtTime(0, at + length);
    oscillator.connect(gain).connect(this.context.destination);
    oscillator.start(at);
    oscillator.stop(at + length + 0.01);
  }

  // "off" (not allowed yet), "on" (quiet), "sounding".
  get state() {
    if (!this.enabled) return "off";
    return this.sounding ? "sounding" : "on";
  }

  report() {
    this.onState(this.state);
  }
}
