#include "link/SeededRandom.h"

SeededRandom::SeededRandom(std::uint32_t seed) : m_engine(seed) {}

double SeededRandom::Uniform() { return static_cast<double>(m_engine()) / 4294967296.0; }

double SeededRandom::Uniform(double low, double high) { return low + (high - low) * Uniform(); }

double SeededRandom::Normal(double mean, double deviation) {
  double sum = 0;
  for (int i = 0; i < 12; ++i) sum += Uniform();
  return mean + deviation * (sum - 6.0);
}

bool SeededRandom::Chance(double probability) { return Uniform() < probability; }
