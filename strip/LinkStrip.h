#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "link/StreamFramer.h"
#include "recording/LinkExport.h"
#include "strip/StripApi.h"
#include "strip/StripRenderer.h"

// A captured monitor link, fed in chunks of any size, drawn as a CTG strip: the numerics
// become the trace (LinkExport), the renderer draws it page by page, and the patient packet
// names the patient in the pages' header. Memory stays bounded whatever the link's length.
class VUDODA_STRIP_API LinkStrip {
 public:
  // `surface` must be open and outlive this object.
  LinkStrip(StripSurface& surface, const StripLayout& layout, const StripColors& colors, const StripHeader& header,
            const StripSpan& span = {});

  void Feed(std::span<const unsigned char> bytes);
  // Feeds the whole link read from `in` (hex text when `hex`, see ByteStreamReader) and ends
  // the strip. The fault of the reading or of Finish; nothing is kept after a read fault.
  std::optional<std::string> Draw(std::istream& in, bool hex);
  // Ends the link and the strip. The fault: no numerics in the link, a span outside it, or a
  // page that could not be written; then the old files stay as they were.
  std::optional<std::string> Finish();

  int PageCount() const { return m_renderer.PageCount(); }
  // What the reader of the strip should know of the link (LinkExport::Remarks).
  std::string Remarks() const { return m_export.Remarks(); }

 private:
  void TakePatient(const FrameEvent& event);

  StripRenderer m_renderer;
  LinkExport m_export;
  StreamFramer m_patientFramer;
};
