#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "recording/RecordingApi.h"
#include "recording/TraceSample.h"

class PKParam_v110;

// A stretch of a CTG recording at 4 Hz: the samples of every channel with their gaps, and the
// event marks. A sample's place counts quarter seconds from the start of the recording (time
// stamp 0 of the link). The trace is a window: a consumer that has used the samples before a
// place forgets them (DropBefore), so that a recording of any length passes through in bounded
// memory. A gap holds no samples at all, however long it is; it reads as absent samples.
//
// The link carries a trace as numerics packets of five samples each (1.25 s), time-stamped in
// milliseconds from the start: AddNumerics takes one in, FillNumerics makes one.
class VUDODA_RECORDING_API CtgTrace {
 public:
  static constexpr std::uint64_t kSampleMilliseconds = 250;
  static constexpr int kSamplesPerSecond = 4;
  static constexpr int kSamplesPerNumerics = 5;

  // The place of the first sample held and the place after the last (equal when empty).
  std::uint64_t FirstSample() const { return m_first; }
  std::uint64_t EndSample() const { return m_end; }
  bool IsEmpty() const { return m_first == m_end; }
  // The sample at `place`; a place in a gap or outside [FirstSample(), EndSample()) gives a
  // sample with every value absent, no alarm and no mark.
  const TraceSample& At(std::uint64_t place) const;

  // Adds `sample` at EndSample().
  void Append(const TraceSample& sample);
  // Adds the five samples of a numerics packet at the place of its time stamp (rounded to the
  // nearest quarter second): values present where the packet holds them, alarm statuses on
  // every sample, marker, stimulator and zeroing on the first sample, movement marks on their
  // own. The first packet of a trace that holds nothing yet decides where it begins; later,
  // the places between the end and the packet become a gap, and samples of a repeated or late
  // packet that lie before the end are left out. The time stamp alone decides: a packet whose
  // time stamp was garbled ahead would leave every packet after it "late". Packets of a link
  // are placed by NumericsPlacer first (as LinkExport does), and then added with AddNumericsAt.
  void AddNumerics(PKParam_v110& packet);
  // As AddNumerics, with the packet's first sample at `place` instead of the place of its
  // time stamp (a link whose time stamps began again, continued where the trace ends).
  void AddNumericsAt(PKParam_v110& packet, std::uint64_t place);
  // Fills `packet` (from SetNullData on) with the five samples from `place`: the time stamp
  // place x 250 ms (it must fit four bytes), values rounded to whole units and absent where a
  // sample has none or the field cannot hold the value (a heart rate of 255 or more, a
  // negative one), the alarm statuses of the first sample (normal for the parameters a trace
  // does not carry), and the marks of any of the five. Does not stamp the checksum.
  void FillNumerics(std::uint64_t place, PKParam_v110& packet) const;
  // Forgets the samples before `place` (at most EndSample()).
  void DropBefore(std::uint64_t place);

  // The place that a numerics packet's time stamp gives.
  static std::uint64_t PlaceOf(PKParam_v110& packet);

 private:
  // Consecutive samples; the places between two runs are a gap.
  struct Run {
    std::uint64_t first;
    std::vector<TraceSample> samples;
  };

  void AddAt(std::uint64_t place, const TraceSample& sample);

  std::deque<Run> m_runs;
  std::uint64_t m_first = 0;
  std::uint64_t m_end = 0;
  bool m_started = false;
};
