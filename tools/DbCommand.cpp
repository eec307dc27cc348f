#include "tools/DbCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "config/ObexConfig.h"
#include "database/TBLPatient.h"
#include "database/TBLPatientStudy.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"
#include "platform/AfxMessageBox.h"
#include "qnutilex/QnAdo.h"
#include "registry/DatabaseCopy.h"
#include "registry/StationDatabase.h"
#include "registry/UserAccounts.h"
#include "tools/OptionChecks.h"
#include "tools/PasswordPrompt.h"

namespace {

constexpr const char* kCommand = "db";

using Row = std::vector<std::string>;

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

std::string DatabaseUri(const DbOptions& options) {
  if (!options.database.empty()) return options.database;
  ObexConfig config;
  config.Open();
  return StationDatabase::DefaultUri(config);
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
int List(QnAdo& db, const DbOptions& options, ToolIo& io, const Row& header,
         const std::function<Row(const Table&)>& describe) {
  Table table(&db);
  if (!options.where.empty()) table.AddCondition(options.where.c_str());
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
  return FinishOutput(io, kCommand);
}

int ListPatients(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  return List<TBLPatient>(db.Connection(), options, io, {"ID", "NAME", "BIRTHDAY", "DOCTOR", "REGISTERED", "COMMENT"},
                          [](const TBLPatient& p) -> Row {
                            return {p.m_P_ID.GetString(),
                                    std::string(p.m_P_LAST_NAME.GetString()) + ", " + p.m_P_FIRST_NAME.GetString(),
                                    DateText(p.m_P_BIRTHDAY, "%Y-%m-%d"), p.m_P_DOCTOR_ID.GetString(),
                                    DateText(p.m_P_REG_DATE, "%Y-%m-%d %H:%M"), p.m_P_COMMENT.GetString()};
                          });
}

int ListStudies(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  return List<TBLPatientStudy>(
      db.Connection(), options, io, {"PATIENT", "NAME", "STUDY", "START", "LENGTH", "DOCTOR", "NURSE", "COMMENT"},
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

int ListUsers(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  return List<TBLUser>(db.Connection(), options, io, {"ID", "NAME", "LEVEL", "REGISTERED"}, [](const TBLUser& u) -> Row {
    return {u.m_M_ID.GetString(), u.m_M_NAME.GetString(), std::to_string(u.m_M_LEVEL),
            DateText(u.m_M_REG_DATE, "%Y-%m-%d %H:%M")};
  });
}

// The values of the add actions, as the options gave them; the parsing has checked each
// against its kind, so reading them cannot fail.
class AddValues {
 public:
  explicit AddValues(const DbOptions& options) : m_values(options.values) {}

  bool Has(const std::string& option) const { return m_values.contains(option); }
  CString Text(const std::string& option) const { return Has(option) ? m_values.at(option).c_str() : ""; }
  void Date(const std::string& option, COleDateTime& date) const {
    if (Has(option)) date.ParseDateTime(m_values.at(option).c_str());
  }
  void Number(const std::string& option, double& value) const {
    if (Has(option)) value = std::stod(m_values.at(option));
  }
  void Whole(const std::string& option, long& value) const {
    if (Has(option)) value = std::stol(m_values.at(option));
  }

 private:
  const std::map<std::string, std::string>& m_values;
};

int Added(ToolIo& io, int added, const std::string& what) {
  if (!added) return ReportFailure(io, kCommand, what + " was not added");
  io.out << "added " << what << '\n';
  return kExitOk;
}

int AddPatient(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  const AddValues values(options);
  TBLPatient patient(&db.Connection());
  values.Date("--birthday", patient.m_P_BIRTHDAY);
  values.Number("--height", patient.m_P_HEIGHT);
  values.Number("--weight", patient.m_P_WEIGHT);
  patient.m_P_ID = values.Text("--id");
  patient.m_P_FIRST_NAME = values.Text("--first");
  patient.m_P_LAST_NAME = values.Text("--last");
  patient.m_P_DOCTOR_ID = values.Text("--doctor");
  patient.m_P_COMMENT = values.Text("--comment");
  patient.m_P_REG_DATE = patient.m_P_EDIT_DATE = COleDateTime::GetCurrentTime();
  const bool added = db.AddPatient(patient);
  return Added(io, added, std::string("patient ") + patient.m_P_ID.GetString());
}

int AddStudy(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  const AddValues values(options);
  TBLStudy study(&db.Connection());
  COleDateTime start = COleDateTime::GetCurrentTime();
  values.Date("--start", start);
  values.Whole("--length", study.m_S_LENGTH);
  study.m_S_ID = values.Text("--patient");
  study.SetStartTime(start, !values.Has("--study-id"));
  if (values.Has("--study-id")) study.m_S_STUDY_ID = values.Text("--study-id");
  study.m_S_DOCTOR_ID = values.Text("--doctor");
  study.m_S_NURSE_ID = values.Text("--nurse");
  study.m_S_COMMENT = values.Text("--comment");
  study.m_S_EDIT_DATE = COleDateTime::GetCurrentTime();
  // A study started now whose second another station took for the same patient starts a
  // second later; a start or a study id given stands as given.
  const bool keyGiven = values.Has("--study-id") || values.Has("--start");
  const bool added = db.AddStudy(study, start, keyGiven);
  return Added(io, added,
               std::string("study ") + study.m_S_STUDY_ID.GetString() + " of patient " + study.m_S_ID.GetString());
}

// The password as the user gives it: the option's text, or read like check-user's for "-".
std::optional<std::string> GivenPassword(const AddValues& values, ToolIo& io) {
  const CString text = values.Text("--password");
  if (text != "-") return std::string(text.GetString());
  return ReadPassword(io);
}

int AddUser(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  const AddValues values(options);
  TBLUser user(&db.Connection());
  values.Whole("--level", user.m_M_LEVEL);
  std::optional<std::string> password;
  if (values.Has("--password")) {
    password = GivenPassword(values, io);
    if (!password) return ReportFailure(io, kCommand, "no password was given");
  }
  user.m_M_ID = values.Text("--id");
  user.m_M_NAME = values.Text("--name");
  user.m_M_REG_DATE = user.m_M_EDIT_DATE = COleDateTime::GetCurrentTime();
  if (auto fault = UserAccounts(db.Connection()).Add(user, password)) return ReportFailure(io, kCommand, *fault);
  io.out << "added user " << user.m_M_ID.GetString() << '\n';
  return kExitOk;
}

int CheckUser(StationDatabase& db, const DbOptions& options, ToolIo& io) {
  const std::string id = AddValues(options).Text("ID").GetString();
  const std::string who = "user " + id;
  const std::optional<std::string> password = ReadPassword(io);
  if (!password) return ReportFailure(io, kCommand, "no password was given");
  switch (UserAccounts(db.Connection()).Verify(id, *password)) {
    case UserAccounts::Check::Matches: io.out << "the password of " << who << " matches\n"; return kExitOk;
    case UserAccounts::Check::NoSuchUser: return ReportFailure(io, kCommand, "no " + who);
    case UserAccounts::Check::NoHash: return ReportFailure(io, kCommand, who + " has no password hash to check against");
    case UserAccounts::Check::Mismatch: break;
  }
  return ReportFailure(io, kCommand, "the password of " + who + " does not match");
}

int Init(const DbOptions& options, ToolIo& io) {
  const std::string uri = options.initUri.empty() ? DatabaseUri(options) : options.initUri;
  if (uri == "sqlite:") return ReportUsageFault(io, kCommand, "init needs sqlite:PATH or a server's connection string");
  const bool file = StationDatabase::Shown(uri) == uri;
  const std::string path = file ? uri.substr(uri.find(':') + 1) : std::string();
  // The default database's folder is the station's data folder, made when missing.
  if (file && options.database.empty() && options.initUri.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  }
  StationDatabase db;
  bool created = false;
  if (auto fault = db.Create(uri, created)) return ReportFailure(io, kCommand, *fault);
  io.out << (created ? "created the patient database " : "the patient database is ready: ")
         << (file ? path : "on the server") << '\n';
  return kExitOk;
}

int Copy(const DbOptions& options, ToolIo& io) {
  StationDatabase from, to;
  if (auto fault = from.Open(options.copyFrom)) return ReportFailure(io, kCommand, *fault);
  if (auto fault = to.Open(options.copyTo)) return ReportFailure(io, kCommand, *fault);
  DatabaseCopy copy(from.Connection(), to.Connection());
  const std::string shown = StationDatabase::Shown(options.copyTo);
  if (copy.Run()) {
    io.out << "copied " << copy.Added() << " rows to " << shown << ", skipped " << copy.Skipped()
           << " identical ones\n";
    return kExitOk;
  }
  if (copy.Conflicts().empty()) return ReportFailure(io, kCommand, "nothing was copied: " + copy.Error());
  io.err << "vudoda db: nothing was copied: " << shown << " holds other content under these keys:\n";
  for (const std::string& conflict : copy.Conflicts()) io.err << "  " << conflict << '\n';
  return kExitFailure;
}

// What an add action's option takes; the parsing refuses a value of another kind.
enum class ValueKind { Text, Required, Date, Decimal, Whole };

struct ValueOption {
  const char* name;
  ValueKind kind;
  const char* help;
};

// Every action is one row: its name, what it does, the options of its values, an example.
struct Action {
  const char* name;
  const char* summary;
  std::vector<ValueOption> values;
  const char* example;
  int (*run)(StationDatabase& db, const DbOptions& options, ToolIo& io);
};

const std::vector<Action>& Actions() {
  static const std::vector<Action> actions = {
      {"patients", "list the patients", {}, "vudoda db patients --where \"P_LAST_NAME LIKE 'L%'\"", &ListPatients},
      {"studies", "list the studies with their patients", {}, "vudoda db studies --where \"S_ID = '20261204-001'\"",
       &ListStudies},
      {"users", "list the users", {}, "vudoda db users", &ListUsers},
      {"add-patient",
       "add a patient; her identifier is today's next one unless --id names it",
       {{"--id", ValueKind::Text, "the patient's identifier"},
        {"--first", ValueKind::Required, "first name"},
        {"--last", ValueKind::Required, "last name"},
        {"--birthday", ValueKind::Date, "date of birth"},
        {"--height", ValueKind::Decimal, "height in cm"},
        {"--weight", ValueKind::Decimal, "weight in kg"},
        {"--doctor", ValueKind::Text, "the doctor's identifier"},
        {"--comment", ValueKind::Text, "a comment"}},
       "vudoda db add-patient --first Anna --last Lindqvist --birthday 1992-03-14",
       &AddPatient},
      {"add-study",
       "add a study of a patient; its identifier comes from its start unless --study-id names it",
       {{"--patient", ValueKind::Required, "the patient's identifier"},
        {"--study-id", ValueKind::Text, "the study's identifier"},
        {"--start", ValueKind::Date, "start time (default: now)"},
        {"--length", ValueKind::Whole, "length in seconds"},
        {"--doctor", ValueKind::Text, "the doctor's identifier"},
        {"--nurse", ValueKind::Text, "the nurse's identifier"},
        {"--comment", ValueKind::Text, "a comment"}},
       "vudoda db add-study --patient 20261204-001 --nurse N-12",
       &AddStudy},
      {"add-user",
       "add a station user; the identifier is today's next one unless --id names it",
       {{"--id", ValueKind::Text, "the user's identifier"},
        {"--name", ValueKind::Required, "the user's name"},
        {"--password", ValueKind::Text, "the user's password, stored as a salted hash; - reads it as check-user does"},
        {"--level", ValueKind::Whole, "the user's level"}},
       "vudoda db add-user --name \"N. Example\" --level 1 --password -",
       &AddUser},
      {"check-user",
       "read a password (without echo from a terminal, else a line of standard input); exit 0 when it is "
       "user ID's, 1 otherwise",
       {{"ID", ValueKind::Required, "the user's identifier"}},
       "vudoda db check-user 20261204-001",
       &CheckUser},
  };
  return actions;
}

CLI::Validator DateCheck() {
  return CLI::Validator(
      [](const std::string& text) {
        COleDateTime date;
        return date.ParseDateTime(text.c_str()) ? std::string()
                                                : "takes a date such as 2026-12-04 09:05, not '" + text + "'";
      },
      "DATE");
}

CLI::Validator NotEmpty() {
  return CLI::Validator([](const std::string& text) { return text.empty() ? "must not be empty" : std::string(); },
                        "");
}

void DefineValue(CLI::App& action, const ValueOption& value, DbOptions& options) {
  CLI::Option* option = action.add_option_function<std::string>(
      value.name, [&options, name = std::string(value.name)](const std::string& text) { options.values[name] = text; },
      value.help);
  switch (value.kind) {
    case ValueKind::Text: option->type_name("TEXT"); break;
    case ValueKind::Required: option->type_name("TEXT")->required()->check(NotEmpty()); break;
    case ValueKind::Date: option->check(DateCheck()); break;
    case ValueKind::Decimal: option->check(DecimalBetween(0, 1000000)); break;
    case ValueKind::Whole: option->check(CLI::Range(0, 2147483647)); break;
  }
}

int RunAction(const DbOptions& options, ToolIo& io) {
  if (options.action == "copy") return Copy(options, io);
  for (const Action& action : Actions()) {
    if (options.action != action.name) continue;
    StationDatabase db;
    if (auto fault = db.Open(DatabaseUri(options))) return ReportFailure(io, kCommand, *fault);
    return action.run(db, options, io);
  }
  return Init(options, io);
}

}  // namespace

void DefineDb(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<DbOptions>();
  command.require_subcommand(1);
  const auto addAction = [&](const char* name, const char* summary, const std::string& example) {
    CLI::App* action = command.add_subcommand(name, summary);
    action->add_option("--database", options->database,
                       "the database: sqlite:PATH, or a server by postgresql://USER@HOST/DB or key=value pairs "
                       "(default: vudoda.db in the data folder)")
        ->type_name("URI");
    action->footer("Example:\n  " + example);
    return action;
  };
  addAction("init", "create the tables (a new file readable by its owner only, or on a server)",
            "vudoda db init sqlite:station.db")
      ->add_option("URI", options->initUri, "the database to create (default: --database)")->type_name("URI");
  CLI::App* copy = command.add_subcommand(
      "copy", "copy the patients, studies and users of one database into another in one transaction; rows "
              "whose keys the target holds with other content are refused and listed, identical ones skipped");
  copy->add_option("FROM_URI", options->copyFrom, "the database to copy from")->type_name("URI")->required();
  copy->add_option("TO_URI", options->copyTo, "the database to copy into")->type_name("URI")->required();
  copy->footer("Example:\n  vudoda db copy sqlite:station.db postgresql://station@db-host/ward");
  for (const Action& action : Actions()) {
    CLI::App* sub = addAction(action.name, action.summary, action.example);
    if (action.values.empty()) {
      sub->add_option("--where", options->where, "an SQL condition on the rows")->type_name("CONDITION");
    }
    for (const ValueOption& value : action.values) DefineValue(*sub, value, *options);
  }
  command.callback([options, &command, &run] {
    options->action = command.get_subcommands().front()->get_name();
    MessagesToStream messages(run.io.err);
    run.exitCode = RunAction(*options, run.io);
  });
}
