// Hostile texts against the patient database: the input is split at its first zero byte into a
// condition, handed to the patient-study listing, and a key, handed to a patient's Get and
// Delete. Neither may crash, and neither may change any row but the key's own: a condition
// only reads, and a Delete reaches at most the row whose key is exactly the given one.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "database/TBLPatient.h"
#include "database/TBLPatientStudy.h"
#include "database/schema/DatabaseSchema.h"
#include "platform/AfxMessageBox.h"

namespace {

constexpr const char* kKeys[] = {"A", "B'1", "%", "_"};

int Quiet(const char*, UINT) { return IDOK; }

QnAdo& Database() {
  static QnAdo db = [] {
    QnAdo opened;
    if (!opened.Connect("sqlite::memory:") || !opened.ExecuteSQL(SqliteSchema())) std::abort();
    return opened;
  }();
  return db;
}

long Count(const char* sql) {
  QnAdo& db = Database();
  long count = -1;
  if (!db.OpenRecordset(sql) || !db.GetFieldValue("n", count)) std::abort();
  db.CloseRecordset();
  return count;
}

// The fixed rows every input starts from.
void Restore() {
  QnAdo& db = Database();
  db.ExecuteSQL("DELETE FROM TBLPatient; DELETE FROM TBLStudy;");
  for (const char* key : kKeys) {
    TBLPatient patient(&db);
    patient.m_P_ID = key;
    patient.m_P_LAST_NAME = "Lindqvist";
    if (!patient.Add()) std::abort();
    db.ExecuteSQL((std::string("INSERT INTO TBLStudy (S_ID, S_STUDY_ID) VALUES ('") +
                   (key == std::string("B'1") ? "B''1" : key) + "', '20261204090507')")
                      .c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  AfxSetMessageBoxHandler(&Quiet);
  Restore();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string condition = input.substr(0, split);
  const std::string key = split == std::string::npos ? std::string() : input.substr(split + 1);

  TBLPatientStudy view(&Database());
  const int rows = view.CursorOpenEx(condition.c_str());
  for (int index = 0; index < rows; ++index) {
    view.CursorGet();
    view.CursorMove();
  }
  view.CursorClose();
  if (Count("SELECT count(*) AS n FROM TBLPatient") != 4 || Count("SELECT count(*) AS n FROM TBLStudy") != 4) {
    std::abort();  // a condition wrote
  }

  TBLPatient patient(&Database());
  patient.m_P_ID = CString(key.data(), static_cast<int>(key.size()));
  patient.Get();
  patient.m_P_ID = CString(key.data(), static_cast<int>(key.size()));
  patient.Delete();
  bool named = false;
  for (const char* stored : kKeys) named = named || key == stored;
  if (Count("SELECT count(*) AS n FROM TBLPatient") != (named ? 3 : 4)) std::abort();  // reached another row
  if (named) Restore();
  return 0;
}
