#include "strip/StripLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPointsPerMm = StripLayout::kPointsPerCm / 10;
constexpr double kA4Width = 297 * kPointsPerMm;
constexpr double kA4Height = 210 * kPointsPerMm;
constexpr double kLetterWidth = 11 * 72.0;
constexpr double kLetterHeight = 8.5 * 72.0;

// Room around the grids: page margin, the rate labels left of the grids, the header, the clock
// row, and the event band.
constexpr double kMargin = 10 * kPointsPerMm;
constexpr double kLabelWidth = 10 * kPointsPerMm;
constexpr double kHeaderHeight = 17 * kPointsPerMm;
constexpr double kClockHeight = 6 * kPointsPerMm;
constexpr double kEventHeight = 10 * kPointsPerMm;
constexpr double kContractionHeight = 4 * StripLayout::kPointsPerCm;
constexpr double kContractionFull = 100;

constexpr int kSamplesPerMinute = 240;

}  // namespace

StripLayout::StripLayout(int speedCode, int bpmPerCm, StripPaper paper)
    : m_speedCode(std::clamp(speedCode, 1, 3)),
      m_bpmPerCm(bpmPerCm >= 25 ? 30 : 20),
      m_pageWidth(paper == StripPaper::A4 ? kA4Width : kLetterWidth),
      m_pageHeight(paper == StripPaper::A4 ? kA4Height : kLetterHeight) {}

int StripLayout::DefaultBpmPerCm(int speedCode) { return speedCode <= 1 ? 20 : 30; }

double StripLayout::MinuteWidth() const { return m_speedCode * kPointsPerCm; }

int StripLayout::PageMinutes() const {
  return static_cast<int>(std::floor((m_pageWidth - 2 * kMargin - kLabelWidth) / MinuteWidth()));
}

std::uint64_t StripLayout::SamplesPerPage() const {
  return static_cast<std::uint64_t>(PageMinutes()) * kSamplesPerMinute;
}

double StripLayout::GridLeft() const { return kMargin + kLabelWidth; }
double StripLayout::GridRight() const { return GridLeft() + PageMinutes() * MinuteWidth(); }
double StripLayout::X(double offset) const { return GridLeft() + offset / kSamplesPerMinute * MinuteWidth(); }

// At 1 cm/min a line a minute and a major one every ten; faster, a line every 0.5 or 1 cm of
// paper and a major one a minute.
int StripLayout::MinorSeconds() const {
  static constexpr int kMinor[] = {60, 30, 10};
  return kMinor[m_speedCode - 1];
}
int StripLayout::MajorSeconds() const { return m_speedCode == 1 ? 600 : 60; }

int StripLayout::LowestBpm() const { return m_bpmPerCm == 20 ? 50 : 30; }
int StripLayout::HighestBpm() const { return m_bpmPerCm == 20 ? 210 : 240; }
double StripLayout::HeartRateTop() const { return HeaderTop() + kHeaderHeight + kClockHeight; }
double StripLayout::HeartRateBottom() const {
  return HeartRateTop() + static_cast<double>(HighestBpm() - LowestBpm()) / m_bpmPerCm * kPointsPerCm;
}
double StripLayout::HeartRateY(double bpm) const {
  return HeartRateBottom() - (bpm - LowestBpm()) / m_bpmPerCm * kPointsPerCm;
}

double StripLayout::EventTop() const { return HeartRateBottom(); }
double StripLayout::EventBottom() const { return EventTop() + kEventHeight; }

double StripLayout::ContractionTop() const { return EventBottom(); }
double StripLayout::ContractionBottom() const { return ContractionTop() + kContractionHeight; }
double StripLayout::ContractionY(double value) const {
  return ContractionBottom() - value / kContractionFull * kContractionHeight;
}

double StripLayout::ClockBaseline() const { return HeartRateTop() - 1.5 * kPointsPerMm; }
double StripLayout::HeaderTop() const { return kMargin; }
