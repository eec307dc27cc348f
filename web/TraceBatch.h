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

  std::chrono::system_clock::time_point End() const {
    return start + kSamplePeriod * static_cast<long>(samples.size());
  }
};
