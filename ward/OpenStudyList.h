#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ward/WardApi.h"

// The studies a station has open, in Studies/open-studies under the data folder: a station that
// was killed counts their figures from their recordings when it starts again, since the
// database's may lag them by a sync interval, or by more. One study a line, its patient's and
// its own identifier escaped as RecordingName does, a blank between them.
class VUDODA_WARD_API OpenStudyList {
 public:
  using Study = std::pair<std::string, std::string>;  // patient, study

  // The studies listed; a line that is not one is skipped. None when there is no list.
  static std::vector<Study> Read(const std::string& dataFolder);
  // Replaces the list by `studies`: a new file, synced, renamed over the old one, and the
  // folder synced. The fault, or nullopt.
  static std::optional<std::string> Write(const std::string& dataFolder, const std::vector<Study>& studies);
};
