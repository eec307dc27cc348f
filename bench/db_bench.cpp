// Speed of the patient database through the row classes against the raw SQLite C API doing the
// same statements with the same settings (write-ahead log, synchronous=FULL, busy timeout) on
// a scratch file in the same program: Add, Get, Update, listing 10,000 studies with their
// patients, and the identifier of a day with 999 taken. After the table, one line per pair
// gives class time / raw time, then the peak memory of listing 100,000 joined rows.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "database/TBLPatient.h"
#include "database/TBLPatientStudy.h"
#include "database/schema/DatabaseSchema.h"

namespace {

constexpr double kTargetRatio = 1.5;
constexpr int kPatients = 5000;  // two studies each: the 10,000 listed
constexpr int kTakenToday = 999;
constexpr int kPeakPatients = 50000;  // two studies each: the 100,000 of the peak figure

// ---- the raw side ------------------------------------------------------------------------------

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

std::string Text(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : std::string();
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
      row.texts.push_back(Text(statement, column));
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

// ---- the databases -------------------------------------------------------------------------------

std::string Today() { return COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString(); }

std::string PatientId(int n) {
  char id[16];
  std::snprintf(id, sizeof id, "P-%06d", n);
  return id;
}

// A scratch database with `patients` patients of two studies each and, optionally, today's
// first 999 identifiers taken.
std::string CreateFilled(const std::filesystem::path& file, int patients, bool takeToday) {
  std::ofstream(file).close();
  sqlite3* db = OpenRaw(file.string());
  Exec(db, SqliteSchema());
  Exec(db, "BEGIN");
  for (int n = 0; n < patients; ++n) {
    const std::string id = PatientId(n);
    Exec(db, "INSERT INTO TBLPatient VALUES ('" + id + "', 'Anna', 'Lindqvist', '2026-12-01 08:00:00.000', "
                 "'1992-03-14 00:00:00.000', 168.5, 71.25, 'first pregnancy, 38 weeks', 'D-07', "
                 "'2026-03-01 00:00:00.000', '2026-12-06 00:00:00.000', 1, 0, '2026-12-01 08:00:00.000')");
    for (const char* study : {"20261204090507", "20261205101112"}) {
      Exec(db, "INSERT INTO TBLStudy VALUES ('" + id + "', '" + study + "', '2026-12-04 09:05:07.000', 1800, 12, "
                   "'D-07', 'N-12', 'admission CTG', 0, '2026-12-04 09:35:07.000')");
    }
  }
  for (int n = 1; takeToday && n <= kTakenToday; ++n) {
    char id[16];
    std::snprintf(id, sizeof id, "-%03d", n);
    Exec(db, "INSERT INTO TBLPatient (P_ID) VALUES ('" + Today() + id + "')");
  }
  Exec(db, "COMMIT");
  sqlite3_close(db);
  return "sqlite:" + file.string();
}

struct Fixture {
  std::filesystem::path folder;
  std::string path;
  std::string uri;
  QnAdo db;
  sqlite3* raw = nullptr;
};

Fixture* g_fixture = nullptr;

// ---- the pairs -----------------------------------------------------------------------------------

void FillPatient(TBLPatient& patient, const std::string& id) {
  patient.m_P_ID = id.c_str();
  patient.m_P_FIRST_NAME = "Anna";
  patient.m_P_LAST_NAME = "Lindqvist";
  patient.m_P_REG_DATE = COleDateTime(2026, 12, 1, 8, 0, 0);
  patient.m_P_BIRTHDAY = COleDateTime(1992, 3, 14, 0, 0, 0);
  patient.m_P_HEIGHT = 168.5;
  patient.m_P_WEIGHT = 71.25;
  patient.m_P_COMMENT = "first pregnancy, 38 weeks";
  patient.m_P_DOCTOR_ID = "D-07";
  patient.m_P_LMP = COleDateTime(2026, 3, 1, 0, 0, 0);
  patient.m_P_EDC = COleDateTime(2026, 12, 6, 0, 0, 0);
  patient.m_P_GR = 1;
  patient.m_P_PA = 0;
  patient.m_P_EDIT_DATE = COleDateTime(2026, 12, 1, 8, 0, 0);
}

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

std::string NewId(const char* prefix) {
  static int counter = 0;
  char id[32];
  std::snprintf(id, sizeof id, "%s-%08d", prefix, ++counter);
  return id;
}

void AddClass(benchmark::State& state) {
  for (auto _ : state) {
    TBLPatient patient(&g_fixture->db);
    FillPatient(patient, NewId("C"));
    if (!patient.Add()) state.SkipWithError("Add failed");
  }
}

void AddRaw(benchmark::State& state) {
  sqlite3* db = g_fixture->raw;
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO TBLPatient VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert,
                     nullptr);
  for (auto _ : state) {
    TBLPatient patient;
    FillPatient(patient, NewId("R"));
    Exec(db, "BEGIN");
    BindPatient(insert, patient);
    if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("insert failed");
    sqlite3_reset(insert);
    Exec(db, "COMMIT");
  }
  sqlite3_finalize(insert);
}

void GetClass(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    TBLPatient patient(&g_fixture->db);
    patient.m_P_ID = PatientId(n++ % kPatients).c_str();
    if (!patient.Get()) state.SkipWithError("Get failed");
    benchmark::DoNotOptimize(patient.m_P_HEIGHT);
  }
}

void GetRaw(benchmark::State& state) {
  int n = 0;
  RawRow row;
  for (auto _ : state) {
    const std::string sql = "SELECT * FROM TBLPatient WHERE P_ID='" + PatientId(n++ % kPatients) + "'";
    if (ForEachRow(g_fixture->raw, sql, [&](sqlite3_stmt* statement) { ReadRow(statement, row); }) != 1) {
      state.SkipWithError("select failed");
    }
    benchmark::DoNotOptimize(row.numbers.data());
  }
}

void UpdateClass(benchmark::State& state) {
  TBLPatient patient(&g_fixture->db);
  patient.m_P_ID = PatientId(1).c_str();
  if (!patient.Get()) state.SkipWithError("Get failed");
  int n = 0;
  for (auto _ : state) {
    patient.m_P_COMMENT.Format("check %d", ++n);
    if (!patient.Update()) state.SkipWithError("Update failed");
  }
}

void UpdateRaw(benchmark::State& state) {
  sqlite3* db = g_fixture->raw;
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(db,
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
    ForEachRow(db, "SELECT * FROM TBLPatient WHERE P_ID='" + PatientId(2) + "'",
               [&](sqlite3_stmt* statement) { ReadRow(statement, row); });
    Exec(db, "BEGIN");
    BindPatient(update, patient);
    sqlite3_bind_text(update, 15, patient.m_P_ID.GetString(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(update) != SQLITE_DONE) state.SkipWithError("update failed");
    sqlite3_reset(update);
    Exec(db, "COMMIT");
  }
  sqlite3_finalize(update);
}

// Both listings return the rows read and their summed lengths, which must agree.
long ListClass(QnAdo& db, int& rows) {
  TBLPatientStudy view(&db);
  rows = view.CursorOpenCondition();
  long sum = 0;
  for (int index = 0; index < rows; ++index) {
    view.CursorGet();
    sum += view.m_S_LENGTH + view.m_P_LAST_NAME.GetLength() + view.m_S_START_TIME.GetSecond();
    view.CursorMove();
  }
  view.CursorClose();
  return sum;
}

constexpr const char* kJoin =
    "SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = TBLPatient.P_ID ORDER BY S_ID, S_STUDY_ID";

long ListRaw(sqlite3* db, int& rows) {
  long sum = 0;
  RawRow row;
  rows = ForEachRow(db, kJoin, [&](sqlite3_stmt* statement) {
    ReadRow(statement, row);
    // S_LENGTH, the patient's last name, the start time's second
    sum += static_cast<long>(row.numbers[0]) + static_cast<long>(row.texts[9].size()) +
           std::atoi(row.texts[2].c_str() + 17);
  });
  return sum;
}

void ListClassSide(benchmark::State& state) {
  for (auto _ : state) {
    int rows = 0;
    benchmark::DoNotOptimize(ListClass(g_fixture->db, rows));
  }
}

void ListRawSide(benchmark::State& state) {
  for (auto _ : state) {
    int rows = 0;
    benchmark::DoNotOptimize(ListRaw(g_fixture->raw, rows));
  }
}

std::string UniqueIdRaw(sqlite3* db) {
  for (int n = 1;; ++n) {
    char id[32];
    std::snprintf(id, sizeof id, "%s-%03d", Today().c_str(), n);
    if (ForEachRow(db, std::string("SELECT P_ID FROM TBLPatient WHERE P_ID='") + id + "'", [](sqlite3_stmt*) {}) == 0) {
      return id;
    }
  }
}

void UniqueIdClass(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TBLPatient::GetUniqueId(&g_fixture->db));
}

void UniqueIdRawSide(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(UniqueIdRaw(g_fixture->raw));
}

constexpr BenchmarkPair kPairs[] = {
    {"Add", "add", AddClass, AddRaw},
    {"Get", "get", GetClass, GetRaw},
    {"Update", "update", UpdateClass, UpdateRaw},
    {"list 10,000 studies with patients", "list", ListClassSide, ListRawSide},
    {"GetUniqueId, 999 taken", "unique_id", UniqueIdClass, UniqueIdRawSide},
};

bool SidesAgree() {
  int classRows = 0, rawRows = 0;
  const long classSum = ListClass(g_fixture->db, classRows);
  const long rawSum = ListRaw(g_fixture->raw, rawRows);
  const std::string classId = TBLPatient::GetUniqueId(&g_fixture->db).GetString();
  const std::string rawId = UniqueIdRaw(g_fixture->raw);
  const bool agree = classRows == 2 * kPatients && classRows == rawRows && classSum == rawSum && classId == rawId &&
                     classId == Today() + "-1000";
  if (!agree) {
    std::fprintf(stderr, "sides differ: %d/%d rows, sums %ld/%ld, ids %s/%s\n", classRows, rawRows, classSum, rawSum,
                 classId.c_str(), rawId.c_str());
  }
  return agree;
}

// ---- peak memory ---------------------------------------------------------------------------------

long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return -1;
}

// The peak resident memory that `work` adds to what the process held before it, in KiB,
// measured in a child process of its own so that neither side inherits the other's freed
// memory; -1 where the system cannot reset the peak.
long PeakAbove(const std::function<void()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    long peak = -1;
    if (std::ofstream("/proc/self/clear_refs") << "5") {
      const long before = StatusKilobytes("VmRSS:");
      work();
      peak = StatusKilobytes("VmHWM:") - before;
    }
    const ssize_t written = write(channel[1], &peak, sizeof peak);
    _exit(written == sizeof peak ? 0 : 1);
  }
  close(channel[1]);
  long peak = -1;
  if (child < 0 || read(channel[0], &peak, sizeof peak) != sizeof peak) peak = -1;
  close(channel[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return peak;
}

void PrintPeakMemory(const std::filesystem::path& folder) {
  const std::filesystem::path file = folder / "peak.db";
  const std::string uri = CreateFilled(file, kPeakPatients, false);
  // Each child connects, lists the 100,000 rows and reports; the counts are checked there.
  const long classPeak = PeakAbove([&] {
    QnAdo db;
    int rows = 0;
    db.Connect(uri.c_str());
    ListClass(db, rows);
    if (rows != 2 * kPeakPatients) _exit(1);
  });
  const long rawPeak = PeakAbove([&] {
    sqlite3* raw = OpenRaw(file.string());
    int rows = 0;
    ListRaw(raw, rows);
    sqlite3_close(raw);
    if (rows != 2 * kPeakPatients) _exit(1);
  });
  if (classPeak < 0 || rawPeak < 0) {
    std::printf("peak memory of listing %d joined rows: not measured on this system\n", 2 * kPeakPatients);
    return;
  }
  std::printf("peak memory of listing %d joined rows: %.1f MiB through TBLPatientStudy, %.1f MiB raw\n",
              2 * kPeakPatients, classPeak / 1024.0, rawPeak / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  Fixture fixture;
  fixture.folder = pattern;
  fixture.path = (fixture.folder / "station.db").string();
  fixture.uri = CreateFilled(fixture.path, kPatients, true);
  fixture.db.Connect(fixture.uri.c_str());
  fixture.raw = OpenRaw(fixture.path);
  g_fixture = &fixture;

  int status = 1;
  if (SidesAgree()) {
    RunPairs(kPairs, kTargetRatio);
    PrintPeakMemory(fixture.folder);
    status = 0;
  }
  benchmark::Shutdown();
  sqlite3_close(fixture.raw);
  fixture.db.Disconnect();
  std::filesystem::remove_all(fixture.folder);
  return status;
}
