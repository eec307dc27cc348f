#pragma once

#include <chrono>
#include <vector>

#include "recording/TraceSample.h"

// A stretch of a bed's trace: samples every quarter second from `start` (the UTC instant of
// the first), with the trace's gaps as samples without values and its event marks. Consecutive
// batches of a bed follow one another; one that starts later than the previous ended leaves a
// gap (the link was away).
struct TraceBatch {
  static constexpr std::chrono::milliseconds kSamplePeriod{250};

  std::chrono::system_clock::time_point start{};
  std::vector<TraceSample> samples;
  // A live batch: when the station took the numerics packet that carried it off the link, so
  // that a reader of the live stream sees how long its samples took to reach it. The epoch for
  // a trace read back from a recording.
  std::chrono::system_clock::time_point arrived{};

  std::chrono::system_clock::time_point End() const {
    return start + kSamplePeriod * static_cast<long>(samples.size());
  }
};
