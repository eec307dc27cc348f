#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "hospital/AdmissionRecord.h"
#include "registry/StationDatabase.h"
#include "web/MonitoredPatient.h"
#include "web/ServiceResult.h"
#include "web/WardService.h"

class TBLPatient;

// The ward's own work on the patient database, beside the loop: logins checked against the
// users' hashes, a patient read and corrected by a person at the desk, and the admissions the
// hospital sends. It has a connection of its own (the engine's is busy with admissions and
// figures), on which the check since read is on (QnAdo::SetCheckSinceRead): a row another
// connection changed between its read and its write here is not overwritten.
//
// A patient's version is a digest of what a person may see and correct of her (identifier,
// names, birthday) and of her P_EDIT_DATE, which every correction and admission stamps: a
// correction made from an older version is a Conflict, never a lost edit. Texts are in the
// station's code page. Used from one thread at a time (the ward's database worker).
class WardPatients {
 public:
  // Connects to `uri` (an existing database) with statements limited to `statementTimeout`.
  std::optional<std::string> Connect(const std::string& uri, std::chrono::milliseconds statementTimeout);

  // Whether `password` is user `user`'s; an unknown user costs as long as a wrong password.
  WardService::LoginCheck CheckLogin(const std::string& user, const std::string& password);
  // Patient `patientId` as she is stored, with her version; NotFound when she is not.
  ServiceResult<MonitoredPatient> Read(const std::string& patientId);
  // Corrects patient `patientId` to `corrected`, made from version `corrected.version`: the
  // record as stored afterwards; Conflict with the current one when it changed since; Invalid
  // for a value that cannot be stored (an identifier other than hers, a name over 30 bytes).
  ServiceResult<MonitoredPatient> Correct(const std::string& patientId, const MonitoredPatient& corrected);
  // An admission, registration or update from the hospital, committed: the given values replace
  // the patient's, who is added when she is not stored yet. The fault, or nullopt.
  std::optional<std::string> Take(const AdmissionRecord& record);
  // "Lastname, Firstname" of the stored patient, or nullopt.
  std::optional<std::string> NameOf(const std::string& patientId);

  // The version of a stored row.
  static std::string VersionOf(const TBLPatient& row);

 private:
  std::optional<std::string> Refusal(const std::string& what);

  StationDatabase m_db;
};
