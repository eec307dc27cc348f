#pragma once

#include <cstdint>

#include "strip/StripApi.h"

// The paper sizes a strip is printed on, both landscape.
enum class StripPaper { A4, Letter };

// The geometry of a CTG strip page in PostScript points (1/72 inch), so that a page printed at
// 100 % has the true paper scale: at 1 cm/min one minute spans 1 cm. From the top: the header,
// the clock-time row, the heart-rate grid, the band of event marks, the contraction grid.
//
// Paper speed codes are the trend-speed codes of the configuration: 1, 2, 3 = 10, 20, 30 mm/min
// (a stored study is drawn at m_nReviewTrendSpeed, a live one at m_nTrendSpeed).
// The heart-rate scale is 20 bpm/cm over 50-210 bpm or 30 bpm/cm over 30-240 bpm; the
// contraction grid holds 0-100 over 4 cm. A page holds whole minutes.
class VUDODA_STRIP_API StripLayout {
 public:
  static constexpr double kPointsPerCm = 72 / 2.54;

  // `speedCode` 1-3 and `bpmPerCm` 20 or 30; other values are taken as the nearest allowed.
  StripLayout(int speedCode, int bpmPerCm, StripPaper paper);

  // The scale that goes with a paper speed when none is chosen: 20 bpm/cm at 1 cm/min,
  // 30 bpm/cm at the faster speeds.
  static int DefaultBpmPerCm(int speedCode);

  int SpeedCode() const { return m_speedCode; }
  int BpmPerCm() const { return m_bpmPerCm; }
  double PageWidth() const { return m_pageWidth; }
  double PageHeight() const { return m_pageHeight; }
  // Quarter-second samples that one page holds.
  std::uint64_t SamplesPerPage() const;

  // Horizontal: the grid's left edge, and the x of a sample `offset` samples after the page's
  // first.
  double GridLeft() const;
  double GridRight() const;
  double X(double offset) const;
  // Vertical lines: seconds between minor lines and between major (labelled) lines.
  int MinorSeconds() const;
  int MajorSeconds() const;

  // The heart-rate grid: its range in bpm, its top and bottom, and the y of a rate.
  int LowestBpm() const;
  int HighestBpm() const;
  double HeartRateTop() const;
  double HeartRateBottom() const;
  double HeartRateY(double bpm) const;

  // The contraction grid, 0-100.
  double ContractionTop() const;
  double ContractionBottom() const;
  double ContractionY(double value) const;

  // The band of event marks between the two grids, and the row of clock times above the
  // heart-rate grid (its baseline), and the header's top.
  double EventTop() const;
  double EventBottom() const;
  double ClockBaseline() const;
  double HeaderTop() const;

 private:
  double MinuteWidth() const;
  int PageMinutes() const;

  int m_speedCode;
  int m_bpmPerCm;
  double m_pageWidth;
  double m_pageHeight;
};
