#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/RecordingWriter.h"
#include "strip/StripApi.h"
#include "strip/StripClock.h"
#include "strip/StripColors.h"
#include "strip/StripLayout.h"
#include "strip/StripPage.h"

class StripSurface;

// The stretch of a recording to draw: from a clock time (the first whole second at or after the
// recording's start at which the strip's clock shows it, or passes it where a change to summer
// time skips it; the start itself without one) for a number of minutes (to the end without one).
struct StripSpan {
  std::optional<int> fromSecondOfDay;
  std::optional<double> minutes;
};

// Draws a CTG recording as a strip, page by page, as its samples arrive: it takes the samples
// of a recording like any recording writer (from LinkExport, say), keeps one page's worth, and
// draws each page onto the surface when it is full, so memory stays bounded by a page whatever
// the recording's length. The clock along the top is the local wall time from the recording's
// start time where it has one, else the time since the link began (StripClock).
class VUDODA_STRIP_API StripRenderer final : public RecordingWriter {
 public:
  // `surface` must be open and outlive the renderer.
  StripRenderer(StripSurface& surface, const StripLayout& layout, const StripColors& colors, StripHeader header,
                StripSpan span = {});

  // The patient the following pages name.
  void SetPatient(std::string name, std::string id);

  void Begin(std::optional<std::int64_t> startTime) override;
  void Write(std::uint64_t place, const TraceSample& sample) override;
  // Draws the last page and closes the surface, whose files then take their places (dropped
  // instead after a fault). The fault: a page that could not be written, or a span that holds
  // no sample of the recording (naming the recording's clock range).
  std::optional<std::string> Finish() override;

  int PageCount() const { return m_pages; }

 private:
  // Begins the span at `place` when its clock shows the span's first second.
  void LookForSpan(std::uint64_t place);
  void BeginSpan(std::uint64_t place);
  StripClock ClockAt(std::uint64_t place) const;
  void DrawPage();

  StripSurface& m_surface;
  StripLayout m_layout;
  StripColors m_colors;
  StripHeader m_header;
  StripSpan m_span;
  std::optional<std::int64_t> m_startTime;
  bool m_started = false;
  std::uint64_t m_firstPlace = 0;  // the recording's first sample
  std::uint64_t m_endPlace = 0;    // after the recording's last sample so far
  std::optional<std::uint64_t> m_spanFirst;
  std::uint64_t m_spanEnd = 0;
  std::optional<int> m_lastSecondOfDay;  // of the last whole second looked at for the span
  std::uint64_t m_pageFirst = 0;
  std::vector<TraceSample> m_page;
  int m_pages = 0;
  std::optional<std::string> m_fault;
};
