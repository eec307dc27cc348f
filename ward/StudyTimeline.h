#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "recording/TraceSample.h"
#include "ward/WardApi.h"
#include "web/TraceBatch.h"

// When each sample of a study was taken: one instant per sample, the same in the live stream
// and in the study's recording read back, across a monitor's reconnections and the station's
// restarts.
//
// A monitor times its link from the link's own start (its numerics' time stamps, in ms), and the
// link file keeps exactly the bytes it sent. The station anchors each link to its own clock when
// the link's first numerics packet comes: the UTC instant of the link's time stamp 0 is the
// packet's arrival less its time stamp and the 1.25 s it covers (a monitor sends the packet when
// its five samples are over), rounded to the quarter-second grid (a multiple of 250 ms since
// 1970), so that the samples of every link of a study lie on one grid. The anchor goes into the
// study's events file as a line of its own, one per link in the order of the links in the link
// file ("2026-10-25 02:30:00 +0100 link clock: time stamp 0 is 1793000000250 ms UTC"); a link
// that also carries a study that follows (a new patient at the bed) has its anchor written there
// too. A sample at time stamp t of link k is at anchor k + t.
//
// Read back, the link file goes through LinkExport (the recording library's one reading of a
// link): the k-th link it finds (the first, then one more at each link that began again) takes
// the k-th anchor. Within a study the samples go forward in time: one whose instant is not past
// the one before it (an earlier link's last samples, where the monitor's clock ran ahead of the
// station's) is left out, live as read back. A recording without anchor lines (one written
// before the station anchored its links) is timed from `fallback`, its study's start.
class VUDODA_WARD_API StudyTimeline {
 public:
  using Instant = std::chrono::system_clock::time_point;
  using Visit = std::function<bool(Instant time, const TraceSample& sample)>;

  static constexpr std::chrono::milliseconds kPeriod{250};

  // The anchor of a link whose numerics packet stamped `timeStampMs` came at `arrival`.
  static Instant AnchorOf(Instant arrival, std::uint32_t timeStampMs);
  // The instant of the sample at `place` (quarter seconds of its link) of the link at `anchor`.
  static Instant At(Instant anchor, std::uint64_t place) { return anchor + kPeriod * static_cast<long>(place); }
  // The text of the events line that records `anchor` (without the line's stamp).
  static std::string AnchorText(Instant anchor);
  // The anchors in the events file at `eventsPath`, in order.
  static std::vector<Instant> Anchors(const std::string& eventsPath);
  // The events file beside the link file at `linkPath`.
  static std::string EventsPathOf(const std::string& linkPath);

  // Visits each sample of the recording at `linkPath` in order with its instant, from the
  // first at or after `from` to the last before `to`, until `visit` returns false. The fault
  // (the file cannot be read), or nullopt.
  static std::optional<std::string> Walk(const std::string& linkPath, Instant fallback, Instant from, Instant to,
                                         const Visit& visit);
  // The samples from `from` to `to` as one stretch: from the first sample there, each later one
  // in its place on the grid, absent samples where none was recorded.
  static std::optional<std::string> Read(const std::string& linkPath, Instant fallback, Instant from, Instant to,
                                         TraceBatch& batch);
};
