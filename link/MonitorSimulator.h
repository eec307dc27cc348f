#pragma once

#include <array>
#include <cstdint>

#include "link/CtgModel.h"
#include "link/LinkApi.h"
#include "link/PacketSink.h"
#include "link/RecurringEpisode.h"
#include "link/SeededRandom.h"

class PKParam_v110;
class PKWave_v110;

// The link of a made-up bedside fetal monitor. It first sends the protocol version, its
// settings, the patient and the alarm settings; then, for every 50 ms, a waveform packet
// (12 ECG and 3 SpO2 wave samples per channel) and, for every 1.25 s, a numerics packet of five
// samples taken four times a second. The numerics carry alarm statuses that follow the alarm
// limits, an NIBP reading every five minutes (status 4 once measured), a marker now and then
// and a UC zeroing at the start and every quarter of an hour or so. The same seed gives the
// same bytes.
class VUDODA_LINK_API MonitorSimulator {
 public:
  static constexpr std::uint64_t kWaveMilliseconds = 50;
  static constexpr std::uint64_t kNumericsMilliseconds = 1250;

  explicit MonitorSimulator(std::uint32_t seed);

  // Sends the settings and then the packets of the first `milliseconds` of the recording:
  // one waveform packet per whole 50 ms, one numerics packet per whole 1.25 s (after the
  // waveforms of its period). Time stamps are milliseconds since the recording began. Stops
  // early when the sink refuses a packet.
  void Run(std::uint64_t milliseconds, const PacketSink& sink);

 private:
  struct NIBPReading {
    int systolic;
    int mean;
    int diastolic;
  };

  void FillWave(PKWave_v110& wave, const CtgSample& sample);
  void FillNumerics(PKParam_v110& numerics, std::uint64_t startMilliseconds);
  void FillSamples(PKParam_v110& numerics);
  void FillAlarms(PKParam_v110& numerics);
  void FillNIBP(PKParam_v110& numerics, std::uint64_t milliseconds);
  NIBPReading DrawNIBPReading();

  std::uint32_t m_seed;  // also names the made-up patient
  SeededRandom m_random;
  CtgModel m_model;
  std::array<CtgSample, 5> m_samples{};
  int m_movementCount = 0;
  double m_ecgPhase = 0;
  NIBPReading m_nibp;
  std::int64_t m_nibpCycle = -1;
  RecurringEpisode m_marker;
  RecurringEpisode m_zeroing;
};
