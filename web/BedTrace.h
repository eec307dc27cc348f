#pragma once

#include <vector>

#include "web/TraceBatch.h"
#include "web/WardAlarm.h"

// A bed's trace over a span of time as the ward answers for it: the samples it recorded there
// and the ward's alarms whose time overlaps the span, so that a reader scrolling back over a
// study sees where each alarm was on.
struct BedTrace {
  TraceBatch samples;
  std::vector<WardAlarm> alarms;
};
