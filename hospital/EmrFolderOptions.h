#pragma once

#include <string>

#include "hospital/HospitalApi.h"

class ObexConfig;

// Where and how a study's strip goes into the EMR folder (see EmrFolder).
struct VUDODA_HOSPITAL_API EmrFolderOptions {
  std::string folder;  // "EMR Data Path": must exist (a record system's share is not made here)
  int imageType = 0;   // "EMR Image Type": 0 PDF, 1 PNG, 2 SVG (see EmrFolder)
  int speedCode = 1;   // the paper speed, 1-3 cm/min ("Review Trend Speed")
  std::string hospitalName;

  // The configuration's EMR Data Path, EMR Image Type, Review Trend Speed and Hospital Name.
  static EmrFolderOptions FromConfig(const ObexConfig& config);
};
