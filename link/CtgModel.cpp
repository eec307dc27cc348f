#include "link/CtgModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Seconds and strengths of the recurring episodes (accelerations in bpm, contractions in toco
// units above the resting tone; the others only last).
constexpr RecurringEpisode::Timing kAcceleration{{8, 40}, {120, 300}, {20, 40}, {15, 28}};
constexpr RecurringEpisode::Timing kContraction{{30, 90}, {150, 240}, {60, 90}, {35, 60}};
constexpr RecurringEpisode::Timing kFhrSignalLoss{{10, 60}, {90, 240}, {2, 5}, {1, 1}};
constexpr RecurringEpisode::Timing kSpO2Search{{30, 120}, {120, 300}, {3, 8}, {1, 1}};

constexpr double kUterineTone = 12;
// A movement is detected at most this often by chance, besides those that start accelerations.
constexpr double kMovementChance = 1.0 / 400;

int Rounded(double value, double low, double high) {
  return static_cast<int>(std::lround(std::clamp(value, low, high)));
}

}  // namespace

CtgModel::CtgModel(SeededRandom& random)
    : m_random(random),
      m_fhrBaseline(random.Uniform(135, 145)),
      m_phases{random.Uniform(0, kTwoPi), random.Uniform(0, kTwoPi), random.Uniform(0, kTwoPi),
               random.Uniform(0, kTwoPi)},
      m_acceleration(kAcceleration, random),
      m_contraction(kContraction, random),
      m_fhrSignalLoss(kFhrSignalLoss, random),
      m_spo2Search(kSpO2Search, random) {}

CtgSample CtgModel::Next() {
  m_seconds += kSampleSeconds;
  const double contraction = m_contraction.Level(m_seconds);
  const bool accelerationBegins = m_acceleration.BeginsWithin(m_seconds, kSampleSeconds);
  CtgSample sample{};
  const int fhr = FetalHeartRate(contraction);
  if (!m_fhrSignalLoss.IsActive(m_seconds)) sample.fhr1 = fhr;
  sample.fetalMovement = accelerationBegins || m_random.Chance(kMovementChance);
  sample.uc = Rounded(kUterineTone + contraction + m_random.Normal(0, 0.8), 0, 100);
  sample.maternalHeartRate = MaternalHeartRate(contraction);
  if (!m_spo2Search.IsActive(m_seconds)) {
    sample.spo2 = Rounded(m_random.Normal(98, 0.4), 0, 100);
    sample.pulseRate = Rounded(sample.maternalHeartRate + m_random.Normal(0, 1), 30, 250);
  }
  sample.temperature = 36.8 + 0.08 * std::sin(kTwoPi * m_seconds / 600 + m_phases[3]);
  return sample;
}

// Baseline, long-term variability as a sum of slow waves, beat-to-beat noise, accelerations,
// and a slight dip at the height of a contraction.
int CtgModel::FetalHeartRate(double contraction) {
  const double variability = 3.0 * std::sin(kTwoPi * m_seconds / 23 + m_phases[0]) +
                             2.0 * std::sin(kTwoPi * m_seconds / 9 + m_phases[1]);
  const double rate = m_fhrBaseline + variability + m_random.Normal(0, 1.2) +
                      m_acceleration.Level(m_seconds) - 0.05 * contraction;
  return Rounded(rate, 50, 240);
}

int CtgModel::MaternalHeartRate(double contraction) {
  const double rate = 80 + 3.0 * std::sin(kTwoPi * m_seconds / 90 + m_phases[2]) +
                      0.1 * contraction + m_random.Normal(0, 0.7);
  return Rounded(rate, 30, 250);
}
