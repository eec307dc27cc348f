#include "strip/RecordingStrip.h"

#include "recording/RecordingReader.h"
#include "strip/StripSurface.h"

RecordingStrip::RecordingStrip(StripSurface& surface, const StripLayout& layout, const StripColors& colors,
                               const StripHeader& header, const StripSpan& span)
    : m_surface(surface), m_renderer(surface, layout, colors, header, span) {}

std::optional<std::string> RecordingStrip::Draw(RecordingReader& reader) {
  m_renderer.Begin(reader.StartTime());
  std::uint64_t place = 0;
  for (TraceSample sample; reader.Next(sample); ++place) m_renderer.Write(place, sample);
  // A read fault outweighs what the renderer made of the samples before it: nothing is kept of
  // a recording not read to its end.
  if (std::optional<std::string> fault = reader.Fault()) {
    m_surface.Discard();
    return fault;
  }
  return m_renderer.Finish();
}
