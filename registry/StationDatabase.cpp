#include "registry/StationDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "config/ObexConfig.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "database/schema/DatabaseSchema.h"
#include "qnutil/QnGF.h"
#include "recording/DurableFile.h"
#include "registry/AddWithFreshKey.h"
#include "registry/AnnouncedPatient.h"

namespace {

constexpr std::string_view kSqlitePrefix = "sqlite:";
// A study start taken by another study of the same patient moves on by a second, this often.
constexpr int kStartSecondTries = 3600;

COleDateTime LocalDateTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                      local.tm_sec);
}

// A key value inside a quoted SQL literal: a quote is doubled, so the value stays one literal.
std::string Quoted(const std::string& value) {
  std::string quoted;
  for (char ch : value) {
    quoted += ch;
    if (ch == '\'') quoted += '\'';
  }
  return quoted;
}

bool IsSqlite(const std::string& uri) { return uri.starts_with(kSqlitePrefix); }

// Creates a database file readable and writable by its owner only (it holds patient data),
// its entry synced into its folder so that a power loss does not take it: `created` tells
// whether it is new; the fault when it neither existed nor could be made.
std::optional<std::string> CreateOwnerOnlyFile(const std::string& path, bool& created) {
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  created = file >= 0;
  if (created) {
    ::close(file);
    return DurableFile::Sync(DurableFile::FolderOf(path));
  }
  if (created || errno == EEXIST) return std::nullopt;
  return "cannot create " + path + ": " + std::strerror(errno);
}

void FillFromAnnounced(TBLPatient& row, const AnnouncedPatient& patient) {
  row.m_P_FIRST_NAME = patient.firstName.c_str();
  row.m_P_LAST_NAME = patient.lastName.c_str();
  const COleDateTime birthday(patient.year, patient.month, patient.day, 0, 0, 0);
  if (birthday.GetStatus() == COleDateTime::valid) row.m_P_BIRTHDAY = birthday;
  row.m_P_HEIGHT = patient.height;
  row.m_P_WEIGHT = patient.weight;
  row.m_P_REG_DATE = COleDateTime::GetCurrentTime();
  row.m_P_EDIT_DATE = row.m_P_REG_DATE;
}

}  // namespace

std::string StationDatabase::DefaultUri(const ObexConfig& config) {
  return std::string(kSqlitePrefix) + QnGF::MakePath(config.m_strDataPath, "vudoda.db").GetString();
}

std::string StationDatabase::Shown(const std::string& uri) {
  return uri.starts_with(kSqlitePrefix) ? uri : std::string("the server");
}

std::optional<std::string> StationDatabase::Open(const std::string& uri) {
  m_sqlite = IsSqlite(uri);
  if (m_db.Connect(uri.c_str())) return std::nullopt;
  std::string fault = "cannot open the patient database " + std::string(IsSqlite(uri) ? uri : "on the server") +
                      ": " + m_db.GetLastErrorString().GetString();
  if (IsSqlite(uri) && !std::filesystem::exists(uri.substr(kSqlitePrefix.size()))) {
    fault += " (create it with 'vudoda db init')";
  }
  return fault;
}

std::optional<std::string> StationDatabase::Create(const std::string& uri, bool& created) {
  created = false;
  if (IsSqlite(uri)) {
    if (auto fault = CreateOwnerOnlyFile(uri.substr(kSqlitePrefix.size()), created)) return fault;
  }
  if (auto fault = Open(uri)) return fault;
  // Creating the tables again changes nothing, so an empty file left by a crash is mended too.
  if (!m_db.ExecuteSQL(SchemaFor(uri.c_str()))) {
    return std::string("cannot create the tables: ") + m_db.GetLastErrorString().GetString();
  }
  return std::nullopt;
}

std::optional<std::string> StationDatabase::LimitWaits(std::chrono::milliseconds limit) {
  const std::string statement =
      (m_sqlite ? "PRAGMA busy_timeout = " : "SET statement_timeout = ") + std::to_string(limit.count());
  if (m_db.ExecuteSQL(statement.c_str())) return std::nullopt;
  return "cannot limit the database's waits: " + std::string(m_db.GetLastErrorString().GetString());
}

std::optional<std::string> StationDatabase::Connect(const std::string& uri) {
  if (!IsSqlite(uri)) return Open(uri);
  std::error_code ignored;
  const std::filesystem::path parent = std::filesystem::path(uri.substr(kSqlitePrefix.size())).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  bool created = false;
  return Create(uri, created);
}

std::optional<std::string> StationDatabase::Admit(const AnnouncedPatient& patient) {
  TBLPatient row(&m_db);
  row.m_P_ID = patient.id.c_str();
  const bool announced = !row.m_P_ID.IsEmpty();
  if (announced && row.Get()) return std::string(row.m_P_ID.GetString());
  FillFromAnnounced(row, patient);
  // An announced patient that another station admitted meanwhile is hers already; otherwise the
  // reason is the Add's, not that of the look that followed it.
  if (!announced) return AddPatient(row) ? std::optional<std::string>(row.m_P_ID.GetString()) : std::nullopt;
  if (row.Add()) return patient.id;
  const std::string refusal = m_db.GetLastErrorString().GetString();
  if (TBLPatient(row).Get()) return patient.id;
  Refused("cannot admit patient " + patient.id, refusal);
  return std::nullopt;
}

bool StationDatabase::AddPatient(TBLPatient& patient) {
  if (!patient.m_P_ID.IsEmpty()) return patient.Add() || Failed("cannot add patient " + std::string(patient.m_P_ID));
  // Today's next free identifier, drawn again when another station sharing the database
  // admits someone under it first.
  std::string refusal;
  if (AddWithFreshKey(
          patient, [this](TBLPatient& fresh, int) { fresh.m_P_ID = TBLPatient::GetUniqueId(&m_db); }, refusal)) {
    return true;
  }
  return Refused("cannot add a patient under a new identifier", refusal);
}

std::vector<StationDatabase::Study> StationDatabase::RecentStudies(const std::string& patientId, int count) {
  TBLStudy row(&m_db);
  const std::string clause = "WHERE S_ID='" + Quoted(patientId) + "' ORDER BY S_START_TIME DESC";
  std::vector<Study> studies;
  // As many rows as the cursor holds: reading past its last would be shown as an error.
  const int rows = std::min(row.CursorOpenEx(clause.c_str()), count);
  for (int index = 0; index < rows && row.CursorGet(); ++index) {
    studies.push_back(Study{row.m_S_ID.GetString(), row.m_S_STUDY_ID.GetString(), row.m_S_LENGTH, row.m_S_LOSS});
    row.CursorMove();
  }
  row.CursorClose();
  return studies;
}

std::optional<StationDatabase::Study> StationDatabase::StartStudy(const std::string& patientId, std::time_t start) {
  TBLStudy row(&m_db);
  row.m_S_ID = patientId.c_str();
  row.m_S_EDIT_DATE = COleDateTime::GetCurrentTime();
  if (AddStudyFrom(row, LocalDateTime(start))) return Study{patientId, row.m_S_STUDY_ID.GetString(), 0, 0};
  return std::nullopt;
}

bool StationDatabase::AddStudy(TBLStudy& study, const COleDateTime& start, bool keyGiven) {
  if (!keyGiven) return AddStudyFrom(study, start);
  return study.Add() || Failed("cannot add study " + std::string(study.m_S_STUDY_ID));
}

// A second taken by another study of hers (this station's or another's that shares the
// database, even one added a moment ago) passes the study on to the next second.
bool StationDatabase::AddStudyFrom(TBLStudy& study, const COleDateTime& start) {
  constexpr double kSecond = 1.0 / 86400;
  std::string refusal;
  if (AddWithFreshKey(
          study, [&start](TBLStudy& fresh, int shift) { fresh.SetStartTime(start + shift * kSecond, 1); }, refusal,
          kStartSecondTries)) {
    return true;
  }
  return Refused("cannot start a study of patient " + std::string(study.m_S_ID), refusal);
}

bool StationDatabase::UpdateFigures(const Study& study) {
  TBLStudy row(&m_db);
  row.m_S_ID = study.patientId.c_str();
  row.m_S_STUDY_ID = study.studyId.c_str();
  if (!row.Get()) return Failed("study " + study.studyId + " of patient " + study.patientId + " is gone");
  row.m_S_LENGTH = study.lengthSeconds;
  row.m_S_LOSS = study.lossSeconds;
  row.m_S_EDIT_DATE = COleDateTime::GetCurrentTime();
  if (!row.Update()) return Failed("cannot update study " + study.studyId);
  return true;
}

std::vector<std::string> StationDatabase::UpdateFigures(const std::vector<Study>& studies) {
  std::vector<std::string> faults;
  // Without a transaction of their own the studies are still stored, each in its own.
  const bool together = m_db.BeginTrans();
  for (const Study& study : studies) faults.push_back(UpdateFigures(study) ? std::string() : m_fault);
  if (together && !m_db.CommitTrans()) {
    Failed("cannot store the studies' figures");
    m_db.Rollback();
    faults.assign(studies.size(), m_fault);
  }
  return faults;
}

bool StationDatabase::DeleteStudy(const Study& study) {
  TBLStudy row(&m_db);
  row.m_S_ID = study.patientId.c_str();
  row.m_S_STUDY_ID = study.studyId.c_str();
  return row.Delete() || Failed("cannot remove study " + study.studyId + " of patient " + study.patientId);
}

bool StationDatabase::Failed(const std::string& what) { return Refused(what, m_db.GetLastErrorString().GetString()); }

bool StationDatabase::Refused(const std::string& what, const std::string& reason) {
  m_fault = what + ": " + reason;
  return false;
}
