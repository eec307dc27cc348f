#pragma once

#include <optional>
#include <string>
#include <vector>

#include "web/WardAlarm.h"

// What the ward's web side shows of one bed: its link, who is monitored in which study, the
// latest values and the alarms that are on. A value the bed does not have is none.
struct BedView {
  enum class Link { Free, Connected, Silent, Lost };

  int bed = 0;  // 1 ... the number of beds
  Link link = Link::Free;
  std::string patientId;
  std::string patientName;
  std::string studyId;
  std::optional<int> fhr1;
  std::optional<int> fhr2;
  std::optional<int> mhr;
  std::optional<int> uc;
  std::vector<WardAlarm> alarms;  // the active ones, cleared ones are not here
};
