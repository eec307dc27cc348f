#include "ward/WardPatients.h"

#include <cstdio>

#include "database/PatientColumns.h"
#include "database/TBLPatient.h"
#include "registry/UserAccounts.h"

namespace {

constexpr std::size_t kTextLimit = PatientColumns::kTextLimit;
constexpr const char* kChangedElsewhere = "changed by another connection";

std::optional<std::chrono::year_month_day> DayOf(const COleDateTime& date) {
  if (date.GetStatus() != COleDateTime::valid) return std::nullopt;
  return std::chrono::year(date.GetYear()) / date.GetMonth() / date.GetDay();
}

COleDateTime DateOf(const std::optional<std::chrono::year_month_day>& day) {
  COleDateTime date;
  date.SetStatus(COleDateTime::null);
  if (day && day->ok()) {
    date = COleDateTime(static_cast<int>(day->year()), static_cast<int>(static_cast<unsigned>(day->month())),
                        static_cast<int>(static_cast<unsigned>(day->day())), 0, 0, 0);
  }
  return date;
}

MonitoredPatient Shown(const TBLPatient& row) {
  return MonitoredPatient{row.m_P_ID.GetString(), row.m_P_FIRST_NAME.GetString(), row.m_P_LAST_NAME.GetString(),
                          DayOf(row.m_P_BIRTHDAY), WardPatients::VersionOf(row)};
}

// 64-bit FNV-1a, a stable digest across runs and machines.
std::uint64_t Digest(const std::string& text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const unsigned char byte : text) {
    hash ^= byte;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

std::optional<std::string> TooLong(const std::string& text, const char* what) {
  if (text.size() <= kTextLimit) return std::nullopt;
  return std::string(what) + " holds " + std::to_string(text.size()) + " bytes, more than the " +
         std::to_string(kTextLimit) + " it may";
}

}  // namespace

std::optional<std::string> WardPatients::Connect(const std::string& uri, std::chrono::milliseconds statementTimeout) {
  if (auto fault = m_db.Open(uri)) return fault;
  if (auto fault = m_db.LimitWaits(statementTimeout)) return fault;
  m_db.Connection().SetCheckSinceRead(1);
  return std::nullopt;
}

WardService::LoginCheck WardPatients::CheckLogin(const std::string& user, const std::string& password) {
  if (!m_db.Connection().IsConnected()) return WardService::LoginCheck::Unavailable;
  const UserAccounts::Check check = UserAccounts(m_db.Connection()).Verify(user, password);
  return check == UserAccounts::Check::Matches ? WardService::LoginCheck::Accepted : WardService::LoginCheck::Refused;
}

ServiceResult<MonitoredPatient> WardPatients::Read(const std::string& patientId) {
  TBLPatient row(&m_db.Connection());
  row.m_P_ID = patientId.c_str();
  if (!row.Get()) {
    return ServiceResult<MonitoredPatient>::Fault(ServiceStatus::NotFound, "patient " + patientId + " is not stored");
  }
  return ServiceResult<MonitoredPatient>::Done(Shown(row));
}

ServiceResult<MonitoredPatient> WardPatients::Correct(const std::string& patientId, const MonitoredPatient& corrected) {
  using Result = ServiceResult<MonitoredPatient>;
  TBLPatient row(&m_db.Connection());
  row.m_P_ID = patientId.c_str();
  if (!row.Get()) return Result::Fault(ServiceStatus::NotFound, "patient " + patientId + " is not stored");
  if (VersionOf(row) != corrected.version) {
    return Result::Fault(ServiceStatus::Conflict, "the patient was corrected by someone else meanwhile", Shown(row));
  }
  if (corrected.id != patientId) {
    return Result::Fault(ServiceStatus::Invalid, "a patient's ID cannot be corrected here: her studies are filed under it");
  }
  for (const auto& fault : {TooLong(corrected.firstName, "the first name"), TooLong(corrected.lastName, "the last name")}) {
    if (fault) return Result::Fault(ServiceStatus::Invalid, *fault);
  }
  row.m_P_FIRST_NAME = corrected.firstName.c_str();
  row.m_P_LAST_NAME = corrected.lastName.c_str();
  row.m_P_BIRTHDAY = DateOf(corrected.birthday);
  row.m_P_EDIT_DATE = COleDateTime::GetCurrentTime();
  if (!row.Update()) {
    const std::string reason = m_db.Connection().GetLastErrorString().GetString();
    TBLPatient current(&m_db.Connection());
    current.m_P_ID = patientId.c_str();
    if (reason.find(kChangedElsewhere) != std::string::npos && current.Get()) {
      return Result::Fault(ServiceStatus::Conflict, "the patient was corrected at another station meanwhile",
                           Shown(current));
    }
    return Result::Fault(ServiceStatus::Failed, "the correction was not stored: " + reason);
  }
  return Result::Done(Shown(row));
}

std::optional<std::string> WardPatients::Take(const AdmissionRecord& record) {
  TBLPatient row(&m_db.Connection());
  row.m_P_ID = record.patientId.c_str();
  const bool stored = row.Get();
  if (!stored) {
    row.Clear();
    row.m_P_ID = record.patientId.c_str();
    row.m_P_REG_DATE = COleDateTime::GetCurrentTime();
  }
  if (record.familyName) row.m_P_LAST_NAME = record.familyName->c_str();
  if (record.givenName) row.m_P_FIRST_NAME = record.givenName->c_str();
  if (record.birthDate) row.m_P_BIRTHDAY = DateOf(record.birthDate);
  row.m_P_EDIT_DATE = COleDateTime::GetCurrentTime();
  if (stored ? row.Update() : m_db.AddPatient(row)) return std::nullopt;
  return Refusal("patient " + record.patientId + " was not stored");
}

std::optional<std::string> WardPatients::NameOf(const std::string& patientId) {
  TBLPatient row(&m_db.Connection());
  row.m_P_ID = patientId.c_str();
  if (!row.Get()) return std::nullopt;
  return std::string(row.m_P_LAST_NAME.GetString()) + ", " + row.m_P_FIRST_NAME.GetString();
}

std::string WardPatients::VersionOf(const TBLPatient& row) {
  const std::string fields = std::string(row.m_P_ID.GetString()) + '\x1F' + row.m_P_FIRST_NAME.GetString() + '\x1F' +
                             row.m_P_LAST_NAME.GetString() + '\x1F' + row.m_P_BIRTHDAY.FormatTimestamp().GetString() +
                             '\x1F' + row.m_P_EDIT_DATE.FormatTimestamp().GetString();
  char version[17];
  std::snprintf(version, sizeof version, "%016llx", static_cast<unsigned long long>(Digest(fields)));
  return version;
}

std::optional<std::string> WardPatients::Refusal(const std::string& what) {
  const std::string reason = m_db.Fault().empty() ? m_db.Connection().GetLastErrorString().GetString() : m_db.Fault();
  return what + ": " + reason;
}
