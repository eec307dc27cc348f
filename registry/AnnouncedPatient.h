#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "registry/RegistryApi.h"

class PKPatient_v110;

// The patient a monitor announces, in the station's code page (see MonitorText): what the
// station admits, whatever bytes her texts hold. A text that did not convert exactly is named in
// `notes` with the bytes the monitor sent, for the study's event log.
struct VUDODA_REGISTRY_API AnnouncedPatient {
  std::string id;  // empty: the monitor names no identifier
  std::string lastName;
  std::string firstName;
  int year = 0;
  int month = 0;
  int day = 0;
  double height = 0;
  double weight = 0;
  std::vector<std::string> notes;

  // The packet's patient, its texts read in `monitorCodePage`.
  static AnnouncedPatient FromPacket(PKPatient_v110& packet, UINT monitorCodePage);
  // "Lastname, Firstname".
  std::string Name() const { return lastName + ", " + firstName; }
};
