// The station tool as a user runs it: arguments, decode's two printers, simulate into decode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "link/RecordingScratch.h"
#include "packet/PKAlarm_v110.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKWave_v110.h"
#include "tools/ToolRun.h"

namespace {

using Json = nlohmann::json;
using Bytes = std::vector<unsigned char>;

std::string Simulate(std::vector<std::string> args) {
  args.insert(args.begin(), "simulate");
  const ToolRun run = RunVudoda(args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

// The decoded events of a stream, one JSON object each.
std::vector<Json> DecodeEvents(const std::string& stream, std::vector<std::string> args = {"decode", "--json"}) {
  const ToolRun run = RunVudoda(args, stream);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<Json> events;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) events.push_back(Json::parse(line));
  return events;
}

// A refused argument is one line that names the command and the fault, and exit code 2.
TEST(ToolCommands, ArgumentErrorsGiveExitCodeAndMessage) {
  const struct { std::vector<std::string> args; int exitCode; std::string errPart; } cases[] = {
      {{}, 2, "vudoda: A subcommand is required"},
      {{"frobnicate"}, 2, "vudoda: The following argument was not expected: frobnicate"},
      {{"db"}, 2, "vudoda db: A subcommand is required"},
      {{"db", "frobnicate"}, 2, "vudoda db: The following argument was not expected: frobnicate"},
      {{"decode", "--bogus"}, 2, "vudoda decode: The following argument was not expected: --bogus"},
      {{"decode", "--json=maybe"}, 2, "--json = maybe"},
      {{"decode", "a", "b"}, 2, "not expected: b"},
      {{"decode", "--only", "PKParam_v110,PKFoo"}, 2, "--only: PKFoo not in"},
      {{"decode", "--language", "15"}, 2, "--language: Value 15 not in range 1 to 14"},
      {{"decode", "/nonexistent/stream.bin"}, 1, "vudoda decode: cannot open /nonexistent/stream.bin"},
      {{"simulate", "--seconds"}, 2, "--seconds: 1 required"},
      {{"simulate", "--seconds=ten"}, 2, "--seconds: takes a number from 0 to 2592000, not 'ten'"},
      {{"simulate", "--seconds", "2592001"}, 2, "--seconds: takes a number"},
      {{"simulate", "--seconds", "nan"}, 2, "--seconds: takes a number"},
      {{"simulate", "--seed", "4294967296"}, 2, "--seed = 4294967296"},
      {{"simulate", "--seed", "-1"}, 2, "--seed"},
      {{"simulate", "extra"}, 2, "not expected: extra"},
      {{"simulate", "--seconds", "1", "-o", "/nonexistent/out.bin"}, 1, "cannot create /nonexistent/out.bin"},
      {{"maps", "1"}, 2, "vudoda maps: KIND: no map kind '1'"},
      {{"maps", "43"}, 2, "no map kind '43'"},
      {{"db", "add-patient", "--first", "A"}, 2, "vudoda db add-patient: --last is required"},
      {{"db", "add-patient", "--first", "A", "--last", "B", "--height", "1e3"}, 2, "--height: takes a number"},
      {{"db", "add-study", "--patient", "P", "--start", "soon"}, 2, "--start: takes a date"},
      {{"db", "add-user", "--name", "N", "--level", "2147483648"}, 2, "--level"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunVudoda(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.errPart;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "") << c.errPart;
  }
}

// Options go before, between and after the operands, as CLI11 reads them; an option that takes a
// list takes it from one word, and leaves the next word to the operands.
class ArgumentOrder : public RecordingScratch {};

TEST_F(ArgumentOrder, OptionsAndOperandsGoInAnyOrder) {
  const std::string link = Write("link.bin", Simulate({"--seconds", "60"}));
  const std::string ini = File("Maternis.ini"), db = "sqlite:" + File("ward.db");
  ASSERT_EQ(RunVudoda({"db", "init", db}).exitCode, 0);
  // Each row: the same request in several orders, and the file it writes (if any).
  const struct { std::vector<std::vector<std::string>> orders; std::string written; } cases[] = {
      {{{"decode", link, "--only", "PKPatient_v110"}, {"decode", "--only", "PKPatient_v110", link},
        {"decode", "--only=PKPatient_v110", link}, {"decode", "--only", "pkpatient_v110", "--hex=false", link}}, ""},
      {{{"decode", "--json", link, "--only", "PKPatient_v110,PKAlarm_v110"},
        {"decode", "--only", "PKPatient_v110,PKAlarm_v110", link, "--json"},
        {"decode", "--only", "PKPatient_v110", "--only", "PKAlarm_v110", "--json", link}}, ""},
      {{{"export", "--format", "csv", "-o", File("out.csv"), link}, {"export", link, "--format", "csv", "-o", File("out.csv")},
        {"export", "-o", File("out.csv"), link, "--format=csv"}}, File("out.csv")},
      {{{"strip", link, "-o", File("out.png"), "--speed", "1"}, {"strip", "-o", File("out.png"), "--speed", "1", link},
        {"strip", "--speed", "2", link, "--output", File("out.png"), "--speed", "1"}}, File("out.png")},
      {{{"maps", "on_off", "--language", "3"}, {"maps", "--language", "3", "on_off"}}, ""},
      {{{"config", "--file", ini, "set", "Language", "5"}, {"config", "set", "--file", ini, "Language", "5"},
        {"config", "set", "Language", "5", "--file", ini}, {"config", "set", "Language", "--file", ini, "5"}}, ini},
      {{{"db", "patients", "--database", db, "--where", "1=1"}, {"db", "patients", "--where", "1=1", "--database", db}},
       ""},
  };
  for (const auto& c : cases) {
    std::string firstOut, firstWritten;
    for (const std::vector<std::string>& args : c.orders) {
      std::filesystem::remove(c.written);
      const ToolRun run = RunVudoda(args);
      EXPECT_EQ(run.exitCode, 0) << args[1] << " " << args[2] << ": " << run.err;
      const std::string written = c.written.empty() ? "" : ReadFile(c.written);
      if (&args == &c.orders.front()) {
        firstOut = run.out;
        firstWritten = written;
      }
      EXPECT_EQ(run.out, firstOut) << args[1] << " " << args[2];
      EXPECT_TRUE(written == firstWritten) << args[1] << " " << args[2] << ": " << c.written << " differs";
    }
  }
}

// Every command answers --help and -h with its usage, each of its options, an example, and
// the defaults a user would otherwise have to guess.
TEST(ToolCommands, HelpOfEveryCommandNamesItsOptions) {
  const struct { std::vector<std::string> command; std::vector<std::string> named; } cases[] = {
      {{}, {"Usage: vudoda", "config", "db", "decode", "maps", "simulate", "--version", "Exit codes"}},
      {{"config"}, {"--file", "--language", "show", "get", "set", "reset"}},
      {{"config", "set"}, {"KEY", "VALUE"}},
      {{"db"}, {"--database", "init", "patients", "studies", "users", "add-patient", "add-study", "add-user"}},
      {{"db", "init"}, {"URI"}},
      {{"db", "patients"}, {"--where", "--database"}},
      {{"db", "add-patient"}, {"--id", "--first", "--last", "--birthday", "--height", "--weight", "--doctor",
                               "--comment"}},
      {{"db", "add-study"}, {"--patient", "--study-id", "--start", "--length", "--doctor", "--nurse", "--comment"}},
      {{"db", "add-user"}, {"--id", "--name", "--password", "--level"}},
      {{"decode"}, {"--hex", "--json", "--only", "--language", "FILE", "PKParam_v110"}},
      {{"maps"}, {"KIND", "--language"}},
      {{"simulate"}, {"--seconds", "=60", "--seed", "=1", "--hex", "-o,--output"}},
  };
  for (const auto& c : cases) {
    for (const char* flag : {"--help", "-h"}) {
      std::vector<std::string> args = c.command;
      args.emplace_back(flag);
      const ToolRun run = RunVudoda(args);
      EXPECT_EQ(run.exitCode, 0) << run.err;
      std::string usage = "Usage: vudoda";
      for (const std::string& word : c.command) usage += " " + word;
      EXPECT_NE(run.out.find(usage), std::string::npos) << run.out;
      if (!c.command.empty()) { EXPECT_NE(run.out.find("Example:\n  vudoda "), std::string::npos) << run.out; }
      for (const std::string& named : c.named) EXPECT_NE(run.out.find(named), std::string::npos) << named << "\n" << run.out;
    }
  }
  EXPECT_EQ(RunVudoda({"help", "db", "add-user"}).out, RunVudoda({"db", "add-user", "--help"}).out);
}

TEST(ToolCommands, VersionIsTheProjectVersion) {
  const ToolRun run = RunVudoda({"--version"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "vudoda " VUDODA_TEST_VERSION "\n");
}

TEST(ToolCommands, BadHexStopsWithTheOffsetAfterPrintingWhatCameBefore) {
  const ToolRun run = RunVudoda({"decode", "--hex"}, "B0 01 0A FF\nA0 zz");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "vudoda decode: standard input: bad hex text at offset 15: 'z' is not a hex digit\n");
  EXPECT_NE(run.out.find("offset 0: PKProtocolVer"), std::string::npos);
}

const char kMixedStream[] = "01 02 03 B0 01 0A FF C1 00";

TEST(DecodePrinters, BothReportUnknownBytesTruncatedTailAndCounts) {
  const ToolRun text = RunVudoda({"decode", "--hex"}, kMixedStream);
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(text.out,
            "offset 0: 3 unknown bytes\n"
            "offset 3: PKProtocolVer, key 0xFF\n"
            "  Version             \"1.10\"\n"
            "offset 7: truncated tail, 2 bytes of a 108-byte PKParam_v110\n"
            "summary: 1 packet (1 PKProtocolVer); 3 unknown bytes in 1 run; 2 bytes in a truncated tail\n");
  const ToolRun json = RunVudoda({"decode", "--hex", "--json"}, kMixedStream);
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.out,
            R"({"event":"unknown","offset":0,"length":3})"
            "\n"
            R"({"event":"packet","offset":3,"packet":"PKProtocolVer","key":255,"fields":{"Version":"1.10"}})"
            "\n"
            R"({"event":"truncated","offset":7,"length":2,"packet":"PKParam_v110"})"
            "\n"
            R"({"event":"summary","packets":{"PKControl":0,"PKProtocolVer":1,"PKPatient_v110":0,)"
            R"("PKAlarm_v110":0,"PKMonitor_v110":0,"PKWave_v110":0,"PKParam_v110":0},)"
            R"("unknown_bytes":3,"unknown_runs":1,"truncated_bytes":2})"
            "\n");
}

// A version packet whose key byte was damaged, then a control packet: the version header is
// one unknown byte named with the key its packet ends in, and the bytes after it are framed
// again. It used to be printed as a PKProtocolVer, key 0x00.
TEST(DecodePrinters, AHeaderWhosePacketEndsInAWrongKeyIsOneUnknownByteNamingIt) {
  const char stream[] = "B0 01 0A 00 A0 03 07 FF";
  const ToolRun text = RunVudoda({"decode", "--hex"}, stream);
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(text.out,
            "offset 0: 1 unknown byte, a PKProtocolVer header whose packet ends in 0x00, not its key 0xFF\n"
            "offset 1: 3 unknown bytes\n"
            "offset 4: PKControl, key 0xFF\n"
            "  Type                3\n"
            "  Data                7\n"
            "summary: 1 packet (1 PKControl); 4 unknown bytes in 2 runs; 0 bytes in a truncated tail\n");
  const ToolRun json = RunVudoda({"decode", "--hex", "--json"}, stream);
  EXPECT_EQ(json.out.substr(0, json.out.find('\n', json.out.find('\n') + 1)),
            R"({"event":"unknown","offset":0,"length":1,"packet":"PKProtocolVer","key":0})"
            "\n"
            R"({"event":"unknown","offset":1,"length":3})");
}

// The bytes of `packet` after patching offset -> run of bytes.
std::string Patched(PKBase&& packet, std::initializer_list<std::pair<int, Bytes>> patches) {
  for (const auto& [offset, bytes] : patches) std::copy(bytes.begin(), bytes.end(), packet.GetPacket() + offset);
  return std::string(packet.GetPacket(), packet.GetPacket() + packet.GetPacketSize());
}

// Numerics (FHR1 sample 2 absent, FMD1 mark on sample 0, NIBP pressures but status 3, 36.8 °C,
// marker), a patient with a Western code-page letter and a control character, a wave with
// ECG -2 and FECG sample 3 absent, alarm settings with FHR1 enable 1, level 2.
std::string KnownPackets() {
  PKParam_v110 numerics;
  numerics.SetNullData();
  return Patched(std::move(numerics), {{1, {0x10, 0x27, 0x00, 0x00}}, {5, {0x01}}, {6, {0x8C, 0x8D, 0xFF, 0x8F, 0x90}},
                                       {11, {0x80, 0x00, 0x03, 0x00, 0x00}}, {62, {0x78, 0x00, 0x5D, 0x00, 0x50, 0x00}},
                                       {68, {0x03}}, {70, {0x70, 0x01}}, {101, {0xFD}}}) +
         Patched(PKPatient_v110(), {{1, {'S', 'I', 'M', '-', '1'}}, {21, {'R', 'e', 'n', 0xE9, 0x01, '"'}},
                                    {67, {0x62, 0x43}}}) +
         Patched(PKWave_v110(), {{1, {0xFE, 0xFF}}, {34, {0x00, 0x80}}}) +
         Patched(PKAlarm_v110(), {{1, {0x12}}, {32, {0x68, 0x01, 0x8B, 0x01}}});
}

// The text printer shows fields by name with absent values; JSON the same fields, null for absent.
TEST(DecodePrinters, BothShowFieldsByNameWithAbsentValues) {
  const ToolRun text = RunVudoda({"decode"}, KnownPackets());
  ASSERT_EQ(text.exitCode, 0) << text.err;
  for (const char* line : {"offset 0: PKParam_v110, key 0xFF", "  TimeStamp           10000",
                           "  FHR1                140 141 absent 143 144", "  FMD1                128 0 0 0 0",
                           "  FHR2                absent (all 5)", "  NIBPSys             absent",
                           "  NIBPStatus          3", "  Temp                36.8", "  Marker              1",
                           "  LastName            \"Ren\xE9\\x01\\\"\"", "  FirstName           \"\"",
                           "  Height              172.50", "  ECG                 -2 0 0 0 0 0 0 0 0 0 0 0",
                           "  FECG                0 0 0 absent 0 0 0 0 0 0 0 0", "  FHR1AlarmEnable     1",
                           "  FHR1Level           2 (High)", "  TempLimit           36.0 39.5"}) {
    EXPECT_NE(text.out.find(std::string(line) + "\n"), std::string::npos) << "missing line: " << line << "\n" << text.out;
  }
  const ToolRun json = RunVudoda({"decode", "--json"}, KnownPackets());
  ASSERT_EQ(json.exitCode, 0) << json.err;
  for (const char* part : {R"("FHR1":[140,141,null,143,144],)", R"("FMD1":[128,0,0,0,0],)", R"("NIBPSys":null,)",
                           R"("Temp":36.8,)", R"("LastName":"Ren)" "\xEF\xBF\xBD" R"(\u0001\"",)", R"("Height":172.5,)",
                           R"("ECG":[-2,0,)", R"("FECG":[0,0,0,null,0,)", R"("TempLimit":[36.0,39.5],)"}) {
    EXPECT_NE(json.out.find(part), std::string::npos) << "missing: " << part << "\n" << json.out;
  }
}

// One numerics packet per whole 1.25 s, one waveform packet per whole 50 ms, after the four
// settings packets; nothing unknown, nothing truncated.
TEST(ToolCommands, SimulateDecodesToOnePacketPerPeriodAndNothingElse) {
  const struct { const char* seconds; int numerics, waves; } cases[] = {
      {"1.2", 0, 24}, {"1.25", 1, 25}, {"61", 48, 1220}};
  for (const auto& c : cases) {
    const std::vector<Json> events = DecodeEvents(Simulate({"--seconds", c.seconds}));
    ASSERT_GE(events.size(), 5u) << c.seconds;
    EXPECT_EQ(events.back()["packets"]["PKParam_v110"], c.numerics) << c.seconds;
    EXPECT_EQ(events.back()["packets"]["PKWave_v110"], c.waves) << c.seconds;
    EXPECT_EQ(events.back()["unknown_bytes"], 0) << c.seconds;
    EXPECT_EQ(events.back()["truncated_bytes"], 0) << c.seconds;
    const char* const kSettings[] = {"PKProtocolVer", "PKMonitor_v110", "PKPatient_v110", "PKAlarm_v110"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(events[i]["packet"], kSettings[i]) << c.seconds;
  }
}

TEST(ToolCommands, SimulateIsReproducibleBySeed) {
  EXPECT_EQ(Simulate({"--seconds", "5"}), Simulate({"--seconds", "5", "--seed", "1"}));
  EXPECT_EQ(Simulate({"--seconds", "5", "--seed", "7"}), Simulate({"--seconds", "5", "--seed", "7"}));
  EXPECT_NE(Simulate({"--seconds", "5", "--seed", "7"}), Simulate({"--seconds", "5", "--seed", "8"}));
  // Each seed is a mother of its own, so that a ward of simulated beds admits one per bed.
  const struct { const char* seed; const char* patient; } patients[] = {
      {"1", "SIM-0000-0001"}, {"8", "SIM-0000-0008"}, {"123456", "SIM-0012-3456"}};
  for (const auto& p : patients) {
    EXPECT_EQ(DecodeEvents(Simulate({"--seconds", "0", "--seed", p.seed}))[2]["fields"]["PatientId"], p.patient) << p.seed;
  }
}

TEST(ToolCommands, HexStreamDecodesLikeTheBinaryOne) {
  EXPECT_EQ(DecodeEvents(Simulate({"--seconds", "3"})),
            DecodeEvents(Simulate({"--seconds", "3", "--hex"}), {"decode", "--json", "--hex"}));
}

TEST(ToolCommands, OnlyPrintsTheNamedClassesButReportsEverythingUnframed) {
  const std::string stream = Simulate({"--seconds", "2.5"}) + "\x01\x02";
  std::vector<std::string> events;
  for (const Json& event : DecodeEvents(stream, {"decode", "--json", "--only", "pkparam_v110,PKProtocolVer"})) {
    events.push_back(event.value("packet", event["event"].get<std::string>()));
  }
  EXPECT_EQ(events, (std::vector<std::string>{"PKProtocolVer", "PKParam_v110", "PKParam_v110", "unknown", "summary"}));
}

TEST(ToolCommands, SimulateWritesTheFileThatDecodeReads) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vudoda-tool-test-" + std::to_string(getpid()));
  EXPECT_EQ(RunVudoda({"simulate", "--seconds", "2", "-o", file.string()}).exitCode, 0);
  const ToolRun run = RunVudoda({"decode", file.string()});
  std::filesystem::remove(file);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("summary: 45 packets"), std::string::npos) << run.out;
}

// Ten simulated minutes look like a labour recording: values in their physiological ranges, and
// absent values, alarms, NIBP readings in order, markers and zeroings all occur.
TEST(ToolCommands, SimulatedNumericsArePlausible) {
  const std::map<std::string, std::pair<double, double>> ranges = {
      {"FHR1", {110, 180}}, {"UC", {0, 100}}, {"ECG", {65, 100}}, {"SpO2", {95, 100}}, {"Temp", {36.5, 37.1}}};
  std::map<std::string, int> seen;
  double fhrSum = 0;
  for (const Json& event : DecodeEvents(Simulate({"--seconds", "600"}))) {
    if (event.value("packet", "") != "PKParam_v110") continue;
    const Json& f = event["fields"];
    for (const auto& [name, range] : ranges) {
      for (const Json& sample : f[name].is_array() ? f[name] : Json::array({f[name]})) {
        ++seen[name + (sample.is_null() ? " absent" : "")];
        if (sample.is_null()) continue;
        EXPECT_TRUE(sample >= range.first && sample <= range.second) << name << " " << sample;
        if (name == "FHR1") fhrSum += sample.get<double>();
      }
    }
    seen["FHR1 alarm"] += f["FHR1Alarm"] != 0;
    seen["marker"] += f["Marker"] == 1;
    seen["zeroing"] += f["UCZeroing"] != 0;
    if (f["NIBPStatus"] == 4) {
      ++seen["NIBP reading"];
      EXPECT_TRUE(f["NIBPSys"] > f["NIBPMean"] && f["NIBPMean"] > f["NIBPDia"]) << f;
    }
  }
  EXPECT_NEAR(fhrSum / seen["FHR1"], 140, 8);
  for (const char* what :
       {"UC", "ECG", "SpO2", "Temp", "FHR1 absent", "SpO2 absent", "FHR1 alarm", "NIBP reading", "marker", "zeroing"}) {
    EXPECT_GT(seen[what], 0) << what;
  }
}

}  // namespace
