#include "ward/StudyAdmission.h"

#include <cstdio>

#include "registry/StationDatabase.h"
#include "ward/StudyRecording.h"

namespace {

// Of a patient's studies, these many of the latest starts are candidates to go on: after a
// fall-back of the clock the latest start need not be the latest study.
constexpr int kRecentStudies = 16;
// A new study moves on past seconds whose recording files are there already this often.
constexpr int kNewStudyTries = 8;

bool Continue(StationDatabase& database, const StudyAdmission::Order& order, const std::string& patientId,
              std::time_t now, StudyAdmission::Result& result) {
  std::optional<StationDatabase::Study> latest;
  std::time_t latestWritten = 0;
  for (const StationDatabase::Study& study : database.RecentStudies(patientId, kRecentStudies)) {
    const std::optional<std::time_t> written =
        StudyRecording::LastWritten(order.dataFolder, study.patientId, study.studyId);
    if (written && (!latest || *written > latestWritten)) {
      latest = study;
      latestWritten = *written;
    }
  }
  if (!latest || order.inUse.count({latest->patientId, latest->studyId}) > 0 ||
      now - latestWritten > order.reconnectWindow.count()) {
    return false;
  }
  auto recording = std::make_shared<StudyRecording>(latest->patientId, latest->studyId);
  if (auto fault = recording->Open(order.dataFolder, StudyRecording::Opening::Continued, order.monitor)) {
    result.notes.push_back("study " + latest->studyId + " does not go on: " + fault->text);
    return false;
  }
  result.study = std::move(recording);
  result.continues = true;
  return true;
}

void Begin(StationDatabase& database, const StudyAdmission::Order& order, const std::string& patientId,
           std::time_t now, StudyAdmission::Result& result) {
  std::time_t start = now;
  for (int attempt = 0; attempt < kNewStudyTries; ++attempt) {
    const std::optional<StationDatabase::Study> study = database.StartStudy(patientId, start);
    if (!study) {
      result.fault = database.Fault();
      return;
    }
    auto recording = std::make_shared<StudyRecording>(study->patientId, study->studyId);
    const auto fault = recording->Open(order.dataFolder, StudyRecording::Opening::New, order.monitor);
    if (!fault) {
      result.study = std::move(recording);
      return;
    }
    database.DeleteStudy(*study);
    if (fault->kind != StudyRecording::OpenFault::Kind::Exists) {
      result.fault = fault->text;
      return;
    }
    // A file of that name is there already (left by an earlier database): it stays as it is,
    // and the study moves on to a later second.
    result.notes.push_back(fault->text + "; the study moves on to a later second");
    start = StudyAdmission::StartOf(study->studyId).value_or(start) + 1;
  }
  result.fault = "no free second for a new study of patient " + patientId;
}

}  // namespace

StudyAdmission::Result StudyAdmission::Run(StationDatabase& database, const Order& order, std::time_t now) {
  Result result;
  const std::optional<std::string> patientId = database.Admit(order.patient);
  if (!patientId) {
    result.fault = database.Fault();
    return result;
  }
  if (!order.mayContinue || !Continue(database, order, *patientId, now, result)) {
    Begin(database, order, *patientId, now, result);
  }
  return result;
}

std::optional<std::time_t> StudyAdmission::StartOf(const std::string& studyId) {
  std::tm local{};
  if (studyId.size() != 14 || std::sscanf(studyId.c_str(), "%4d%2d%2d%2d%2d%2d", &local.tm_year, &local.tm_mon,
                                          &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6) {
    return std::nullopt;
  }
  local.tm_year -= 1900;
  local.tm_mon -= 1;
  local.tm_isdst = -1;
  return std::mktime(&local);
}
