#pragma once

#include "link/LinkApi.h"
#include "link/SeededRandom.h"

// Something that happens again and again at random gaps and lasts a while, with a strength
// drawn per episode: an acceleration of the fetal heart rate, a contraction, a signal loss.
class VUDODA_LINK_API RecurringEpisode {
 public:
  struct Range {
    double low;
    double high;
  };
  struct Timing {
    Range firstStart;  // seconds from the start of the recording
    Range gap;         // seconds from the start of one episode to the start of the next
    Range duration;    // seconds
    Range strength;
  };

  RecurringEpisode(const Timing& timing, SeededRandom& random);

  // The episode's strength shaped by a smooth rise and fall (0 outside an episode), at
  // `seconds`. Times must not decrease from call to call.
  double Level(double seconds);
  // Whether an episode lasts at `seconds`. Times must not decrease from call to call.
  bool IsActive(double seconds);
  // Whether an episode begins within [seconds, seconds + span). Times must not decrease.
  bool BeginsWithin(double seconds, double span);

 private:
  void Advance(double seconds);
  void Draw(double start);

  Timing m_timing;
  SeededRandom& m_random;
  double m_start = 0;
  double m_duration = 0;
  double m_strength = 0;
};
