#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "web/TraceBatch.h"

// One sample batch of a bed on its way to the live streams: built into its message once and
// shared by every stream that sends it. The samples stay beside the message for a stream that
// has sent part of them already and needs the rest only.
struct LiveBatch {
  int bed = 0;
  std::int64_t startMs = 0;  // the first sample's instant
  TraceBatch batch;
  std::shared_ptr<const std::string> message;

  std::int64_t EndMs() const {
    return startMs + TraceBatch::kSamplePeriod.count() * static_cast<std::int64_t>(batch.samples.size());
  }
};
