#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "recording/TraceSample.h"
#include "strip/StripApi.h"
#include "strip/StripColors.h"
#include "strip/StripLayout.h"

struct _cairo;

// What the header of every page names.
struct StripHeader {
  std::string hospital;
  std::string patientName;
  std::string patientId;
  std::string study;
};

// One page of a CTG strip drawn on a cairo context: the header, the clock times along the top,
// the heart-rate grid with FHR1, FHR2 and FECG, the event marks (marker, stimulator, fetal
// movements, zeroing), the contraction grid with UC and IUP, and a shaded band with its text
// wherever a channel's alarm status is not normal. A line joins two samples only where both
// have a value: an absent value leaves a gap.
class VUDODA_STRIP_API StripPage {
 public:
  StripPage(const StripLayout& layout, const StripColors& colors);

  // Draws page `number` of `samples` (at most a page's worth), the first of which was taken at
  // `clockSeconds` (seconds since 1970-01-01 UTC, or since the link's start when `dated` is
  // false).
  void Draw(_cairo* context, const StripHeader& header, int number, std::span<const TraceSample> samples,
            std::int64_t clockSeconds, bool dated) const;

  // "hh:mm:ss" of a clock time, and "yyyy-mm-dd" of a date.
  static std::string ClockText(std::int64_t seconds);
  static std::string DateText(std::int64_t seconds);

 private:
  void DrawHeader(_cairo* context, const StripHeader& header, int number, std::size_t sampleCount,
                  std::int64_t clockSeconds, bool dated) const;
  void DrawGrids(_cairo* context) const;
  void DrawClock(_cairo* context, std::int64_t clockSeconds) const;
  void DrawAlarms(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawTraces(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawMarks(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawLinkJoins(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawLegend(_cairo* context, std::span<const TraceSample> samples) const;

  const StripLayout& m_layout;
  const StripColors& m_colors;
};
