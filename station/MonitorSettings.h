#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "station/StationExport.h"

class PKBase;

// What a made-up bedside fetal monitor announces when its link starts: the protocol version,
// its settings, the patient (an obviously made-up one) and its alarm settings. The simulated
// monitor and a replayed recording begin their links with it.
class VUDODA_STATION_API MonitorSettings {
 public:
  using PacketSink = std::function<void(std::span<const unsigned char>)>;

  // Alarm limits that the monitor announces and that its alarm statuses follow.
  static constexpr int kFHRLow = 110;
  static constexpr int kFHRHigh = 160;
  static constexpr int kSpO2Low = 90;
  static constexpr int kNIBPLow = 90;
  static constexpr int kNIBPHigh = 160;

  // Stamps the packet's checksum and passes its bytes to `sink`.
  static void Send(PKBase& packet, const PacketSink& sink);
  // Sends the four settings packets. With `studyStart` (seconds since 1970-01-01 UTC) the
  // patient packet's date is the day the study started, in UTC.
  static void SendAll(const PacketSink& sink, std::optional<std::int64_t> studyStart = std::nullopt);
};
