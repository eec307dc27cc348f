#pragma once

#include <optional>
#include <string>

#include "link/MonitorSettings.h"
#include "recording/RecordingApi.h"

class RecordingReader;

// A bedside monitor playing a recorded CTG: the link begins with the made-up monitor's settings
// and patient (MonitorSettings, seed 1), then the link clock of the recording's start where it
// has one that four bytes hold (LinkClock: time stamp 0 is the first sample's second), then
// carries the recording as numerics packets of five samples, time-stamped in milliseconds from
// the start, values rounded to whole units (see CtgTrace::FillNumerics). A last packet that the
// recording does not fill has its remaining samples absent. Memory stays bounded whatever the
// length.
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
