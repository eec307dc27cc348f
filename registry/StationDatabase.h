#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/COleDateTime.h"
#include "qnutilex/QnAdo.h"
#include "registry/RegistryApi.h"

struct AnnouncedPatient;
class ObexConfig;
class TBLPatient;
class TBLStudy;

// The station's patient database, through the module's row classes: opens or creates it,
// admits the patient a monitor announces (or a user enters), starts her studies and keeps their
// figures. One connection, used from one thread at a time. A failure leaves its reason in
// Fault() and changes nothing else.
//
// Admissions share the database with other stations: an identifier drawn from what the
// database holds (today's next patient identifier, a study's start second) is drawn again when
// another station took it at the same moment (AddWithFreshKey).
class VUDODA_REGISTRY_API StationDatabase {
 public:
  // A study as stored: its key and its figures so far.
  struct Study {
    std::string patientId;
    std::string studyId;
    long lengthSeconds = 0;
    long lossSeconds = 0;
  };

  // The database of a station that names none: "vudoda.db" in the configuration's data folder.
  static std::string DefaultUri(const ObexConfig& config);
  // `uri` as a text may show it: a file's URI as it is, a server as "the server" (its
  // connection string may carry a password).
  static std::string Shown(const std::string& uri);

  // Connects to `uri`. A SQLite database that does not exist yet is created with its tables
  // (readable by its owner only); other engines must hold the tables already.
  std::optional<std::string> Connect(const std::string& uri);
  // Connects to `uri` and creates its tables where they are missing, on any engine; a new
  // SQLite file is readable by its owner only. `created` tells whether the file is new.
  std::optional<std::string> Create(const std::string& uri, bool& created);
  // Connects to an existing database; the fault names what to do when a file is missing.
  std::optional<std::string> Open(const std::string& uri);
  // Lets no statement wait longer than `limit` for a lock another connection holds: the busy
  // timeout on SQLite, statement_timeout on PostgreSQL. The fault, or nullopt.
  std::optional<std::string> LimitWaits(std::chrono::milliseconds limit);
  // The connection, for listings and the row classes of a host.
  QnAdo& Connection() { return m_db; }

  // The patient of the announced identifier, added as announced when not stored yet; one
  // without an identifier gets a new one (TBLPatient::GetUniqueId). Returns her P_ID, or
  // nullopt when the database refused (Fault() says why).
  std::optional<std::string> Admit(const AnnouncedPatient& patient);
  // Adds `patient` (bound to Connection()); without an identifier she gets today's next one.
  bool AddPatient(TBLPatient& patient);
  // The patient's studies, the latest start first, at most `count`. Start times are local and
  // repeat after a fall-back of the clock: the order is a hint, not the order of the instants.
  std::vector<Study> RecentStudies(const std::string& patientId, int count);
  // Adds a study of the patient starting at `start`; its identifier is the start second
  // (TBLStudy::SetStartTime), the next free second when that one is taken.
  std::optional<Study> StartStudy(const std::string& patientId, std::time_t start);
  // Adds `study` (bound to Connection()) as the user gave it: with its key when `keyGiven`,
  // else starting at `start`, a second later for each second another study of hers holds.
  bool AddStudy(TBLStudy& study, const COleDateTime& start, bool keyGiven);
  // Stores the study's S_LENGTH and S_LOSS.
  bool UpdateFigures(const Study& study);
  // Stores every study's S_LENGTH and S_LOSS in one transaction, so that a ward's interval
  // costs the database one commit, not one a bed. For each study "" when stored, else why not: a
  // study that cannot be stored holds back none of the others, and a failed commit is each one's
  // fault.
  std::vector<std::string> UpdateFigures(const std::vector<Study>& studies);
  // Removes a study that never held a recording.
  bool DeleteStudy(const Study& study);

  const std::string& Fault() const { return m_fault; }

 private:
  bool Failed(const std::string& what);
  bool Refused(const std::string& what, const std::string& reason);
  bool AddStudyFrom(TBLStudy& study, const COleDateTime& start);

  QnAdo m_db;
  bool m_sqlite = false;
  std::string m_fault;
};
