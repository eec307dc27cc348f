// Speed of the patient database on a PostgreSQL server through the row classes against raw libpq
// doing the same statements on the same throwaway server (started in a scratch folder, on a
// Unix socket, as the tests start theirs): Add, Get, Update, listing 10,000 studies with their
// patients, and the identifier of a day with 999 taken. The pairs compare wall time, since
// most of the work is the server's. After the table: class time / raw time per pair, the round
// trips that each operation makes, counted by a relay between client and server, and the
// client's peak memory of listing 100,000 joined rows.

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "bench/PatientDatabaseBench.h"
#include "database/schema/DatabaseSchema.h"

namespace {

using namespace patient_bench;

// Catalog type ids of the columns that arrive as numbers.
constexpr Oid kInt2 = 21, kInt4 = 23, kInt8 = 20, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;
// The server's socket in its folder: the default port's.
constexpr const char* kSocketName = ".s.PGSQL.5432";
// Fill statements sent in one go.
constexpr int kStatementsPerBatch = 500;

// ---- the server ------------------------------------------------------------------------------

// A fresh cluster in a scratch folder, served on a Unix socket there until destroyed.
class ThrowawayServer {
 public:
  ThrowawayServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-bench-pg-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_folder = pattern;
    m_running = !m_folder.empty() && Script("start");
  }
  ~ThrowawayServer() {
    if (!m_folder.empty()) Script("stop");
  }
  ThrowawayServer(const ThrowawayServer&) = delete;
  ThrowawayServer& operator=(const ThrowawayServer&) = delete;

  bool Running() const { return m_running; }
  const std::string& Folder() const { return m_folder; }

 private:
  bool Script(const char* command) const {
    const std::string line = std::string("'") + VUDODA_POSTGRES_SERVER + "' " + command + " '" + m_folder + "'";
    return std::system(line.c_str()) == 0;
  }

  std::string m_folder;
  bool m_running = false;
};

std::string ConnectionString(const std::string& socketFolder) {
  return "host=" + socketFolder + " dbname=postgres user=vudoda";
}

// ---- counting round trips ----------------------------------------------------------------------

// A relay on a Unix socket of its own that passes every byte between its clients and the
// server, counting round trips: each time a client sends after the server has answered (or
// first), a new one begins.
class RoundTripRelay {
 public:
  RoundTripRelay(const std::string& serverFolder, const std::string& folder)
      : m_serverSocket(serverFolder + "/" + kSocketName), m_folder(folder) {
    std::filesystem::create_directories(folder);
    m_listener = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(folder + "/" + kSocketName);
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 4) != 0 || pipe(m_wake) != 0) {
      return;
    }
    m_thread = std::thread([this] { Relay(); });
  }
  ~RoundTripRelay() {
    if (m_thread.joinable()) {
      const char stop = 0;
      if (write(m_wake[1], &stop, 1) == 1) m_thread.join();
    }
    for (const Link& link : m_links) {
      close(link.client);
      close(link.server);
    }
    for (const int fd : {m_listener, m_wake[0], m_wake[1]}) {
      if (fd >= 0) close(fd);
    }
    std::filesystem::remove_all(m_folder);
  }
  RoundTripRelay(const RoundTripRelay&) = delete;
  RoundTripRelay& operator=(const RoundTripRelay&) = delete;

  bool Running() const { return m_thread.joinable(); }
  const std::string& Folder() const { return m_folder; }
  // The round trips counted since the last call.
  int Take() { return m_trips.exchange(0); }

 private:
  struct Link {
    int client;
    int server;
    bool serverSpokeLast = true;
  };

  static sockaddr_un Address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
  }

  void Accept() {
    const int client = accept(m_listener, nullptr, nullptr);
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(m_serverSocket);
    if (client >= 0 && server >= 0 && connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      m_links.push_back({client, server});
      return;
    }
    if (client >= 0) close(client);
    if (server >= 0) close(server);
  }

  // Passes what `from` has to `to`; false when the connection has ended.
  static bool Pass(int from, int to) {
    char buffer[64 * 1024];
    const ssize_t got = read(from, buffer, sizeof buffer);
    for (ssize_t sent = 0; got > 0 && sent < got;) {
      const ssize_t wrote = write(to, buffer + sent, static_cast<size_t>(got - sent));
      if (wrote <= 0) return false;
      sent += wrote;
    }
    return got > 0;
  }

  void Relay() {
    for (;;) {
      std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
      for (const Link& link : m_links) {
        watched.push_back({link.client, POLLIN, 0});
        watched.push_back({link.server, POLLIN, 0});
      }
      if (poll(watched.data(), watched.size(), -1) < 0 || watched[0].revents) return;
      if (watched[1].revents) Accept();
      for (std::size_t index = 0; index < m_links.size(); ++index) {
        Link& link = m_links[index];
        if (watched[2 + 2 * index].revents) {
          if (link.serverSpokeLast) ++m_trips;
          link.serverSpokeLast = false;
          if (!Pass(link.client, link.server)) return;
        }
        if (watched[3 + 2 * index].revents) {
          link.serverSpokeLast = true;
          if (!Pass(link.server, link.client)) return;
        }
      }
    }
  }

  std::string m_serverSocket;
  std::string m_folder;
  int m_listener = -1;
  int m_wake[2] = {-1, -1};
  std::vector<Link> m_links;
  std::atomic<int> m_trips{0};
  std::thread m_thread;
};

// ---- the raw side ------------------------------------------------------------------------------

PGconn* g_raw = nullptr;

PGconn* OpenRaw(const std::string& conninfo) {
  PGconn* conn = PQconnectdb(conninfo.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::fprintf(stderr, "db_server_bench: %s", PQerrorMessage(conn));
    std::exit(1);
  }
  return conn;
}

// Runs a statement (or several) that returns no rows; false on failure.
bool Exec(PGconn* conn, const std::string& sql) {
  PGresult* result = PQexec(conn, sql.c_str());
  const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
  if (!done) std::fprintf(stderr, "db_server_bench: %s", PQresultErrorMessage(result));
  PQclear(result);
  return done;
}

// A row as libpq gives it: texts (dates among them) copied out, numbers as numbers.
struct RawRow {
  std::vector<std::string> texts;
  std::vector<double> numbers;
};

void ReadRow(const PGresult* result, int row, RawRow& out) {
  out.texts.clear();
  out.numbers.clear();
  for (int column = 0; column < PQnfields(result); ++column) {
    const Oid type = PQftype(result, column);
    const char* value = PQgetvalue(result, row, column);
    if (type == kInt2 || type == kInt4 || type == kInt8 || type == kFloat4 || type == kFloat8 || type == kNumeric) {
      out.numbers.push_back(std::strtod(value, nullptr));
    } else {
      out.texts.emplace_back(value, static_cast<size_t>(PQgetlength(result, row, column)));
    }
  }
}

// Runs a statement with text parameters; the caller clears the result.
PGresult* RunWithParameters(PGconn* conn, const char* sql, const std::vector<std::string>& parameters) {
  std::vector<const char*> values;
  for (const std::string& parameter : parameters) values.push_back(parameter.c_str());
  return PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
}

// Runs a statement with text parameters that returns no rows; false on failure.
bool ExecParams(PGconn* conn, const char* sql, const std::vector<std::string>& parameters) {
  PGresult* result = RunWithParameters(conn, sql, parameters);
  const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
  PQclear(result);
  return done;
}

// Runs a query with text parameters and calls `each` (when given) for every row; the row
// count, or -1.
int ForEachRow(PGconn* conn, const char* sql, const std::vector<std::string>& parameters,
               const std::function<void(const PGresult*, int)>& each) {
  PGresult* result = RunWithParameters(conn, sql, parameters);
  int rows = -1;
  if (PQresultStatus(result) == PGRES_TUPLES_OK) {
    rows = PQntuples(result);
    for (int row = 0; each && row < rows; ++row) each(result, row);
  }
  PQclear(result);
  return rows;
}

// A database on the server filled as ForEachFillStatement says, the statements sent in batches.
bool Fill(PGconn* conn, int patients, bool takeToday) {
  std::string batch;
  int inBatch = 0;
  bool filled = Exec(conn, PostgresqlSchema()) && Exec(conn, "BEGIN");
  ForEachFillStatement(patients, takeToday, [&](const std::string& sql) {
    batch += sql + ";";
    if (++inBatch == kStatementsPerBatch) {
      filled = filled && Exec(conn, batch);
      batch.clear();
      inBatch = 0;
    }
  });
  return filled && (batch.empty() || Exec(conn, batch)) && Exec(conn, "COMMIT");
}

// What the class stores, as the parameters of a statement: UTF-8 texts, dates as timestamps.
std::vector<std::string> PatientParameters(const TBLPatient& p) {
  const auto number = [](double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return std::string(text);
  };
  const auto date = [](const COleDateTime& value) { return value.FormatTimestamp().str(); };
  return {p.m_P_ID.str(),        p.m_P_FIRST_NAME.str(), p.m_P_LAST_NAME.str(),   date(p.m_P_REG_DATE),
          date(p.m_P_BIRTHDAY),  number(p.m_P_HEIGHT),   number(p.m_P_WEIGHT),    p.m_P_COMMENT.str(),
          p.m_P_DOCTOR_ID.str(), date(p.m_P_LMP),        date(p.m_P_EDC),         std::to_string(p.m_P_GR),
          std::to_string(p.m_P_PA), date(p.m_P_EDIT_DATE)};
}

constexpr const char* kInsert =
    "INSERT INTO TBLPatient VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)";
constexpr const char* kSelectPatient = "SELECT * FROM TBLPatient WHERE P_ID = $1";
constexpr const char* kUpdate =
    "UPDATE TBLPatient SET P_ID = $1, P_FIRST_NAME = $2, P_LAST_NAME = $3, P_REG_DATE = $4, P_BIRTHDAY = $5, "
    "P_HEIGHT = $6, P_WEIGHT = $7, P_COMMENT = $8, P_DOCTOR_ID = $9, P_LMP = $10, P_EDC = $11, P_GR = $12, "
    "P_PA = $13, P_EDIT_DATE = $14 WHERE P_ID = $15";

// Each raw operation as a plain libpq program writes it: one call per statement.
bool AddRawOnce(PGconn* conn) {
  TBLPatient patient;
  FillPatient(patient, NewId("R"));
  return Exec(conn, "BEGIN") && ExecParams(conn, kInsert, PatientParameters(patient)) && Exec(conn, "COMMIT");
}

bool GetRawOnce(PGconn* conn, int n, RawRow& row) {
  return ForEachRow(conn, kSelectPatient, {PatientId(n % kPatients)},
                    [&](const PGresult* result, int index) { ReadRow(result, index, row); }) == 1;
}

// The row read again, then written back in a transaction: what the row class does.
bool UpdateRawOnce(PGconn* conn, TBLPatient& patient, RawRow& row) {
  std::vector<std::string> parameters = PatientParameters(patient);
  parameters.push_back(patient.m_P_ID.str());
  return GetRawOnce(conn, 2, row) && Exec(conn, "BEGIN") && ExecParams(conn, kUpdate, parameters) &&
         Exec(conn, "COMMIT");
}

long ListRaw(PGconn* conn, int& rows) {
  long sum = 0;
  RawRow row;
  rows = ForEachRow(conn, kJoin, {}, [&](const PGresult* result, int index) {
    ReadRow(result, index, row);
    sum += static_cast<long>(row.numbers[kLengthNumber]) + static_cast<long>(row.texts[kLastNameText].size()) +
           std::atoi(row.texts[kStartTimeText].c_str() + kSecondsInTimestamp);
  });
  return sum;
}

std::string UniqueIdRaw(PGconn* conn) {
  for (int n = 1;; ++n) {
    const std::string id = TodaysId(n);
    if (ForEachRow(conn, "SELECT P_ID FROM TBLPatient WHERE P_ID = $1", {id}, {}) == 0) return id;
  }
}

void AddRaw(benchmark::State& state) {
  for (auto _ : state) {
    if (!AddRawOnce(g_raw)) state.SkipWithError("insert failed");
  }
}

void GetRaw(benchmark::State& state) {
  int n = 0;
  RawRow row;
  for (auto _ : state) {
    if (!GetRawOnce(g_raw, n++, row)) state.SkipWithError("select failed");
    benchmark::DoNotOptimize(row.numbers.data());
  }
}

void UpdateRaw(benchmark::State& state) {
  TBLPatient patient;
  FillPatient(patient, PatientId(2));
  RawRow row;
  int n = 0;
  for (auto _ : state) {
    patient.m_P_COMMENT.Format("check %d", ++n);
    if (!UpdateRawOnce(g_raw, patient, row)) state.SkipWithError("update failed");
  }
}

void ListRawSide(benchmark::State& state) {
  for (auto _ : state) {
    int rows = 0;
    benchmark::DoNotOptimize(ListRaw(g_raw, rows));
  }
}

void UniqueIdRawSide(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(UniqueIdRaw(g_raw));
}

constexpr RawSide kRawSide = {AddRaw, GetRaw, UpdateRaw, ListRawSide, UniqueIdRawSide};

// Each operation once through the relay, after a first run that lets the class learn the
// table's columns; prints the round trips of both sides.
void PrintRoundTrips(const std::string& serverFolder) {
  RoundTripRelay relay(serverFolder, serverFolder + "-relay");
  QnAdo db;
  if (!relay.Running() || !db.Connect(ConnectionString(relay.Folder()).c_str())) {
    std::printf("round trips: not counted on this system\n");
    return;
  }
  PGconn* raw = OpenRaw(ConnectionString(relay.Folder()));
  TBLPatient edited(&db), rawEdited;
  FillPatient(rawEdited, PatientId(2));
  RawRow row;
  int rows = 0;
  const struct {
    const char* name;
    std::function<void()> classSide, rawSide;
  } operations[] = {
      {"Get", [&] { GetOne(db, 3); }, [&] { GetRawOnce(raw, 3, row); }},
      {"Add", [&] { AddOne(db); }, [&] { AddRawOnce(raw); }},
      {"Update", [&] { edited.Update(); }, [&] { UpdateRawOnce(raw, rawEdited, row); }},
      {"listing", [&] { ListClass(db, rows); }, [&] { ListRaw(raw, rows); }},
  };
  edited.m_P_ID = PatientId(1).c_str();
  edited.Get();
  std::printf("round trips per operation (raw libpq in brackets):");
  for (const auto& operation : operations) {
    operation.classSide();
    relay.Take();
    operation.classSide();
    const int classTrips = relay.Take();
    operation.rawSide();
    std::printf(" %s %d (%d)", operation.name, classTrips, relay.Take());
  }
  std::printf("\n");
  PQfinish(raw);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ThrowawayServer server;
  if (!server.Running()) {
    std::fprintf(stderr, "db_server_bench: the throwaway server did not start\n");
    return 1;
  }
  const std::string conninfo = ConnectionString(server.Folder());
  g_raw = OpenRaw(conninfo);
  QnAdo db;
  if (!Fill(g_raw, kPatients, true) || !db.Connect(conninfo.c_str())) return 1;
  g_classDb = &db;

  int classRows = 0, rawRows = 0;
  const long classSum = ListClass(db, classRows);
  const long rawSum = ListRaw(g_raw, rawRows);
  int status = 1;
  if (SidesAgree(classRows, classSum, rawRows, rawSum, UniqueIdRaw(g_raw))) {
    RunPairs(Pairs(kRawSide), kTargetRatio, benchmark::kNanosecond, true);
    PrintRoundTrips(server.Folder());
    // The 100,000 rows replace the 10,000 in the same database.
    const bool refilled = Exec(g_raw, "DROP TABLE TBLPatient, TBLStudy, TBLUser") && Fill(g_raw, kPeakPatients, false);
    if (refilled) {
      PrintPeakMemory(conninfo, [&] {
        PGconn* raw = OpenRaw(conninfo);
        int rows = 0;
        ListRaw(raw, rows);
        PQfinish(raw);
        return rows;
      });
    }
    status = refilled ? 0 : 1;
  }
  benchmark::Shutdown();
  db.Disconnect();
  PQfinish(g_raw);
  return status;
}
