// The station texts in the tool: `maps` lists the constant maps, `decode` puts each coded value's
// text beside it, both in the language that --language names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/LanguageLibrary.h"
#include "packet/PKParam_v110.h"
#include "platform/AfxModuleState.h"
#include "platform/LibraryLoader.h"
#include "tools/ToolRun.h"

namespace {

// Listed in German for that run only: the library's text where it has one, English otherwise.
TEST(MapsCommand, ListsAKindWithCodesIdsAndQuotedTextsInTheLanguageNamed) {
  const std::string english = "CMAP_ON_OFF (10): 2 rows\n    0  10019  \"Off\"\n    1  10020  \"On\"\n";
  EXPECT_EQ(RunVudoda({"maps", "10"}).out, english);
  const ToolRun german = RunVudoda({"maps", "on_off", "--language", "5"});
  ASSERT_EQ(german.exitCode, 0) << german.err;
  EXPECT_TRUE(german.out.starts_with("CMAP_ON_OFF (10): 2 rows\n    0  10019  \"")) << german.out;
  EXPECT_NE(german.out, english);
  EXPECT_EQ(RunVudoda({"maps", "CMAP_ON_OFF"}).out, english);
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
  const std::string text = RunVudoda({"decode"}, Numerics()).out;
  EXPECT_NE(text.find("  FHR1Alarm           1 (Upper Limit)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  FHR2Alarm           200\n"), std::string::npos) << text;
  const std::string json = RunVudoda({"decode", "--json"}, Numerics()).out;
  EXPECT_NE(json.find(R"("FHR1Alarm":1,"FHR1Alarm_text":"Upper Limit","FHR1":)"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("FHR2Alarm":200,"FHR2Alarm_text":null,)"), std::string::npos) << json;
}

// Start-up selects the language of the program folder's Maternis.ini; --language 3 and a file
// whose language is English still show English.
TEST(LanguageOption, ThreeIsEnglishWhateverStartUpLoaded) {
  AFX_MODULE_STATE& state = *AfxGetModuleState();
  const HINSTANCE before = state.m_hCurrentResourceHandle;
  const HMODULE german = SelectLanguageLibrary(5);
  ASSERT_TRUE(german);
  ASSERT_NE(RunVudoda({"maps", "on_off"}).out.find("10020  \"Ein\""), std::string::npos);

  EXPECT_EQ(RunVudoda({"maps", "on_off", "--language", "3"}).out,
            "CMAP_ON_OFF (10): 2 rows\n    0  10019  \"Off\"\n    1  10020  \"On\"\n");
  EXPECT_NE(RunVudoda({"decode", "--language", "3"}, Numerics()).out.find("  FHR1Alarm           1 (Upper Limit)\n"),
            std::string::npos);
  const std::string missing = "/nonexistent/Maternis.ini";  // the defaults: Language 3
  for (const std::vector<std::string>& show : {std::vector<std::string>{"config", "--file", missing, "--language", "3"},
                                               {"config", "show", "--file", missing}}) {
    const std::string shown = RunVudoda(show).out;
    EXPECT_NE(shown.find("  FHR1 Delay Time = 0 (Off)\n"), std::string::npos) << shown;
  }
  // The language that start-up chose is back after each run.
  EXPECT_EQ(state.m_hCurrentResourceHandle, german);
  state.m_hCurrentResourceHandle = before;
  FreeLibrary(german);
}

}  // namespace
