#pragma once

#include <cstddef>

// The channels of a CTG trace: the heart rates drawn on the heart-rate grid (two fetal rates,
// the maternal rate, the fetal ECG rate), the contraction channels (external UC, intra-uterine
// pressure) and the two fetal-movement counts. The values index TraceSample's arrays.
enum class TraceChannel : std::size_t { FHR1, FHR2, MHR, FECG, UC, IUP, FM1, FM2 };

inline constexpr std::size_t kTraceChannelCount = 8;
