#pragma once

#include <optional>
#include <string>

#include "link/MonitorSettings.h"
#include "recording/RecordingApi.h"

class RecordingReader;

// A bedside monitor playing a recorded CTG: the link begins with the monitor's settings (the
// patient's date is the recording's start day, or zero without one), then carries the
// recording as numerics packets of five samples, time-stamped in milliseconds from the start,
// values rounded to whole units (see CtgTrace::FillNumerics). A last packet that the recording
// does not fill has its remaining samples absent. Memory stays bounded whatever the length.
class VUDODA_RECORDING_API RecordingReplay {
 public:
  explicit RecordingReplay(RecordingReader& reader);

  // Sends the whole link to `sink`. Returns the fault that stopped it: a recording with no
  // samples or longer than the link's four-byte millisecond time stamps reach (49 days),
  // checked before anything is sent; a read fault part way. Returns nullopt when all was sent
  // or the sink refused a packet (the sink knows why).
  std::optional<std::string> Run(const PacketSink& sink);

 private:
  RecordingReader& m_reader;
};
