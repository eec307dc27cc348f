#include "strip/StripPage.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

#include "constmap/ObConstMap.h"
#include "recording/CtgTrace.h"

namespace {

using Rgb = StripColors::Rgb;

constexpr double kPointsPerMm = StripLayout::kPointsPerCm / 10;
constexpr const char* kFont = "DejaVu Sans";
constexpr double kTitleSize = 12;
constexpr double kHeaderSize = 8.5;
constexpr double kLabelSize = 6.5;
constexpr double kTraceWidth = 0.8;
constexpr double kMinorWidth = 0.3;
constexpr double kMajorWidth = 0.7;
constexpr double kAlarmShade = 0.18;
constexpr double kLaneHeight = 3.2 * kPointsPerMm;
constexpr int kSamplesPerNumerics = CtgTrace::kSamplesPerNumerics;

// A channel drawn as a line on one of the two grids and named in the legend, with the map
// that names its alarm codes in its own lane of text at the top of its grid. Listed in the
// legend's order; drawn in reverse, so that FHR1 lies on top and the maternal rate beneath
// every fetal one, which a clinician must never lose under it.
struct Channel {
  TraceChannel channel;
  const char* name;
  Rgb StripColors::*color;
  bool contraction;  // on the contraction grid, else the heart-rate grid
  bool dashed;
  CString (*alarmText)(long);
  int lane;
};

constexpr Channel kChannels[] = {
    {TraceChannel::FHR1, "FHR1", &StripColors::fhr1, false, false, &ObConstMap::GetFHR1AlarmText, 0},
    {TraceChannel::FHR2, "FHR2", &StripColors::fhr2, false, false, &ObConstMap::GetFHR2AlarmText, 1},
    {TraceChannel::FECG, "FECG", &StripColors::fecg, false, false, &ObConstMap::GetFEcgAlarmText, 2},
    {TraceChannel::MHR, "MHR", &StripColors::mhr, false, false, &ObConstMap::GetEcgAlarmText, 3},
    {TraceChannel::UC, "UC", &StripColors::uc, true, false, &ObConstMap::GetUCAlarmText, 0},
    {TraceChannel::IUP, "IUP", &StripColors::iup, true, true, &ObConstMap::GetIUPAlarmText, 1},
};

// A mark drawn at its first sample (a mark held over several packets is drawn once), with a
// letter, in the upper row of the event band; movements are bars in the lower row.
struct EventMark {
  unsigned char bit;
  const char* letter;  // nullptr: a movement bar
  Rgb StripColors::*color;
};

constexpr EventMark kMarks[] = {
    {TraceSample::kMarker, "M", &StripColors::marker},
    {TraceSample::kStimulator, "S", &StripColors::stimulator},
    {TraceSample::kUCZeroing, "Z", &StripColors::zeroing},
    {TraceSample::kIUPZeroing, "Z", &StripColors::zeroing},
    {TraceSample::kMovement1, nullptr, &StripColors::movement},
    {TraceSample::kMovement2, nullptr, &StripColors::movement},
};

void SetColor(cairo_t* cr, const Rgb& rgb, double alpha = 1) {
  cairo_set_source_rgba(cr, rgb.red, rgb.green, rgb.blue, alpha);
}

// The code point of the well-formed UTF-8 sequence at `text[i]` and its length, or a length
// of 0: overlong forms, surrogates and code points beyond U+10FFFF are not well-formed.
std::pair<char32_t, std::size_t> DecodeUtf8(const std::string& text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return {0, 0};
  char32_t point = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next >> 6) != 2) return {0, 0};
    point = (point << 6) | (next & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return {0, 0};
  return {point, length};
}

// Cairo refuses text that is not UTF-8 and then draws nothing more: whatever is not a
// well-formed sequence, and control characters, become '?'.
std::string ValidUtf8(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto [point, length] = DecodeUtf8(text, i);
    if (length == 0 || point < 0x20 || point == 0x7F) {
      out += '?';
      i += length == 0 ? 1 : length;
      continue;
    }
    out.append(text, i, length);
    i += length;
  }
  return out;
}

void Text(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold = false) {
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, ValidUtf8(text).c_str());
}

double TextWidth(cairo_t* cr, const std::string& text, double size, bool bold = false) {
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, ValidUtf8(text).c_str(), &extents);
  return extents.x_advance;
}

// The dashed pen's pattern, on and off, in points; the legend draws its sample with it too.
constexpr double kDashOn = 6, kDashOff = 3;

void SetPen(cairo_t* cr, int style, double width) {
  static const std::vector<std::vector<double>> kDashes = {
      {}, {kDashOn, kDashOff}, {1, 2}, {6, 2, 1, 2}, {6, 2, 1, 2, 1, 2}};
  cairo_set_line_width(cr, width);
  const std::vector<double>& dashes = kDashes[style >= 0 && style < 5 ? style : 0];
  cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
}

void Line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
}

// A text in an alarm lane: it begins at x0 and reaches at least to x1, the end of its run.
struct LaneText {
  double x0;
  double x1;
  unsigned char code;
  std::string text;
};

std::string AlarmText(const Channel& alarm, unsigned char code) {
  const CString mapText = alarm.alarmText(code);
  return std::string(alarm.name) + " " + (mapText.IsEmpty() ? std::to_string(code) : std::string(mapText.GetString()));
}

// Adds the text of a run to its lane's, unless the run goes on with the status of the text
// still standing over it (a status broken for a moment is not named twice).
void AddLaneText(cairo_t* cr, std::vector<LaneText>& texts, LaneText text) {
  text.x1 = std::max(text.x1, text.x0 + TextWidth(cr, text.text, kLabelSize) + 2);
  if (!texts.empty() && texts.back().code == text.code && text.x0 < texts.back().x1) return;
  texts.push_back(std::move(text));
}

// Draws a lane's texts, each cut where the next begins, so that no two overlap.
void DrawLaneTexts(cairo_t* cr, double laneTop, const std::vector<LaneText>& texts) {
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const double right = k + 1 < texts.size() ? std::min(texts[k].x1, texts[k + 1].x0) : texts[k].x1;
    cairo_save(cr);
    cairo_rectangle(cr, texts[k].x0, laneTop, right - texts[k].x0, kLaneHeight);
    cairo_clip(cr);
    Text(cr, texts[k].x0 + 1, laneTop + kLaneHeight - 2.2, texts[k].text, kLabelSize);
    cairo_restore(cr);
  }
}

}  // namespace

StripPage::StripPage(const StripLayout& layout, const StripColors& colors) : m_layout(layout), m_colors(colors) {}

std::vector<std::string> StripPage::ClockLabels(const StripLayout& layout, const StripClock& start) {
  const auto pageSeconds = static_cast<int>(layout.SamplesPerPage() / CtgTrace::kSamplesPerSecond);
  std::vector<std::string> labels;
  int offset = start.UtcOffset();
  for (int second = 0; second < pageSeconds; second += layout.MajorSeconds()) {
    const StripClock clock = start.Plus(second);
    std::string label = clock.TimeText();
    if (label.ends_with(":00")) label.resize(5);
    if (clock.UtcOffset() != offset) label.append(" ").append(clock.OffsetText());
    offset = clock.UtcOffset();
    labels.push_back(label);
  }
  return labels;
}

std::string StripPage::SpanText(const StripClock& start, std::int64_t seconds) {
  const StripClock end = start.Plus(seconds);
  if (!start.IsDated()) return start.TimeText() + " - " + end.TimeText();
  std::string span = start.DateText() + "  " + start.TimeText();
  if (start.UtcOffset() != end.UtcOffset()) span.append(" ").append(start.OffsetText());
  return span.append(" - ").append(end.TimeText()).append(" ").append(end.OffsetText());
}

void StripPage::Draw(_cairo* cr, const StripHeader& header, int number, std::span<const TraceSample> samples,
                     const StripClock& start) const {
  SetColor(cr, m_colors.background);
  cairo_paint(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  DrawHeader(cr, header, number, samples.size(), start);
  DrawGrids(cr);
  DrawClock(cr, start);
  DrawAlarms(cr, samples);
  DrawTraces(cr, samples);
  DrawMarks(cr, samples);
  DrawLinkJoins(cr, samples);
  DrawLegend(cr, samples);
}

void StripPage::DrawHeader(cairo_t* cr, const StripHeader& header, int number, std::size_t sampleCount,
                           const StripClock& start) const {
  const double left = m_layout.GridLeft();
  const double right = m_layout.GridRight();
  const double top = m_layout.HeaderTop();
  const double line = kHeaderSize * 1.45;
  SetColor(cr, m_colors.text);
  Text(cr, left, top + kTitleSize, header.hospital, kTitleSize, true);
  const std::string page = "Page " + std::to_string(number);
  Text(cr, right - TextWidth(cr, page, kHeaderSize), top + kTitleSize, page, kHeaderSize);

  Text(cr, left, top + kTitleSize + line, "Patient: " + header.patientName + "    ID: " + header.patientId,
       kHeaderSize);
  const std::string paper = std::to_string(m_layout.SpeedCode()) + " cm/min    " +
                            std::to_string(m_layout.BpmPerCm()) + " bpm/cm";
  Text(cr, right - TextWidth(cr, paper, kHeaderSize), top + kTitleSize + line, paper, kHeaderSize);

  Text(cr, left, top + kTitleSize + 2 * line, "Study: " + header.study, kHeaderSize);
  const auto seconds = static_cast<std::int64_t>(sampleCount / CtgTrace::kSamplesPerSecond);
  const std::string span = SpanText(start, seconds);
  Text(cr, right - TextWidth(cr, span, kHeaderSize), top + kTitleSize + 2 * line, span, kHeaderSize);
}

void StripPage::DrawGrids(cairo_t* cr) const {
  const double left = m_layout.GridLeft();
  const double right = m_layout.GridRight();
  const double minuteSamples = 60.0 * CtgTrace::kSamplesPerSecond;
  const auto pageSeconds = static_cast<int>(m_layout.SamplesPerPage() / CtgTrace::kSamplesPerSecond);
  struct Grid {
    double top, bottom;
    int low, high, minorStep, majorStep;
    double (StripLayout::*y)(double) const;
  };
  const Grid grids[] = {
      {m_layout.HeartRateTop(), m_layout.HeartRateBottom(), m_layout.LowestBpm(), m_layout.HighestBpm(), 10, 30,
       &StripLayout::HeartRateY},
      {m_layout.ContractionTop(), m_layout.ContractionBottom(), 0, 100, 10, 20, &StripLayout::ContractionY},
  };
  for (const bool major : {false, true}) {
    SetColor(cr, major ? m_colors.gridMajor : m_colors.gridMinor);
    const int style = major ? m_colors.gridMajorStyle : m_colors.gridMinorStyle;
    if (style == StripColors::kNone) continue;
    SetPen(cr, style, major ? kMajorWidth : kMinorWidth);
    for (const Grid& grid : grids) {
      for (int value = grid.low; value <= grid.high; value += grid.minorStep) {
        if ((value % grid.majorStep == 0) != major) continue;
        const double y = (m_layout.*grid.y)(value);
        Line(cr, left, y, right, y);
      }
      for (int second = 0; second <= pageSeconds; second += m_layout.MinorSeconds()) {
        if ((second % m_layout.MajorSeconds() == 0) != major) continue;
        const double x = m_layout.X(second / 60.0 * minuteSamples);
        Line(cr, x, grid.top, x, grid.bottom);
      }
    }
    cairo_stroke(cr);
  }
  SetPen(cr, StripColors::kSolid, kMajorWidth);
  SetColor(cr, m_colors.gridMajor);
  for (const Grid& grid : grids) cairo_rectangle(cr, left, grid.top, right - left, grid.bottom - grid.top);
  cairo_stroke(cr);

  SetColor(cr, m_colors.text);
  for (const Grid& grid : grids) {
    for (int value = grid.low; value <= grid.high; value += grid.minorStep) {
      if (value % grid.majorStep != 0 && value != grid.low) continue;
      const std::string label = std::to_string(value);
      Text(cr, left - 1.5 * kPointsPerMm - TextWidth(cr, label, kLabelSize), (m_layout.*grid.y)(value) + kLabelSize / 3,
           label, kLabelSize);
    }
  }
  Text(cr, left - 9 * kPointsPerMm, m_layout.HeartRateTop() - 1.5 * kPointsPerMm, "bpm", kLabelSize);
  Text(cr, left - 9 * kPointsPerMm, m_layout.ContractionTop() - 1.5 * kPointsPerMm, "UC", kLabelSize);
}

// The clock's labels at the major lines (ClockLabels).
void StripPage::DrawClock(cairo_t* cr, const StripClock& start) const {
  SetColor(cr, m_colors.text);
  const std::vector<std::string> labels = ClockLabels(m_layout, start);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const double x = m_layout.X(static_cast<double>(i) * m_layout.MajorSeconds() * CtgTrace::kSamplesPerSecond);
    Text(cr, x + 0.8 * kPointsPerMm, m_layout.ClockBaseline(), labels[i], kLabelSize);
  }
}

// A run of samples with the same status other than normal is shaded over the channel's grid;
// its text (the map's, in the station language) stands in the channel's lane at the run's start.
void StripPage::DrawAlarms(cairo_t* cr, std::span<const TraceSample> samples) const {
  for (const Channel& alarm : kChannels) {
    const double top = alarm.contraction ? m_layout.ContractionTop() : m_layout.HeartRateTop();
    const double bottom = alarm.contraction ? m_layout.ContractionBottom() : m_layout.HeartRateBottom();
    const double laneTop = top + alarm.lane * kLaneHeight;
    std::vector<LaneText> texts;
    for (std::size_t first = 0; first < samples.size();) {
      const unsigned char code = samples[first].Alarm(alarm.channel);
      std::size_t end = first + 1;
      while (end < samples.size() && samples[end].Alarm(alarm.channel) == code) ++end;
      if (code != 0) {
        const double x0 = m_layout.X(static_cast<double>(first));
        const double x1 = m_layout.X(static_cast<double>(end));
        SetColor(cr, m_colors.alarm, kAlarmShade);
        cairo_rectangle(cr, x0, top, x1 - x0, bottom - top);
        cairo_fill(cr);
        SetColor(cr, m_colors.alarm, 0.45);
        cairo_rectangle(cr, x0, laneTop, x1 - x0, kLaneHeight);
        cairo_fill(cr);
        AddLaneText(cr, texts, {x0, x1, code, AlarmText(alarm, code)});
      }
      first = end;
    }
    SetColor(cr, m_colors.text);
    DrawLaneTexts(cr, laneTop, texts);
  }
}

void StripPage::DrawTraces(cairo_t* cr, std::span<const TraceSample> samples) const {
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (auto channel = std::rbegin(kChannels); channel != std::rend(kChannels); ++channel) {
    const Channel& line = *channel;
    const double top = line.contraction ? m_layout.ContractionTop() : m_layout.HeartRateTop();
    const double bottom = line.contraction ? m_layout.ContractionBottom() : m_layout.HeartRateBottom();
    cairo_save(cr);
    cairo_rectangle(cr, m_layout.GridLeft(), top, m_layout.GridRight() - m_layout.GridLeft(), bottom - top);
    cairo_clip(cr);
    bool drawing = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const std::optional<float>& value = samples[i].Value(line.channel);
      if (!value) {
        drawing = false;
        continue;
      }
      const double x = m_layout.X(static_cast<double>(i));
      const double y = line.contraction ? m_layout.ContractionY(*value) : m_layout.HeartRateY(*value);
      // A sample alone between gaps is drawn as a dot.
      if (!drawing) cairo_move_to(cr, x, y);
      cairo_line_to(cr, x, y);
      drawing = true;
    }
    SetColor(cr, m_colors.*line.color);
    SetPen(cr, line.dashed ? StripColors::kDash : StripColors::kSolid, kTraceWidth);
    cairo_stroke(cr);
    cairo_restore(cr);
  }
  cairo_restore(cr);
}

// Where a monitor's link began again the clock jumps by a pause the recording does not hold: a
// dashed line across both grids says so, named at the foot of the contraction grid, where the
// contraction trace seldom runs.
void StripPage::DrawLinkJoins(cairo_t* cr, std::span<const TraceSample> samples) const {
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (!samples[i].Has(TraceSample::kLinkBegan)) continue;
    const double x = m_layout.X(static_cast<double>(i));
    SetColor(cr, m_colors.text);
    SetPen(cr, StripColors::kDash, kMajorWidth);
    Line(cr, x, m_layout.HeartRateTop(), x, m_layout.ContractionBottom());
    cairo_stroke(cr);
    Text(cr, x + 1, m_layout.ContractionBottom() - 1.5, "link began again", kLabelSize * 0.85);
  }
}

// The channels that hold a value on this page, each as a short line of its colour (dashed
// where its trace is) before its name, in a row under the contraction grid.
void StripPage::DrawLegend(cairo_t* cr, std::span<const TraceSample> samples) const {
  constexpr double kSwatch = 6 * kPointsPerMm;
  const double baseline = m_layout.ContractionBottom() + 6 * kPointsPerMm;
  double x = m_layout.GridLeft();
  for (const Channel& channel : kChannels) {
    const auto holdsValue = [&](const TraceSample& sample) { return sample.Value(channel.channel).has_value(); };
    const bool shown = std::any_of(samples.begin(), samples.end(), holdsValue);
    if (!shown) continue;
    SetColor(cr, m_colors.*channel.color);
    const double y = baseline - kLabelSize / 3 - kTraceWidth / 2;
    for (double from = 0; from < kSwatch; from += channel.dashed ? kDashOn + kDashOff : kSwatch) {
      cairo_rectangle(cr, x + from, y, std::min(channel.dashed ? kDashOn : kSwatch, kSwatch - from), kTraceWidth);
    }
    cairo_fill(cr);
    SetColor(cr, m_colors.text);
    Text(cr, x + kSwatch + 1.5 * kPointsPerMm, baseline, channel.name, kLabelSize);
    x += kSwatch + 1.5 * kPointsPerMm + TextWidth(cr, channel.name, kLabelSize) + 5 * kPointsPerMm;
  }
}

// Marks: a letter in the band's upper row at a mark's first sample; a movement is a bar in the
// lower row; the movement count is written where it changes.
void StripPage::DrawMarks(cairo_t* cr, std::span<const TraceSample> samples) const {
  const double top = m_layout.EventTop();
  const double middle = (m_layout.EventTop() + m_layout.EventBottom()) / 2;
  const double bottom = m_layout.EventBottom();
  SetPen(cr, StripColors::kSolid, kMajorWidth);
  for (const EventMark& mark : kMarks) {
    std::ptrdiff_t last = -kSamplesPerNumerics - 1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      if (!samples[i].Has(mark.bit)) continue;
      const bool held = static_cast<std::ptrdiff_t>(i) - last <= kSamplesPerNumerics;
      last = static_cast<std::ptrdiff_t>(i);
      if (held && mark.letter) continue;
      const double x = m_layout.X(static_cast<double>(i));
      SetColor(cr, m_colors.*mark.color);
      if (mark.letter) {
        Line(cr, x, top, x, middle - 1);
        cairo_stroke(cr);
        Text(cr, x + 1, middle - 1.5, mark.letter, kLabelSize, true);
      } else {
        cairo_rectangle(cr, x - 0.6, middle + 1, 1.2, bottom - middle - 2);
        cairo_fill(cr);
      }
    }
  }
  SetColor(cr, m_colors.movement);
  double labelEnd = 0;
  std::optional<float> count;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const std::optional<float>& fm = samples[i].Value(TraceChannel::FM1);
    if (!fm || (count && *fm == *count)) continue;
    count = fm;
    const double x = m_layout.X(static_cast<double>(i)) + 1.5;
    if (x < labelEnd) continue;
    const std::string label = "FM " + std::to_string(static_cast<int>(*fm));
    labelEnd = x + TextWidth(cr, label, kLabelSize * 0.85) + 1;
    Text(cr, x, bottom - 1.2, label, kLabelSize * 0.85);
  }
}
