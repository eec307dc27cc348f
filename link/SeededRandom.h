#pragma once

#include <cstdint>
#include <random>

#include "link/LinkApi.h"

// Random numbers that depend on the seed alone. The engine's sequence is fixed by the
// standard, and the derived draws use plain arithmetic rather than the library's
// distributions (whose algorithms differ between implementations), so that a seed gives the
// same stream everywhere.
class VUDODA_LINK_API SeededRandom {
 public:
  explicit SeededRandom(std::uint32_t seed);

  // In [0, 1).
  double Uniform();
  // In [low, high).
  double Uniform(double low, double high);
  // Roughly normal (a sum of twelve uniform draws), within mean ± 6 deviations.
  double Normal(double mean, double deviation);
  // True with the given probability.
  bool Chance(double probability);

 private:
  std::mt19937 m_engine;
};
