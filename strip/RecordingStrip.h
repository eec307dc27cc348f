#pragma once

#include <optional>
#include <string>

#include "strip/StripApi.h"
#include "strip/StripRenderer.h"

class RecordingReader;

// A recording (.fhr, .fhrm, WFDB, CSV) drawn as a CTG strip: its samples go to the renderer as
// they are read, its own start time gives the clock along the top (the time since its start
// where it has none), so memory stays bounded by a page whatever the recording's length.
class VUDODA_STRIP_API RecordingStrip {
 public:
  // `surface` must be open and outlive this object.
  RecordingStrip(StripSurface& surface, const StripLayout& layout, const StripColors& colors, const StripHeader& header,
                 const StripSpan& span = {});

  // Draws the whole recording and ends the strip. The fault: a read fault part way, a recording
  // without samples, a span outside it, or a page that could not be written; then the old
  // files stay as they were.
  std::optional<std::string> Draw(RecordingReader& reader);

  int PageCount() const { return m_renderer.PageCount(); }

 private:
  StripSurface& m_surface;
  StripRenderer m_renderer;
};
