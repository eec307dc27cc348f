#pragma once

#include <array>
#include <optional>

#include "recording/TraceChannel.h"

// One moment of a CTG trace (a quarter of a second): each channel's value, or none where the
// channel had no signal; each channel's alarm status code (0, normal, where no status is known);
// and the event marks of that moment. Heart rates are in bpm, UC and IUP in their own units;
// values keep the fractions a recording carries (a quarter bpm, half a toco unit).
struct TraceSample {
  // Bits of `marks`.
  static constexpr unsigned char kMarker = 0x01;
  static constexpr unsigned char kStimulator = 0x02;
  static constexpr unsigned char kMovement1 = 0x04;  // fetal movement detected on FM1
  static constexpr unsigned char kMovement2 = 0x08;  // fetal movement detected on FM2
  static constexpr unsigned char kUCZeroing = 0x10;
  static constexpr unsigned char kIUPZeroing = 0x20;
  // A monitor's link began again here (a recording of a study that went on after a
  // reconnection): the time before this sample does not run on into the time after it.
  static constexpr unsigned char kLinkBegan = 0x40;

  std::array<std::optional<float>, kTraceChannelCount> values{};
  std::array<unsigned char, kTraceChannelCount> alarms{};
  unsigned char marks = 0;

  std::optional<float>& Value(TraceChannel channel) { return values[static_cast<std::size_t>(channel)]; }
  const std::optional<float>& Value(TraceChannel channel) const {
    return values[static_cast<std::size_t>(channel)];
  }
  unsigned char& Alarm(TraceChannel channel) { return alarms[static_cast<std::size_t>(channel)]; }
  unsigned char Alarm(TraceChannel channel) const { return alarms[static_cast<std::size_t>(channel)]; }
  bool Has(unsigned char mark) const { return (marks & mark) != 0; }
};
