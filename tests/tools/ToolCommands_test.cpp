#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/ToolRun.h"

namespace {

using Json = nlohmann::json;

struct ArgumentCase {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  std::string errPart;
};

const ArgumentCase kArgumentCases[] = {
    {"NoCommand", {}, 2, "no command given"},
    {"UnknownCommand", {"frobnicate"}, 2, "unknown command 'frobnicate'"},
    {"Help", {"help"}, 0, ""},
    {"UnknownOption", {"decode", "--bogus"}, 2, "unknown option --bogus"},
    {"FlagWithValue", {"decode", "--json=yes"}, 2, "option --json takes no value"},
    {"TwoFiles", {"decode", "a", "b"}, 2, "more than one FILE"},
    {"OnlyUnknownClass", {"decode", "--only", "PKParam_v110,PKFoo"}, 2, "no packet class 'PKFoo'"},
    {"MissingFile",
     {"decode", "/nonexistent/stream.bin"},
     1,
     "cannot open /nonexistent/stream.bin"},
    {"SecondsMissing", {"simulate", "--seconds"}, 2, "option --seconds needs a value"},
    {"SecondsNegative", {"simulate", "--seconds", "-1"}, 2, "--seconds takes a number"},
    {"SecondsNotANumber", {"simulate", "--seconds=ten"}, 2, "--seconds takes a number"},
    {"SecondsTooMany", {"simulate", "--seconds", "2592001"}, 2, "--seconds takes a number"},
    {"SeedTooLarge", {"simulate", "--seed", "4294967296"}, 2, "--seed takes a whole number"},
    {"SimulateOperand", {"simulate", "extra"}, 2, "unexpected argument extra"},
    {"UnwritableOutput",
     {"simulate", "--seconds", "1", "-o", "/nonexistent/out.bin"},
     1,
     "cannot create /nonexistent/out.bin"},
};

class ToolArguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(ToolArguments, ExitCodeAndMessage) {
  const ToolRun run = RunVudoda(GetParam().args);
  EXPECT_EQ(run.exitCode, GetParam().exitCode);
  EXPECT_NE(run.err.find(GetParam().errPart), std::string::npos) << run.err;
  if (GetParam().exitCode == 2) {
    EXPECT_NE(run.err.find("usage: vudoda"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(ToolCommands, ToolArguments, testing::ValuesIn(kArgumentCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToolCommands, BadHexStopsWithTheOffsetAfterPrintingWhatCameBefore) {
  const ToolRun run = RunVudoda({"decode", "--hex"}, "B0 01 0A FF\nA0 zz");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err,
            "vudoda decode: standard input: bad hex text at offset 15: 'z' is not a hex digit\n");
  EXPECT_NE(run.out.find("offset 0: PKProtocolVer"), std::string::npos);
}

// The decoded events of a stream, one JSON object each.
std::vector<Json> DecodeEvents(const std::string& stream, bool hex = false) {
  std::vector<std::string> args{"decode", "--json"};
  if (hex) args.push_back("--hex");
  const ToolRun run = RunVudoda(args, stream);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<Json> events;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) events.push_back(Json::parse(line));
  return events;
}

std::string Simulate(std::vector<std::string> args) {
  args.insert(args.begin(), "simulate");
  const ToolRun run = RunVudoda(args);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

struct DurationCase {
  const char* seconds;
  int numerics;
  int waves;
};

class SimulateDurations : public testing::TestWithParam<DurationCase> {};

// One numerics packet per whole 1.25 s, one waveform packet per whole 50 ms, after the four
// settings packets; nothing unknown, nothing truncated.
TEST_P(SimulateDurations, DecodeFindsOneNumericsPacketPerPeriodAndNothingElse) {
  const std::vector<Json> events = DecodeEvents(Simulate({"--seconds", GetParam().seconds}));
  ASSERT_FALSE(events.empty());
  const Json& summary = events.back();
  EXPECT_EQ(summary["packets"]["PKParam_v110"], GetParam().numerics);
  EXPECT_EQ(summary["packets"]["PKWave_v110"], GetParam().waves);
  EXPECT_EQ(summary["unknown_bytes"], 0);
  EXPECT_EQ(summary["truncated_bytes"], 0);
  ASSERT_GE(events.size(), 4u);
  const char* const kSettings[] = {"PKProtocolVer", "PKMonitor_v110", "PKPatient_v110",
                                   "PKAlarm_v110"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(events[i]["packet"], kSettings[i]);
  EXPECT_EQ(events[0]["fields"]["Version"], "1.10");
}

INSTANTIATE_TEST_SUITE_P(ToolCommands, SimulateDurations,
                         testing::Values(DurationCase{"0", 0, 0}, DurationCase{"1.2", 0, 24},
                                         DurationCase{"1.25", 1, 25}, DurationCase{"10", 8, 200},
                                         DurationCase{"61", 48, 1220}),
                         [](const auto& info) {
                           std::string name = std::string("Seconds") + info.param.seconds;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

TEST(ToolCommands, SimulateIsReproducibleBySeed) {
  EXPECT_EQ(Simulate({"--seconds", "5"}), Simulate({"--seconds", "5", "--seed", "1"}));
  EXPECT_EQ(Simulate({"--seconds", "5", "--seed", "7"}),
            Simulate({"--seconds", "5", "--seed", "7"}));
  EXPECT_NE(Simulate({"--seconds", "5", "--seed", "7"}),
            Simulate({"--seconds", "5", "--seed", "8"}));
}

TEST(ToolCommands, HexStreamDecodesLikeTheBinaryOne) {
  const std::vector<Json> binary = DecodeEvents(Simulate({"--seconds", "3"}));
  const std::vector<Json> hex = DecodeEvents(Simulate({"--seconds", "3", "--hex"}), true);
  EXPECT_EQ(binary, hex);
}

TEST(ToolCommands, OnlyPrintsTheNamedClassesButReportsEverythingUnframed) {
  const std::string stream = Simulate({"--seconds", "2.5"}) + "\x01\x02";
  const ToolRun run = RunVudoda({"decode", "--json", "--only", "pkparam_v110,PKProtocolVer"}, stream);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> events;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    const Json event = Json::parse(line);
    events.push_back(event["event"] == "packet" ? event["packet"].get<std::string>() : event["event"].get<std::string>());
  }
  const std::vector<std::string> expected{"PKProtocolVer", "PKParam_v110", "PKParam_v110", "unknown", "summary"};
  EXPECT_EQ(events, expected);
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

// What ten simulated minutes of numerics hold.
struct NumericsSeen {
  std::vector<double> fhr, uc, maternalRate, spo2, temperature;
  int fhrAbsent = 0, spo2Absent = 0, fhrAlarms = 0, markers = 0, zeroings = 0;
  int nibpReadings = 0, nibpOutOfOrder = 0;
};

void CollectSamples(const Json& samples, std::vector<double>& present, int* absent = nullptr) {
  for (const Json& sample : samples) {
    if (!sample.is_null()) {
      present.push_back(sample.get<double>());
    } else if (absent != nullptr) {
      ++*absent;
    }
  }
}

NumericsSeen CollectNumerics(const std::vector<Json>& events) {
  NumericsSeen seen;
  for (const Json& event : events) {
    if (event["event"] != "packet" || event["packet"] != "PKParam_v110") continue;
    const Json& f = event["fields"];
    CollectSamples(f["FHR1"], seen.fhr, &seen.fhrAbsent);
    CollectSamples(f["UC"], seen.uc);
    CollectSamples(f["ECG"], seen.maternalRate);
    CollectSamples(f["SpO2"], seen.spo2, &seen.spo2Absent);
    seen.temperature.push_back(f["Temp"].get<double>());
    seen.fhrAlarms += f["FHR1Alarm"] != 0;
    seen.markers += f["Marker"] == 1;
    seen.zeroings += f["UCZeroing"] != 0;
    if (f["NIBPStatus"] == 4) {
      ++seen.nibpReadings;
      seen.nibpOutOfOrder += !(f["NIBPSys"] > f["NIBPMean"] && f["NIBPMean"] > f["NIBPDia"]);
    }
  }
  return seen;
}

void ExpectWithin(const std::vector<double>& values, double low, double high, const char* what) {
  ASSERT_FALSE(values.empty()) << what;
  EXPECT_GE(*std::min_element(values.begin(), values.end()), low) << what;
  EXPECT_LE(*std::max_element(values.begin(), values.end()), high) << what;
}

// Ten simulated minutes look like a labour recording: values in their physiological ranges,
// and the occasional absent value, alarm, NIBP reading, marker and zeroing all occur.
TEST(ToolCommands, SimulatedNumericsArePlausible) {
  const NumericsSeen seen = CollectNumerics(DecodeEvents(Simulate({"--seconds", "600"})));
  ExpectWithin(seen.fhr, 110, 180, "FHR1");
  const double fhrMean = std::accumulate(seen.fhr.begin(), seen.fhr.end(), 0.0) / seen.fhr.size();
  EXPECT_NEAR(fhrMean, 140, 8);
  ExpectWithin(seen.uc, 0, 100, "UC");
  ExpectWithin(seen.maternalRate, 65, 100, "maternal heart rate");
  ExpectWithin(seen.spo2, 95, 100, "SpO2");
  ExpectWithin(seen.temperature, 36.5, 37.1, "temperature");
  EXPECT_GT(seen.fhrAbsent, 0);
  EXPECT_GT(seen.spo2Absent, 0);
  EXPECT_GT(seen.fhrAlarms, 0);
  EXPECT_GT(seen.nibpReadings, 0);
  EXPECT_EQ(seen.nibpOutOfOrder, 0);
  EXPECT_GT(seen.markers, 0);
  EXPECT_GT(seen.zeroings, 0);
}

}  // namespace
