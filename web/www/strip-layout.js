// The CTG paper's conventions, as the station's PDF strip draws them (strip/StripLayout,
// strip/StripPage, strip/StripColors), in centimetres of paper: one table for the bed's strip and
// the tiles' small traces, so that the screen and the printed strip cannot drift apart. A browser
// test compares these numbers with StripLayout's for the same settings.

export const SAMPLE_MS = 250;
export const CM_PER_POINT = 2.54 / 72;

// The scale that goes with a paper speed when none is chosen.
export function defaultScale(speed) {
  return speed <= 1 ? 20 : 30;
}

// The paper colours of the PDF strip (StripColors::Paper).
export const PAPER = {
  background: "#ffffff",
  text: "#202020",
  gridMajor: "#e08080",
  gridMinor: "#f6c8c8",
  fhr1: "#101010",
  fhr2: "#1f4fb0",
  fecg: "#1e7b34",
  mhr: "#b0306a",
  uc: "#101010",
  iup: "#7a3fa0",
  movement: "#404040",
  marker: "#101010",
  stimulator: "#b05a00",
  zeroing: "#1f4fb0",
  alarm: "#f2a900",
};

// The channels drawn as lines, in the legend's order; drawn in reverse, so that FHR1 lies on top
// and the maternal rate beneath every fetal one. `lane`: the row of its alarm texts at the top
// of its grid.
export const CHANNELS = [
  { name: "FHR1", color: "fhr1", contraction: false, dashed: false, lane: 0 },
  { name: "FHR2", color: "fhr2", contraction: false, dashed: false, lane: 1 },
  { name: "FECG", color: "fecg", contraction: false, dashed: false, lane: 2 },
  { name: "MHR", color: "mhr", contraction: false, dashed: false, lane: 3 },
  { name: "UC", color: "uc", contraction: true, dashed: false, lane: 0 },
  { name: "IUP", color: "iup", contraction: true, dashed: true, lane: 1 },
];

// Event marks (TraceSample's bits): a letter in the band's upper row, a movement a bar in its
// lower row; 64: the monitor's link began again.
export const MARKS = [
  { bit: 0x01, letter: "M", color: "marker" },
  { bit: 0x02, letter: "S", color: "stimulator" },
  { bit: 0x10, letter: "Z", color: "zeroing" },
  { bit: 0x20, letter: "Z", color: "zeroing" },
  { bit: 0x04, letter: null, color: "movement" },
  { bit: 0x08, letter: null, color: "movement" },
];
export const LINK_BEGAN = 0x40;
// A mark held over the samples of one numerics packet is drawn once.
export const SAMPLES_PER_NUMERICS = 5;

// Line widths and text sizes in points, as printed.
export const PEN = { trace: 0.8, minor: 0.3, major: 0.7, label: 6.5, dashOn: 6, dashOff: 3, alarmShade: 0.18, laneShade: 0.45 };

// The strip's geometry at paper speed `speed` (1, 2 or 3 cm/min) and `bpmPerCm` (20 over
// 50-210 bpm, or 30 over 30-240), in cm. Vertically from
// the top of the clock row: the clock row, the heart-rate grid, the band of event marks, the
// contraction grid. Horizontally the grid starts after the rate labels' column.
export function stripLayout(speed, bpmPerCm) {
  const s = Math.min(3, Math.max(1, Math.round(speed)));
  const scale = bpmPerCm >= 25 ? 30 : 20;
  const lowestBpm = scale === 20 ? 50 : 30;
  const highestBpm = scale === 20 ? 210 : 240;
  const clockHeight = 0.6;
  const heartRateTop = clockHeight;
  const heartRateBottom = heartRateTop + (highestBpm - lowestBpm) / scale;
  const eventTop = heartRateBottom;
  const eventBottom = eventTop + 1.0;
  const contractionTop = eventBottom;
  const contractionBottom = contractionTop + 4.0;
  return {
    speed: s,
    bpmPerCm: scale,
    minuteWidth: s,
    labelWidth: 1.0,
    lowestBpm,
    highestBpm,
    // Vertical lines: at 1 cm/min one a minute and a major one every ten; faster, one every
    // 0.5 or 1 cm of paper and a major one a minute.
    minorSeconds: [60, 30, 10][s - 1],
    majorSeconds: s === 1 ? 600 : 60,
    heartRate: { low: lowestBpm, high: highestBpm, minorStep: 10, majorStep: 30 },
    contraction: { low: 0, high: 100, minorStep: 10, majorStep: 20 },
    clockBaseline: heartRateTop - 0.15,
    heartRateTop,
    heartRateBottom,
    eventTop,
    eventBottom,
    contractionTop,
    contractionBottom,
    laneHeight: 0.32,
    height: contractionBottom,
    heartRateY(bpm) {
      return heartRateBottom - (bpm - lowestBpm) / scale;
    },
    contractionY(value) {
      return contractionBottom - (value / 100) * 4.0;
    },
    // cm of paper per millisecond.
    cmPerMs: s / 60000,
  };
}

// The horizontal lines of a grid ("heartRate" or "contraction"), with their y in cm.
export function horizontalLines(layout, grid) {
  const g = layout[grid];
  const y = grid === "heartRate" ? layout.heartRateY : layout.contractionY;
  const lines = [];
  for (let value = g.low; value <= g.high; value += g.minorStep) {
    lines.push({ value, y: y(value), major: value % g.majorStep === 0 });
  }
  return lines;
}

// Pixels per CSS centimetre: the screen's true centimetre as the browser knows it.
export const CSS_PX_PER_CM = 96 / 2.54;
