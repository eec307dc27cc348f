#include "tools/DbCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "config/ObexConfig.h"
#include "database/TBLPatient.h"
#include "database/TBLPatientStudy.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"
#include "database/schema/DatabaseSchema.h"
#include "platform/AfxMessageBox.h"
#include "qnutil/QnGF.h"
#include "qnutilex/QnAdo.h"

const char kDbUsage[] =
    "vudoda db init [URI] | db patients|studies|users [--where CONDITION]\n"
    "         | db add-patient --first NAME --last NAME [--id ID] [--birthday DATE] [--height CM]\n"
    "             [--weight KG] [--doctor ID] [--comment TEXT]\n"
    "         | db add-study --patient ID [--study-id ID] [--start TIME] [--length SECONDS]\n"
    "             [--doctor ID] [--nurse ID] [--comment TEXT]\n"
    "         | db add-user --name NAME [--id ID] [--password TEXT] [--level N]\n"
    "         (every action: [--database sqlite:PATH | postgresql://USER@HOST/DB | key=value...])";

// The station's data folder: "Data Path" of its configuration, or "Data" beside the program
// when the file, the key or the folder is missing.
std::string DefaultDatabasePath() {
  ObexConfig config;
  config.Open();
  return QnGF::MakePath(config.m_strDataPath, "vudoda.db").GetString();
}

namespace {

constexpr const char* kCommand = "db";
constexpr std::string_view kSqlitePrefix = "sqlite:";

using Row = std::vector<std::string>;
using Options = std::span<const CommandLine::Option>;

// The message boxes of the row classes go to the command's error stream while it runs.
class MessagesToStream {
 public:
  explicit MessagesToStream(std::ostream& err) : m_previous(AfxSetMessageBoxHandler(&Show)) { s_err = &err; }
  MessagesToStream(const MessagesToStream&) = delete;
  MessagesToStream& operator=(const MessagesToStream&) = delete;
  ~MessagesToStream() {
    AfxSetMessageBoxHandler(m_previous);
    s_err = nullptr;
  }

 private:
  static int Show(const char* text, UINT /*type*/) {
    if (s_err) *s_err << "vudoda db: " << text << '\n';
    return IDOK;
  }
  static inline std::ostream* s_err = nullptr;
  AFX_MESSAGE_BOX_HANDLER m_previous;
};

std::string DatabaseUri(const CommandLine& line) {
  return line.Value("--database").value_or(std::string(kSqlitePrefix) + DefaultDatabasePath());
}

// Connects `db`; the fault otherwise.
std::optional<std::string> Open(QnAdo& db, const std::string& uri) {
  if (db.Connect(uri.c_str())) return std::nullopt;
  // Only a file's path is shown: a server's connection string may carry a password.
  const std::string shown = uri.starts_with(kSqlitePrefix) ? uri : std::string("on the server");
  std::string fault = "cannot open the patient database " + shown + ": " + db.GetLastErrorString().GetString();
  if (uri.starts_with(kSqlitePrefix) && !std::filesystem::exists(uri.substr(kSqlitePrefix.size()))) {
    fault += " (create it with 'vudoda db init')";
  }
  return fault;
}

std::string DateText(const COleDateTime& date, const char* format) {
  return date.GetStatus() == COleDateTime::null ? "-" : date.Format(format).GetString();
}

// Characters, not bytes, line the columns up: a UTF-8 continuation byte takes no column.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

void PrintTable(std::ostream& out, const Row& header, const std::vector<Row>& rows) {
  std::vector<std::size_t> widths;
  for (const std::string& title : header) widths.push_back(Columns(title));
  for (const Row& row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column) widths[column] = std::max(widths[column], Columns(row[column]));
  }
  const auto print = [&](const Row& row) {
    std::string line;
    for (std::size_t column = 0; column < row.size(); ++column) {
      line += row[column];
      if (column + 1 < row.size()) line += std::string(widths[column] - Columns(row[column]) + 2, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  };
  print(header);
  for (const Row& row : rows) print(row);
  out << rows.size() << (rows.size() == 1 ? " row\n" : " rows\n");
}

// Lists the rows of `Table` that the condition selects, one line each as `describe` gives it.
template <class Table>
int List(QnAdo& db, const CommandLine& line, ToolIo& io, const Row& header,
         const std::function<Row(const Table&)>& describe) {
  Table table(&db);
  if (const std::optional<std::string> where = line.Value("--where")) table.AddCondition(where->c_str());
  const int count = table.CursorOpenCondition();
  // -1 is also an empty result; only a failed query leaves no recordset open.
  if (count < 0 && !db.IsRecordsetOpened()) {
    return ReportFailure(io, kCommand, std::string("the listing failed: ") + db.GetLastErrorString().GetString());
  }
  std::vector<Row> rows;
  for (int index = 0; index < count; ++index) {
    if (!table.CursorGet()) return ReportFailure(io, kCommand, "a row could not be read");
    rows.push_back(describe(table));
    table.CursorMove();
  }
  table.CursorClose();
  PrintTable(io.out, header, rows);
  return kExitOk;
}

int ListPatients(QnAdo& db, const CommandLine& line, ToolIo& io) {
  return List<TBLPatient>(db, line, io, {"ID", "NAME", "BIRTHDAY", "DOCTOR", "REGISTERED", "COMMENT"},
                          [](const TBLPatient& p) -> Row {
                            return {p.m_P_ID.GetString(),
                                    std::string(p.m_P_LAST_NAME.GetString()) + ", " + p.m_P_FIRST_NAME.GetString(),
                                    DateText(p.m_P_BIRTHDAY, "%Y-%m-%d"), p.m_P_DOCTOR_ID.GetString(),
                                    DateText(p.m_P_REG_DATE, "%Y-%m-%d %H:%M"), p.m_P_COMMENT.GetString()};
                          });
}

int ListStudies(QnAdo& db, const CommandLine& line, ToolIo& io) {
  return List<TBLPatientStudy>(
      db, line, io, {"PATIENT", "NAME", "STUDY", "START", "LENGTH", "DOCTOR", "NURSE", "COMMENT"},
      [](const TBLPatientStudy& s) -> Row {
        return {s.m_S_ID.GetString(),
                std::string(s.m_P_LAST_NAME.GetString()) + ", " + s.m_P_FIRST_NAME.GetString(),
                s.m_S_STUDY_ID.GetString(),
                DateText(s.m_S_START_TIME, "%Y-%m-%d %H:%M:%S"),
                std::to_string(s.m_S_LENGTH),
                s.m_S_DOCTOR_ID.GetString(),
                s.m_S_NURSE_ID.GetString(),
                s.m_S_COMMENT.GetString()};
      });
}

int ListUsers(QnAdo& db, const CommandLine& line, ToolIo& io) {
  return List<TBLUser>(db, line, io, {"ID", "NAME", "LEVEL", "REGISTERED"}, [](const TBLUser& u) -> Row {
    return {u.m_M_ID.GetString(), u.m_M_NAME.GetString(), std::to_string(u.m_M_LEVEL),
            DateText(u.m_M_REG_DATE, "%Y-%m-%d %H:%M")};
  });
}

// The values of the add actions, read from the options; a fault names the bad one.
class AddValues {
 public:
  explicit AddValues(const CommandLine& line) : m_line(line) {}

  CString Text(std::string_view option) const { return m_line.Value(option).value_or("").c_str(); }

  std::optional<std::string> Date(std::string_view option, COleDateTime& date) const {
    const std::optional<std::string> text = m_line.Value(option);
    if (!text) return std::nullopt;
    if (!date.ParseDateTime(text->c_str())) return std::string(option) + " takes a date such as 2026-12-04 09:05, not '" + *text + "'";
    return std::nullopt;
  }

  std::optional<std::string> Number(std::string_view option, double& value) const {
    const std::optional<std::string> text = m_line.Value(option);
    if (!text) return std::nullopt;
    const std::optional<double> parsed = ParseNonNegative(*text, 1000000);
    if (!parsed) return std::string(option) + " takes a number, not '" + *text + "'";
    value = *parsed;
    return std::nullopt;
  }

  std::optional<std::string> Whole(std::string_view option, long& value) const {
    const std::optional<std::string> text = m_line.Value(option);
    if (!text) return std::nullopt;
    const std::optional<std::uint64_t> parsed = ParseUnsigned(*text, 2147483647);
    if (!parsed) return std::string(option) + " takes a whole number from 0 to 2147483647, not '" + *text + "'";
    value = static_cast<long>(*parsed);
    return std::nullopt;
  }

  std::optional<std::string> Require(std::initializer_list<std::string_view> options) const {
    for (std::string_view option : options) {
      if (!m_line.Value(option) || m_line.Value(option)->empty()) return std::string(option) + " is required";
    }
    return std::nullopt;
  }

 private:
  const CommandLine& m_line;
};

std::optional<std::string> FirstFault(std::initializer_list<std::optional<std::string>> faults) {
  for (const auto& fault : faults) {
    if (fault) return fault;
  }
  return std::nullopt;
}

int Added(ToolIo& io, int added, const std::string& what) {
  if (!added) return ReportFailure(io, kCommand, what + " was not added");
  io.out << "added " << what << '\n';
  return kExitOk;
}

int AddPatient(QnAdo& db, const CommandLine& line, ToolIo& io) {
  const AddValues values(line);
  TBLPatient patient(&db);
  if (auto fault = FirstFault({values.Require({"--first", "--last"}), values.Date("--birthday", patient.m_P_BIRTHDAY),
                               values.Number("--height", patient.m_P_HEIGHT),
                               values.Number("--weight", patient.m_P_WEIGHT)})) {
    return ReportUsageFault(io, kCommand, kDbUsage, *fault);
  }
  patient.m_P_ID = line.Value("--id") ? values.Text("--id") : TBLPatient::GetUniqueId(&db);
  patient.m_P_FIRST_NAME = values.Text("--first");
  patient.m_P_LAST_NAME = values.Text("--last");
  patient.m_P_DOCTOR_ID = values.Text("--doctor");
  patient.m_P_COMMENT = values.Text("--comment");
  patient.m_P_REG_DATE = patient.m_P_EDIT_DATE = COleDateTime::GetCurrentTime();
  return Added(io, patient.Add(), std::string("patient ") + patient.m_P_ID.GetString());
}

int AddStudy(QnAdo& db, const CommandLine& line, ToolIo& io) {
  const AddValues values(line);
  TBLStudy study(&db);
  COleDateTime start = COleDateTime::GetCurrentTime();
  if (auto fault = FirstFault({values.Require({"--patient"}), values.Date("--start", start),
                               values.Whole("--length", study.m_S_LENGTH)})) {
    return ReportUsageFault(io, kCommand, kDbUsage, *fault);
  }
  study.m_S_ID = values.Text("--patient");
  study.SetStartTime(start, !line.Value("--study-id"));
  if (line.Value("--study-id")) study.m_S_STUDY_ID = values.Text("--study-id");
  study.m_S_DOCTOR_ID = values.Text("--doctor");
  study.m_S_NURSE_ID = values.Text("--nurse");
  study.m_S_COMMENT = values.Text("--comment");
  study.m_S_EDIT_DATE = COleDateTime::GetCurrentTime();
  return Added(io, study.Add(),
               std::string("study ") + study.m_S_STUDY_ID.GetString() + " of patient " + study.m_S_ID.GetString());
}

int AddUser(QnAdo& db, const CommandLine& line, ToolIo& io) {
  const AddValues values(line);
  TBLUser user(&db);
  if (auto fault = FirstFault({values.Require({"--name"}), values.Whole("--level", user.m_M_LEVEL)})) {
    return ReportUsageFault(io, kCommand, kDbUsage, *fault);
  }
  user.m_M_ID = line.Value("--id") ? values.Text("--id") : TBLUser::GetUniqueId(&db);
  user.m_M_NAME = values.Text("--name");
  user.m_M_PASSWORD = values.Text("--password");
  user.m_M_REG_DATE = user.m_M_EDIT_DATE = COleDateTime::GetCurrentTime();
  return Added(io, user.Add(), std::string("user ") + user.m_M_ID.GetString());
}

// Creates the database file readable and writable by its owner only (it holds patient data):
// true when it was created, false when it existed; the fault when neither.
std::optional<std::string> CreateOwnerOnlyFile(const std::string& path, bool& created) {
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  created = file >= 0;
  if (created) ::close(file);
  if (created || errno == EEXIST) return std::nullopt;
  return "cannot create " + path + ": " + std::strerror(errno);
}

int Init(const CommandLine& line, ToolIo& io) {
  if (line.Operands().size() > 1) return ReportUsageFault(io, kCommand, kDbUsage, "init takes one URI");
  const std::string uri = line.Operands().empty() ? DatabaseUri(line) : line.Operands().front();
  const bool sqlite = uri.starts_with(kSqlitePrefix);
  if (sqlite && uri.size() == kSqlitePrefix.size()) {
    return ReportUsageFault(io, kCommand, kDbUsage, "init needs sqlite:PATH or a server's connection string");
  }
  bool created = false;
  if (sqlite) {
    const std::string path = uri.substr(kSqlitePrefix.size());
    if (!line.Value("--database") && line.Operands().empty()) {
      std::error_code ignored;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    }
    if (const std::optional<std::string> fault = CreateOwnerOnlyFile(path, created)) {
      return ReportFailure(io, kCommand, *fault);
    }
  }
  QnAdo db;
  if (const std::optional<std::string> fault = Open(db, uri)) return ReportFailure(io, kCommand, *fault);
  if (!db.ExecuteSQL(SchemaFor(uri.c_str()))) {
    return ReportFailure(io, kCommand, std::string("cannot create the tables: ") + db.GetLastErrorString().GetString());
  }
  // A server's connection string may carry a password: it is never printed.
  const std::string where = sqlite ? uri.substr(kSqlitePrefix.size()) : std::string("on the server");
  io.out << (created ? "created the patient database " : "the patient database is ready: ") << where << '\n';
  return kExitOk;
}

struct Action {
  const char* name;
  std::vector<CommandLine::Option> options;
  int (*run)(QnAdo& db, const CommandLine& line, ToolIo& io);
};

const std::vector<Action>& Actions() {
  static const std::vector<Action> actions = {
      {"patients", {{"--where", true}}, &ListPatients},
      {"studies", {{"--where", true}}, &ListStudies},
      {"users", {{"--where", true}}, &ListUsers},
      {"add-patient",
       {{"--id", true}, {"--first", true}, {"--last", true}, {"--birthday", true}, {"--height", true},
        {"--weight", true}, {"--doctor", true}, {"--comment", true}},
       &AddPatient},
      {"add-study",
       {{"--patient", true}, {"--study-id", true}, {"--start", true}, {"--length", true}, {"--doctor", true},
        {"--nurse", true}, {"--comment", true}},
       &AddStudy},
      {"add-user", {{"--id", true}, {"--name", true}, {"--password", true}, {"--level", true}}, &AddUser},
  };
  return actions;
}

}  // namespace

int RunDb(std::span<const std::string> args, ToolIo& io) {
  if (args.empty()) return ReportUsageFault(io, kCommand, kDbUsage, "no action given");
  const std::string& name = args.front();
  MessagesToStream messages(io.err);
  if (name == "init") {
    const CommandLine::Option options[] = {{"--database", true}};
    CommandLine line(options);
    if (std::optional<std::string> fault = line.Parse(args.subspan(1))) {
      return ReportUsageFault(io, kCommand, kDbUsage, *fault);
    }
    return Init(line, io);
  }
  for (const Action& action : Actions()) {
    if (name != action.name) continue;
    std::vector<CommandLine::Option> options = action.options;
    options.push_back({"--database", true});
    CommandLine line(options);
    if (std::optional<std::string> fault = line.Parse(args.subspan(1))) {
      return ReportUsageFault(io, kCommand, kDbUsage, *fault);
    }
    if (!line.Operands().empty()) {
      return ReportUsageFault(io, kCommand, kDbUsage, "unexpected argument " + line.Operands().front());
    }
    QnAdo db;
    if (const std::optional<std::string> fault = Open(db, DatabaseUri(line))) return ReportFailure(io, kCommand, *fault);
    return action.run(db, line, io);
  }
  return ReportUsageFault(io, kCommand, kDbUsage, "unknown action '" + name + "'");
}
