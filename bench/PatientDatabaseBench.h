#pragma once

// What the two patient-database benchmarks share: the rows they fill a database with, the
// library's side of every pair (the row classes over a QnAdo connection, whatever its engine),
// the check that both sides read the same listing, and the peak-memory probe. Each program adds
// the raw API of its engine as the baseline and the ways to fill and reach its database.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "bench/RatioReporter.h"
#include "database/TBLPatient.h"
#include "database/TBLPatientStudy.h"

namespace patient_bench {

constexpr double kTargetRatio = 1.2;
constexpr int kPatients = 5000;  // two studies each: the 10,000 listed
constexpr int kTakenToday = 999;
constexpr int kPeakPatients = 50000;  // two studies each: the 100,000 of the peak figure

inline std::string Today() { return COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString(); }

inline std::string PatientId(int n) {
  char id[16];
  std::snprintf(id, sizeof id, "P-%06d", n);
  return id;
}

// The n-th of today's identifiers, as GetUniqueId proposes them (n from 1).
inline std::string TodaysId(int n) {
  char id[16];
  std::snprintf(id, sizeof id, "-%03d", n);
  return Today() + id;
}

// An identifier that no other call of the program returns, so that each Add adds a new row.
inline std::string NewId(const char* prefix) {
  static int counter = 0;
  char id[32];
  std::snprintf(id, sizeof id, "%s-%08d", prefix, ++counter);
  return id;
}

// The statements that fill a database: `patients` made-up patients of two studies each and,
// when `takeToday`, today's first 999 identifiers taken. Both engines read these literals.
inline void ForEachFillStatement(int patients, bool takeToday, const std::function<void(const std::string&)>& run) {
  for (int n = 0; n < patients; ++n) {
    const std::string id = PatientId(n);
    run("INSERT INTO TBLPatient VALUES ('" + id + "', 'Anna', 'Lindqvist', '2026-12-01 08:00:00.000', "
        "'1992-03-14 00:00:00.000', 168.5, 71.25, 'first pregnancy, 38 weeks', 'D-07', "
        "'2026-03-01 00:00:00.000', '2026-12-06 00:00:00.000', 1, 0, '2026-12-01 08:00:00.000')");
    for (const char* study : {"20261204090507", "20261205101112"}) {
      run("INSERT INTO TBLStudy VALUES ('" + id + "', '" + study + "', '2026-12-04 09:05:07.000', 1800, 12, "
          "'D-07', 'N-12', 'admission CTG', 0, '2026-12-04 09:35:07.000')");
    }
  }
  for (int n = 1; takeToday && n <= kTakenToday; ++n) run("INSERT INTO TBLPatient (P_ID) VALUES ('" + TodaysId(n) + "')");
}

// The join that both sides list, in the order of the row class's own listing.
constexpr const char* kJoin =
    "SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = TBLPatient.P_ID ORDER BY S_ID, S_STUDY_ID";

// In a row of kJoin read by type, numbers apart from texts: where the three summed values are.
constexpr int kLengthNumber = 0;     // S_LENGTH, the first number
constexpr int kLastNameText = 9;     // P_LAST_NAME, the tenth text
constexpr int kStartTimeText = 2;    // S_START_TIME, the third text
constexpr int kSecondsInTimestamp = 17;  // "YYYY-MM-DD HH:MM:SS"

inline void FillPatient(TBLPatient& patient, const std::string& id) {
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

// ---- the library's side --------------------------------------------------------------------

// The connection that the library's side of every pair uses; the program sets it.
inline QnAdo* g_classDb = nullptr;

inline bool AddOne(QnAdo& db) {
  TBLPatient patient(&db);
  FillPatient(patient, NewId("C"));
  return patient.Add() != 0;
}

inline bool GetOne(QnAdo& db, int n) {
  TBLPatient patient(&db);
  patient.m_P_ID = PatientId(n % kPatients).c_str();
  return patient.Get() != 0 && patient.m_P_HEIGHT == 168.5;
}

// Lists kJoin through the row class: the rows read and the sum of their S_LENGTH, last-name
// length and start-time second, which the raw side must match.
inline long ListClass(QnAdo& db, int& rows) {
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

inline void AddClass(benchmark::State& state) {
  for (auto _ : state) {
    if (!AddOne(*g_classDb)) state.SkipWithError("Add failed");
  }
}

inline void GetClass(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    if (!GetOne(*g_classDb, n++)) state.SkipWithError("Get failed");
  }
}

inline void UpdateClass(benchmark::State& state) {
  TBLPatient patient(g_classDb);
  patient.m_P_ID = PatientId(1).c_str();
  if (!patient.Get()) state.SkipWithError("Get failed");
  int n = 0;
  for (auto _ : state) {
    patient.m_P_COMMENT.Format("check %d", ++n);
    if (!patient.Update()) state.SkipWithError("Update failed");
  }
}

inline void ListClassSide(benchmark::State& state) {
  for (auto _ : state) {
    int rows = 0;
    benchmark::DoNotOptimize(ListClass(*g_classDb, rows));
  }
}

inline void UniqueIdClass(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(TBLPatient::GetUniqueId(g_classDb));
}

// The raw API's side of each pair, as each program writes it for its engine.
struct RawSide {
  void (*add)(benchmark::State&);
  void (*get)(benchmark::State&);
  void (*update)(benchmark::State&);
  void (*list)(benchmark::State&);
  void (*uniqueId)(benchmark::State&);
};

inline std::array<BenchmarkPair, 5> Pairs(const RawSide& raw) {
  return {{{"Add", "add", AddClass, raw.add},
           {"Get", "get", GetClass, raw.get},
           {"Update", "update", UpdateClass, raw.update},
           {"list 10,000 studies with patients", "list", ListClassSide, raw.list},
           {"GetUniqueId, 999 taken", "unique_id", UniqueIdClass, raw.uniqueId}}};
}

// Whether both sides list the same rows and propose the same identifier; says how not.
inline bool SidesAgree(int classRows, long classSum, int rawRows, long rawSum, const std::string& rawId) {
  const std::string classId = TBLPatient::GetUniqueId(g_classDb).GetString();
  const bool agree = classRows == 2 * kPatients && classRows == rawRows && classSum == rawSum && classId == rawId &&
                     classId == Today() + "-1000";
  if (!agree) {
    std::fprintf(stderr, "sides differ: %d/%d rows, sums %ld/%ld, ids %s/%s\n", classRows, rawRows, classSum, rawSum,
                 classId.c_str(), rawId.c_str());
  }
  return agree;
}

// ---- peak memory -----------------------------------------------------------------------------

inline long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  }
  return -1;
}

// The peak resident memory that `work` adds to what the process held before it, in KiB,
// measured in a child process of its own so that neither side inherits the other's freed
// memory; -1 where the system cannot reset the peak or `work` fails.
inline long PeakAbove(const std::function<bool()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    long peak = -1;
    if (std::ofstream("/proc/self/clear_refs") << "5") {
      const long before = StatusKilobytes("VmRSS:");
      if (work()) peak = StatusKilobytes("VmHWM:") - before;
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

// Lists the peak database (`uri`) through the row class and with `listRaw` in children of
// their own, and prints both peaks.
inline void PrintPeakMemory(const std::string& uri, const std::function<int()>& listRaw) {
  const long classPeak = PeakAbove([&] {
    QnAdo db;
    int rows = 0;
    if (!db.Connect(uri.c_str())) return false;
    ListClass(db, rows);
    return rows == 2 * kPeakPatients;
  });
  const long rawPeak = PeakAbove([&] { return listRaw() == 2 * kPeakPatients; });
  if (classPeak < 0 || rawPeak < 0) {
    std::printf("peak memory of listing %d joined rows: not measured on this system\n", 2 * kPeakPatients);
    return;
  }
  std::printf("peak memory of listing %d joined rows: %.1f MiB through TBLPatientStudy, %.1f MiB raw\n",
              2 * kPeakPatients, classPeak / 1024.0, rawPeak / 1024.0);
}

}  // namespace patient_bench
