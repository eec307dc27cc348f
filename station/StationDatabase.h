#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "qnutilex/QnAdo.h"
#include "station/StationExport.h"

class PKPatient_v110;

// The station's patient database, through the module's row classes: admits the patient a
// monitor announces, starts her studies and keeps their figures. One connection, used from the
// station's one thread. A failure leaves its reason in Fault() and changes nothing else.
class VUDODA_STATION_API StationDatabase {
 public:
  // A study as stored: its key and its figures so far.
  struct Study {
    std::string patientId;
    std::string studyId;
    long lengthSeconds = 0;
    long lossSeconds = 0;
  };

  // Connects to `uri`. A SQLite database that does not exist yet is created with its tables
  // (readable by its owner only); other engines must hold the tables already.
  std::optional<std::string> Connect(const std::string& uri);

  // The patient of the packet's identifier, added from the packet when not stored yet; a packet
  // without an identifier gets a new one (TBLPatient::GetUniqueId). Returns her P_ID, or
  // nullopt when the database refused.
  std::optional<std::string> Admit(PKPatient_v110& patient);
  // The patient's most recent study (by start time), or nullopt when she has none.
  std::optional<Study> LatestStudy(const std::string& patientId);
  // Adds a study of the patient starting at `start`; its identifier is the start second
  // (TBLStudy::SetStartTime), the next free second when that one is taken.
  std::optional<Study> StartStudy(const std::string& patientId, std::time_t start);
  // Stores the study's S_LENGTH and S_LOSS.
  bool UpdateFigures(const Study& study);

  const std::string& Fault() const { return m_fault; }

 private:
  bool Failed(const std::string& what);

  QnAdo m_db;
  std::string m_fault;
};
