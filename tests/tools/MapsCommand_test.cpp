// The station texts in the tool: `maps` lists the constant maps, `decode` puts each coded value's
// text beside it, both in the language that --language names.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "packet/PKParam_v110.h"
#include "tools/ToolMain.h"

namespace {

struct ToolOutput {
  int exitCode;
  std::string out;
  std::string err;
};

ToolOutput Vudoda(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolIo io{in, out, err};
  const int exitCode = RunTool(args, io);
  return {exitCode, out.str(), err.str()};
}

TEST(MapsCommand, ListsAKindByNumberOrNameWithCodesIdsAndQuotedTexts) {
  const std::string gain =
      "CMAP_ECG_GAIN (13): 4 rows\n"
      "    2  10033  \"5mm/mV\"\n"
      "    3  10034  \"10mm/mV\"\n"
      "    4  10035  \"20mm/mV\"\n"
      "    5  10036  \"40mm/mV\"\n";
  for (const char* kind : {"13", "CMAP_ECG_GAIN", "ecg_gain"}) {
    const ToolOutput run = Vudoda({"maps", kind});
    EXPECT_EQ(run.exitCode, 0) << kind;
    EXPECT_EQ(run.out, gain) << kind;
  }
  EXPECT_EQ(Vudoda({"maps", "language"}).out,
            "CMAP_LANGUAGE (33): 2 rows\n    3  10070  \"LANG_ENG \"\n   13  10080  \"LANG_KOR \"\n");
  EXPECT_EQ(Vudoda({"maps", "11"}).out, "CMAP_COLOR (11): no table\n");
}

TEST(MapsCommand, ListsEveryKindInOrder) {
  const ToolOutput run = Vudoda({"maps"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> headers;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("  ")) headers.push_back(line.substr(0, line.find(' ')));
  }
  ASSERT_EQ(headers.size(), 41u);
  EXPECT_EQ(headers.front(), "CMAP_MODEL");
  EXPECT_EQ(headers[9], "CMAP_COLOR");
  EXPECT_EQ(headers.back(), "CMAP_MONITORING_MODE");
  EXPECT_NE(run.out.find("CMAP_LEVEL_5 (38): 6 rows\n"), std::string::npos);
}

TEST(MapsCommand, RefusesBadKindsAndLanguageNumbers) {
  const struct {
    std::vector<std::string> args;
    const char* fault;
  } cases[] = {
      {{"maps", "1"}, "no map kind '1'"},
      {{"maps", "43"}, "no map kind '43'"},
      {{"maps", "CMAP_"}, "no map kind 'CMAP_'"},
      {{"maps", "2", "3"}, "more than one KIND"},
      {{"maps", "--language", "0"}, "--language takes a language number 1-14"},
      {{"maps", "--language", "15"}, "--language takes a language number 1-14"},
      {{"decode", "--language", "x"}, "--language takes a language number 1-14"},
  };
  for (const auto& c : cases) {
    const ToolOutput run = Vudoda(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.fault;
    EXPECT_NE(run.err.find(c.fault), std::string::npos) << run.err;
  }
}

TEST(MapsCommand, LanguageChangesTheTextsForThatRunOnly) {
  const std::string english = Vudoda({"maps", "on_off"}).out;
  EXPECT_EQ(english, "CMAP_ON_OFF (10): 2 rows\n    0  10019  \"Off\"\n    1  10020  \"On\"\n");
  EXPECT_EQ(Vudoda({"maps", "on_off", "--language", "3"}).out, english);
  const ToolOutput german = Vudoda({"maps", "on_off", "--language", "5"});
  ASSERT_EQ(german.exitCode, 0) << german.err;
  EXPECT_NE(german.out, english);
  EXPECT_EQ(Vudoda({"maps", "on_off"}).out, english);
}

// A numerics packet whose FHR1 alarm is 1 (upper limit) and whose FHR2 alarm, 200, has no row.
std::string Numerics() {
  PKParam_v110 packet;
  packet.SetNullData();
  packet.SetFHR1Alarm(1);
  packet.SetFHR2Alarm(200);
  return std::string(packet.GetPacket(), packet.GetPacket() + packet.GetPacketSize());
}

TEST(DecodeTexts, CodedValuesShowTheirMapTextInBothPrinters) {
  const ToolOutput text = Vudoda({"decode"}, Numerics());
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("  FHR1Alarm           1 (Upper Limit)\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  FHR2Alarm           200\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  TimeStamp           "), std::string::npos);

  const ToolOutput json = Vudoda({"decode", "--json"}, Numerics());
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(json.out.find(R"("FHR1Alarm":1,"FHR1Alarm_text":"Upper Limit","FHR1":)"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find(R"("FHR2Alarm":200,"FHR2Alarm_text":null,)"), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find("TimeStamp_text"), std::string::npos);

  const ToolOutput korean = Vudoda({"decode", "--json", "--language", "13"}, Numerics());
  ASSERT_EQ(korean.exitCode, 0) << korean.err;
  EXPECT_EQ(korean.out.find(R"("FHR1Alarm_text":"Upper Limit")"), std::string::npos) << korean.out;
}

}  // namespace
