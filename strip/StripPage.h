#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "recording/TraceSample.h"
#include "strip/StripApi.h"
#include "strip/StripClock.h"
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

// One page of a CTG strip drawn on a cairo context: the header, the clock times along the top
// (local wall time, or the time since the link began; see StripClock),
// the heart-rate grid with FHR1, FHR2 and FECG, the event marks (marker, stimulator, fetal
// movements, zeroing), the contraction grid with UC and IUP, and a shaded band with its text
// wherever a channel's alarm status is not normal. A line joins two samples only where both
// have a value: an absent value leaves a gap.
class VUDODA_STRIP_API StripPage {
 public:
  StripPage(const StripLayout& layout, const StripColors& colors);

  // Draws page `number` of `samples` (at most a page's worth), the first of which was taken at
  // `start`.
  void Draw(_cairo* context, const StripHeader& header, int number, std::span<const TraceSample> samples,
            const StripClock& start) const;

  // The labels of the clock row of a page from `start`, one per major line: the time, to the
  // minute where it falls on one, and where the UTC offset changed since the label before, the
  // new offset: "02:50", "02:00 +01:00", "02:10".
  static std::vector<std::string> ClockLabels(const StripLayout& layout, const StripClock& start);
  // The time span of a page in its header, `seconds` from `start`: "02:10:00 - 02:36:00" since
  // the start; "2026-10-25  02:10:00 - 02:36:00 +01:00" on the wall, where a page over a change
  // of the offset names both: "2026-10-25  02:40:00 +02:00 - 02:06:00 +01:00".
  static std::string SpanText(const StripClock& start, std::int64_t seconds);

 private:
  void DrawHeader(_cairo* context, const StripHeader& header, int number, std::size_t sampleCount,
                  const StripClock& start) const;
  void DrawGrids(_cairo* context) const;
  void DrawClock(_cairo* context, const StripClock& start) const;
  void DrawAlarms(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawTraces(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawMarks(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawLinkJoins(_cairo* context, std::span<const TraceSample> samples) const;
  void DrawLegend(_cairo* context, std::span<const TraceSample> samples) const;

  const StripLayout& m_layout;
  const StripColors& m_colors;
};
