// Speed of the patient database on SQLite through the row classes against the raw SQLite C API
// doing the same statements with the same settings (write-ahead log, synchronous=FULL, busy
// timeout) on a scratch file in the same program: Add, Get, Update, listing 10,000 studies with
// their patients, and the identifier of a day with 999 taken. After the table, one line per
// pair gives class time / raw time, then the peak memory of listing 100,000 joined rows.

#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "bench/PatientDatabaseBench.h"
#include "database/schema/DatabaseSchema.h"

namespace {

using namespace patient_bench;

sqlite3* OpenRaw(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
  return db;
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "db_bench: %s: %s\n", sql.c_str(), error);
    std::exit(1);
  }
}

// A row as the raw API gives it: texts (dates among them) copied out, numbers as numbers.
struct RawRow {
  std::vector<std::string> texts;
  std::vector<double> numbers;
};

void ReadRow(sqlite3_stmt* statement, RawRow& row) {
  row.texts.clear();
  row.numbers.clear();
  for (int column = 0; column < sqlite3_column_count(statement); ++column) {
    const int type = sqlite3_column_type(statement, column);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
      row.numbers.push_back(sqlite3_column_double(statement, column));
    } else {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      row.texts.emplace_back(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    }
  }
}

// Runs `sql` and calls `each` for every row; the row count.
int ForEachRow(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& each) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  int rows = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    each(statement);
    ++rows;
  }
  sqlite3_finalize(statement);
  return rows;
}

// A scratch database filled as ForEachFillStatement says; its URI.
std::string CreateFilled(const std::filesystem::path& file, int patients, bool takeToday) {
  std::ofstream(file).close();
  sqlite3* db = OpenRaw(file.string());
  Exec(db, SqliteSchema());
  Exec(db, "BEGIN");
  ForEachFillStatement(patients, takeToday, [&](const std::string& sql) { Exec(db, sql); });
  Exec(db, "COMMIT");
  sqlite3_close(db);
  return "sqlite:" + file.string();
}

sqlite3* g_raw = nullptr;

// The raw side binds what the class stores: UTF-8 texts, dates as timestamp texts.
void BindPatient(sqlite3_stmt* statement, const TBLPatient& p) {
  int column = 1;
  const auto text = [&](const CString& value) {
    sqlite3_bind_text(statement, column++, value.GetString(), value.GetLength(), SQLITE_TRANSIENT);
  };
  const auto date = [&](const COleDateTime& value) { text(value.FormatTimestamp()); };
  text(p.m_P_ID);
  text(p.m_P_FIRST_NAME);
  text(p.m_P_LAST_NAME);
  date(p.m_P_REG_DATE);
  date(p.m_P_BIRTHDAY);
  sqlite3_bind_double(statement, column++, p.m_P_HEIGHT);
  sqlite3_bind_double(statement, column++, p.m_P_WEIGHT);
  text(p.m_P_COMMENT);
  text(p.m_P_DOCTOR_ID);
  date(p.m_P_LMP);
  date(p.m_P_EDC);
  sqlite3_bind_int64(statement, column++, p.m_P_GR);
  sqlite3_bind_int64(statement, column++, p.m_P_PA);
  date(p.m_P_EDIT_DATE);
}

void AddRaw(benchmark::State& state) {
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(g_raw, "INSERT INTO TBLPatient VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert,
                     nullptr);
  for (auto _ : state) {
    TBLPatient patient;
    FillPatient(patient, NewId("R"));
    Exec(g_raw, "BEGIN");
    BindPatient(insert, patient);
    if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("insert failed");
    sqlite3_reset(insert);
    Exec(g_raw, "COMMIT");
  }
  sqlite3_finalize(insert);
}

void GetRaw(benchmark::State& state) {
  int n = 0;
  RawRow row;
  for (auto _ : state) {
    const std::string sql = "SELECT * FROM TBLPatient WHERE P_ID='" + PatientId(n++ % kPatients) + "'";
    if (ForEachRow(g_raw, sql, [&](sqlite3_stmt* statement) { ReadRow(statement, row); }) != 1) {
      state.SkipWithError("select failed");
    }
    benchmark::DoNotOptimize(row.numbers.data());
  }
}

// The row read again, then written back in a transaction: what the row class does.
void UpdateRaw(benchmark::State& state) {
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(g_raw,
                     "UPDATE TBLPatient SET P_ID = ?, P_FIRST_NAME = ?, P_LAST_NAME = ?, P_REG_DATE = ?, "
                     "P_BIRTHDAY = ?, P_HEIGHT = ?, P_WEIGHT = ?, P_COMMENT = ?, P_DOCTOR_ID = ?, P_LMP = ?, "
                     "P_EDC = ?, P_GR = ?, P_PA = ?, P_EDIT_DATE = ? WHERE P_ID = ?",
                     -1, &update, nullptr);
  TBLPatient patient;
  FillPatient(patient, PatientId(2));
  RawRow row;
  int n = 0;
  for (auto _ : state) {
    patient.m_P_COMMENT.Format("check %d", ++n);
    ForEachRow(g_raw, "SELECT * FROM TBLPatient WHERE P_ID='" + PatientId(2) + "'",
               [&](sqlite3_stmt* statement) { ReadRow(statement, row); });
    Exec(g_raw, "BEGIN");
    BindPatient(update, patient);
    sqlite3_bind_text(update, 15, patient.m_P_ID.GetString(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(update) != SQLITE_DONE) state.SkipWithError("update failed");
    sqlite3_reset(update);
    Exec(g_raw, "COMMIT");
  }
  sqlite3_finalize(update);
}

long ListRaw(sqlite3* db, int& rows) {
  long sum = 0;
  RawRow row;
  rows = ForEachRow(db, kJoin, [&](sqlite3_stmt* statement) {
    ReadRow(statement, row);
    sum += static_cast<long>(row.numbers[kLengthNumber]) + static_cast<long>(row.texts[kLastNameText].size()) +
           std::atoi(row.texts[kStartTimeText].c_str() + kSecondsInTimestamp);
  });
  return sum;
}

void ListRawSide(benchmark::State& state) {
  for (auto _ : state) {
    int rows = 0;
    benchmark::DoNotOptimize(ListRaw(g_raw, rows));
  }
}

std::string UniqueIdRaw(sqlite3* db) {
  for (int n = 1;; ++n) {
    const std::string id = TodaysId(n);
    if (ForEachRow(db, "SELECT P_ID FROM TBLPatient WHERE P_ID='" + id + "'", [](sqlite3_stmt*) {}) == 0) return id;
  }
}

void UniqueIdRawSide(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(UniqueIdRaw(g_raw));
}

constexpr RawSide kRawSide = {AddRaw, GetRaw, UpdateRaw, ListRawSide, UniqueIdRawSide};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::filesystem::path folder = pattern;
  const std::string path = (folder / "station.db").string();
  QnAdo db;
  db.Connect(CreateFilled(path, kPatients, true).c_str());
  g_classDb = &db;
  g_raw = OpenRaw(path);

  int classRows = 0, rawRows = 0;
  const long classSum = ListClass(db, classRows);
  const long rawSum = ListRaw(g_raw, rawRows);
  int status = 1;
  if (SidesAgree(classRows, classSum, rawRows, rawSum, UniqueIdRaw(g_raw))) {
    RunPairs(Pairs(kRawSide), kTargetRatio);
    const std::filesystem::path peakFile = folder / "peak.db";
    PrintPeakMemory(CreateFilled(peakFile, kPeakPatients, false), [&] {
      sqlite3* raw = OpenRaw(peakFile.string());
      int rows = 0;
      ListRaw(raw, rows);
      sqlite3_close(raw);
      return rows;
    });
    status = 0;
  }
  benchmark::Shutdown();
  sqlite3_close(g_raw);
  db.Disconnect();
  std::filesystem::remove_all(folder);
  return status;
}
