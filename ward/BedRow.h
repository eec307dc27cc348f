#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the station shows of one bed: who is there, the link's state, the latest numerics with
// the texts of the alarms that are on (in the station's language), and what the link has cost.
// A value of -1 is no value.
struct BedRow {
  enum class Link { Free, Connected, Silent, Lost };

  int bed = 0;  // 1 … the number of beds
  Link link = Link::Free;
  std::string peer;  // the monitor's address
  std::string patientId;
  std::string patientName;
  std::string studyId;
  int fhr1 = -1;
  int fhr2 = -1;
  int uc = -1;
  int mhr = -1;  // maternal heart rate (ECG)
  int spo2 = -1;
  int nibpSystolic = -1;
  int nibpDiastolic = -1;
  std::vector<std::string> alarms;  // "FHR1: <text>" for each parameter whose status is not normal
  long lengthSeconds = 0;           // S_LENGTH
  long lossSeconds = 0;             // S_LOSS
  std::uint64_t bytes = 0;          // received since the bed's study began
  std::uint64_t badBytes = 0;       // unknown bytes, truncated packets and packets with a wrong key
};
