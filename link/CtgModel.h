#pragma once

#include <optional>

#include "link/LinkApi.h"
#include "link/RecurringEpisode.h"
#include "link/SeededRandom.h"

// What a bedside monitor measures at one moment of a simulated labour.
struct CtgSample {
  std::optional<int> fhr1;       // fetal heart rate, bpm; none while the signal is lost
  bool fetalMovement;            // a movement was detected at this moment
  int uc;                        // uterine activity, toco units
  int maternalHeartRate;         // bpm
  std::optional<int> spo2;       // maternal SpO2, %; none while the probe searches the pulse
  std::optional<int> pulseRate;  // maternal pulse rate, bpm; none with spo2
  double temperature;            // maternal, °C
};

// A made-up mother and a single fetus, sampled four times a second: fetal heart rate around a
// baseline of about 140 bpm with variability and an occasional acceleration, contractions every
// few minutes, maternal heart rate about 80, SpO2 about 98, temperature about 36.8, and now and
// then a lost fetal heart signal or a searching SpO2 probe. Everything follows from the seed.
class VUDODA_LINK_API CtgModel {
 public:
  static constexpr double kSampleSeconds = 0.25;

  explicit CtgModel(SeededRandom& random);

  // The sample kSampleSeconds after the previous one (the first at time 0).
  CtgSample Next();

 private:
  int FetalHeartRate(double contraction);
  int MaternalHeartRate(double contraction);

  SeededRandom& m_random;
  double m_seconds = -kSampleSeconds;
  double m_fhrBaseline;
  double m_phases[4];
  RecurringEpisode m_acceleration;
  RecurringEpisode m_contraction;
  RecurringEpisode m_fhrSignalLoss;
  RecurringEpisode m_spo2Search;
};
