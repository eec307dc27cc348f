#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "web/TraceBatch.h"

// The samples a live stream carries, each with its instant, as a test compares them with what
// the made-up ward produced.
struct TimedSample {
  std::int64_t timeMs = 0;
  TraceSample sample;

  bool operator==(const TimedSample& other) const {
    return timeMs == other.timeMs && sample.values == other.sample.values && sample.alarms == other.sample.alarms &&
           sample.marks == other.sample.marks;
  }
};

inline void PrintTo(const TimedSample& sample, std::ostream* out) {
  *out << "{" << sample.timeMs << " FHR1 " << sample.sample.values[0].value_or(-1) << "}";
}

inline std::vector<TimedSample> Timed(const std::vector<TraceBatch>& batches) {
  std::vector<TimedSample> samples;
  for (const TraceBatch& batch : batches) {
    const auto startMs = std::chrono::duration_cast<std::chrono::milliseconds>(batch.start.time_since_epoch()).count();
    for (std::size_t index = 0; index < batch.samples.size(); ++index) {
      samples.push_back({startMs + 250 * static_cast<std::int64_t>(index), batch.samples[index]});
    }
  }
  return samples;
}

// The samples of a "trace" or "samples" message of bed `bed` (none for any other message).
inline std::vector<TimedSample> SamplesOf(const nlohmann::json& message, int bed) {
  static const std::array<const char*, kTraceChannelCount> names{"FHR1", "FHR2", "MHR", "FECG", "UC", "IUP", "FM1", "FM2"};
  std::vector<TimedSample> samples;
  if ((message["type"] != "trace" && message["type"] != "samples") || message["bed"] != bed) return samples;
  const std::size_t count = message["count"];
  for (std::size_t index = 0; index < count; ++index) {
    TimedSample timed;
    timed.timeMs = message["startMs"].get<std::int64_t>() + message["periodMs"].get<std::int64_t>() * static_cast<std::int64_t>(index);
    for (std::size_t channel = 0; channel < kTraceChannelCount; ++channel) {
      const auto values = message["values"].find(names[channel]);
      if (values != message["values"].end() && !(*values)[index].is_null()) {
        timed.sample.values[channel] = (*values)[index].get<float>();
      }
      if (message.contains("alarmCodes") && message["alarmCodes"].contains(names[channel])) {
        timed.sample.alarms[channel] = message["alarmCodes"][names[channel]][index].get<unsigned char>();
      }
    }
    if (message.contains("marks")) timed.sample.marks = message["marks"][index].get<unsigned char>();
    samples.push_back(timed);
  }
  return samples;
}
