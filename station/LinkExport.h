#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "station/CtgTrace.h"
#include "station/StationExport.h"
#include "station/StreamFramer.h"

class RecordingWriter;

// Turns a captured monitor link, fed in chunks of any size, into a recording: the numerics
// packets become a 4 Hz trace (gaps where packets are missing, written as absent samples) that
// goes to the writer as it comes, so memory stays bounded whatever the link's length. The
// recording begins at the first numerics packet; its start time is the patient packet's date
// (the study's start day, midnight UTC) where one came before, plus the first packet's time.
// Unknown bytes and other packets are passed over.
class VUDODA_STATION_API LinkExport {
 public:
  explicit LinkExport(RecordingWriter& writer);

  void Feed(std::span<const unsigned char> bytes);
  // Ends the link. Returns the fault: no numerics packet in the whole link, or the writer's.
  std::optional<std::string> Finish();
  // Samples written so far.
  std::uint64_t SampleCount() const { return m_written; }

 private:
  void Take(const FrameEvent& event);
  void TakeNumerics(std::span<const unsigned char> bytes);
  void TakePatient(std::span<const unsigned char> bytes);

  RecordingWriter& m_writer;
  StreamFramer m_framer;
  CtgTrace m_trace;
  std::optional<std::int64_t> m_studyStart;
  bool m_begun = false;
  std::uint64_t m_written = 0;
};
