#pragma once

#include <chrono>
#include <string>

// A finished study whose strip goes into the EMR folder, as the ward knows it. Texts are in the
// station's code page.
struct EmrStudy {
  std::string patientId;
  std::string patientName;
  std::string studyId;
  std::chrono::system_clock::time_point start;  // when the study began
  // The study's recording: the link file (.link) the ward wrote, or a recording that
  // RecordingReader reads (.fhr, .fhrm, .hea, .csv).
  std::string recordingPath;
};
