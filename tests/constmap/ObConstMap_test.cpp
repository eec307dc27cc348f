// The constant maps: every map, row for row, with the codes, string ids and English texts that the
// station shows, written out here as literals, and every one-line getter against the map it must
// read; the particulars that a rewrite gets wrong (shared level table, sparse alarm maps, the kind
// without a table), and the texts under each code page and language.
#include "constmap/ObConstMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/AfxModuleState.h"
#include "platform/CodePage.h"
#include "platform/LibraryLoader.h"

namespace {

using M = ObConstMap;

M::CMAP_TYPE Kind(int value) { return static_cast<M::CMAP_TYPE>(value); }

std::string Text(const CString& text) { return text.str(); }

struct MapCase {
  M::CMAP_TYPE kind;
  CString (*getter)(long);  // the kind's own getter, if it has one
  const char* rows;         // "code id text" rows, separated by '|'; a text of * is the model's own
};

// Rows that several maps share.
constexpr const char* kAdmitTypeRows = "1 10007 Adult|2 10008 Pediatric|3 10009 Neonate";
constexpr const char* kEcgAlarmRows =
    "0 10127 Normal|1 10129 Upper Limit|2 10130 Lower Limit|11 10128 lead fault|12 10131 Check Electrode|"
    "13 10132 Cable Off";
constexpr const char* kSpO2AlarmRows =
    "0 10127 Normal|1 10133 PR Upper Limit|2 10134 PR Lower Limit|3 10135 % Lower Limit|"
    "4 10136 PR Upper Limit, % Lower Limit|5 10137 PR Lower Limit, % Lower Limit|6 10138 Probe Off|"
    "7 10139 No Finger|8 10140 Pulse Search|9 10141 Searching too long|10 10142 Lost Pulse";
constexpr const char* kUcAlarmRows =
    "0 10127 Normal|1 10147 Duration High|2 10148 Frequency High|3 10149 Duration, Frequency High";

const MapCase kMaps[] = {
    {M::CMAP_MODEL, M::GetModelText, "1 10000 *|2 10001 *|3 10002 *"},
    {M::CMAP_AC_FILTER, M::GetACFilterText, "1 10003 50Hz|2 10004 60Hz"},
    {M::CMAP_ADMIT_STATUS, M::GetAdmitStatusText, "0 10005 Discharged|1 10006 Admitted"},
    {M::CMAP_ADMIT_TYPE, M::GetAdmitTypeText, kAdmitTypeRows},
    {M::CMAP_GENDER, M::GetGenderText, "1 10010 Male|2 10011 Female"},
    {M::CMAP_HEIGHT_UNIT, M::GetHeightUnitText, "1 10012 cm|2 10013 inch"},
    {M::CMAP_WEIGHT_UNIT, M::GetWeightUnitText, "1 10014 kg|2 10015 lbs"},
    {M::CMAP_ALARM_LEVEL, M::GetAlarmLevelText, "1 10017 Low|2 10018 High"},
    {M::CMAP_ON_OFF, M::GetOnOffText, "0 10019 Off|1 10020 On"},
    {M::CMAP_ECG_LEAD, M::GetECGLeadText, "1 10021 I|2 10022 II|3 10023 III"},
    {M::CMAP_ECG_GAIN, M::GetECGGainText, "2 10033 5mm/mV|3 10034 10mm/mV|4 10035 20mm/mV|5 10036 40mm/mV"},
    {M::CMAP_ECG_SPEED, M::GetECGSpeedText, "1 10037 6.25mm/sec|2 10038 12.5mm/sec|3 10039 25mm/sec|4 10040 50mm/sec"},
    {M::CMAP_ECG_FILTER, M::GetECGFilterText, "1 10041 Monitor|2 10042 Moderate|3 10043 Maximum|4 10044 Diagnosis"},
    {M::CMAP_NIBP_CUFF, M::GetNIBPCuffText, kAdmitTypeRows},
    {M::CMAP_NIBP_INTERVAL, M::GetNIBPIntervalText,
     "0 10045 Off|1 10046 1min|2 10047 2min|3 10048 2.5min|4 10049 3min|5 10050 5min|6 10051 10min|7 10052 15min|"
     "8 10053 20min|9 10054 30min|10 10176 45min|11 10055 60min|12 10056 120min"},
    {M::CMAP_NIBP_SOURCE, nullptr, "1 10092 Systolic|2 10093 Mean|3 10094 Diastolic"},
    {M::CMAP_NIBP_UNIT, M::GetNIBPUnitText, "1 10114 mmHg|2 10115 kPa"},
    {M::CMAP_TEMP_UNIT, nullptr, "1 10057 \xC2\xA1\xC3\x89|2 10058 \xC2\xA2\xC2\xB5"},
    {M::CMAP_PACEMAKER, M::GetPacemakerText, "0 10059 None|1 10060 Detected"},
    {M::CMAP_ECG_ALARM, M::GetEcgAlarmText, kEcgAlarmRows},
    {M::CMAP_SPO2_ALARM, M::GetSpO2AlarmText, kSpO2AlarmRows},
    {M::CMAP_FHR1_ALARM, M::GetFHR1AlarmText,
     "0 10127 Normal|1 10129 Upper Limit|2 10130 Lower Limit|3 10143 Cross channel|"
     "4 10144 Upper Limit, Cross channel verification|5 10145 Lower Limit, Cross channel verification"},
    {M::CMAP_FHR2_ALARM, M::GetFHR2AlarmText,
     "0 10127 Normal|1 10129 Upper Limit|2 10130 Lower Limit|3 10146 Fetal-Maternal Cross channel|"
     "4 10144 Upper Limit, Cross channel verification|5 10145 Lower Limit, Cross channel verification"},
    {M::CMAP_FECG_ALARM, M::GetFEcgAlarmText, kEcgAlarmRows},
    {M::CMAP_FSPO2_ALARM, M::GetFSpO2AlarmText, kSpO2AlarmRows},
    {M::CMAP_UC_ALARM, M::GetUCAlarmText, kUcAlarmRows},
    {M::CMAP_IUP_ALARM, M::GetIUPAlarmText, kUcAlarmRows},
    {M::CMAP_NIBP_ALARM, M::GetNIBPAlarmText,
     "0 10127 Normal|1 10129 Upper Limit|2 10130 Lower Limit|17 10150 Over Pressure|18 10151 Inflation Time Out|"
     "19 10152 Deflation Time Out|20 10153 Over Time Pressure|21 10154 Check Sensor|22 10155 Exceed Time Limit|"
     "23 10156 Air Leak|24 10157 Measurement Error|25 10158 Infufficient Pressure|26 10159 Signal Satuated|"
     "27 10160 Excessive Motion|28 10161 Measure time Exceed|29 10162 Pulse Too Week|30 10163 System Fault"},
    {M::CMAP_TEMP_ALARM, M::GetTempAlarmText, "0 10127 Normal|1 10129 Upper Limit|2 10130 Lower Limit|6 10138 Probe Off"},
    {M::CMAP_WAVE, nullptr, "1 10116 ECG|2 10118 MSpO2|3 10117 FECG|4 10119 FSpO2"},
    {M::CMAP_LANGUAGE, nullptr, "3 10070 LANG_ENG |13 10080 LANG_KOR "},
    {M::CMAP_AUTO_RECORD_STOP, nullptr,
     "0 10082 The Auto Record Stop Function is not in use.|1 10083 The Auto-recording is stop after [hh:mm]|"
     "2 10084 In case of printing is stop on device, auto recording is stopped."},
    {M::CMAP_TREND_SPEED, nullptr, "1 10085 10mm/min|2 10086 20mm/min|3 10087 30mm/min"},
    {M::CMAP_DELAY_TIME, nullptr, "0 10019 Off|1 10088 10sec|2 10089 20sec|3 10090 30sec|4 10091 60sec"},
    {M::CMAP_LEVEL_9, nullptr,
     "0 10019 Off|1 10095 Level 1|2 10096 Level 2|3 10097 Level 3|4 10098 Level 4|5 10099 Level 5|"
     "6 10177 Level 6|7 10178 Level 7|8 10179 Level 8|9 10180 Level 9"},
    {M::CMAP_LEVEL_5, nullptr, "0 10019 Off|1 10095 Level 1|2 10096 Level 2|3 10097 Level 3|4 10098 Level 4|5 10099 Level 5"},
    {M::CMAP_MANUAL_AUTO, nullptr, "0 10100 Manual|1 10101 Auto"},
    {M::CMAP_OFFSET, nullptr, "0 10111 0|1 10112 10|2 10113 20"},
    {M::CMAP_SIGNED_OFFSET, nullptr, "0 10106 0|1 10107 -20|2 10108 -10|3 10109 10|4 10110 20"},
    {M::CMAP_MONITORING_MODE, nullptr, "1 10102 Antepartum|2 10103 Mother / Fetal|3 10105 Intrapartum|4 10104 Mother Only"},
};

struct Row {
  long code;
  unsigned int id;
  std::string text;
};

Row ParseRow(const std::string& row) {
  char* end = nullptr;
  const long code = std::strtol(row.c_str(), &end, 10);
  const auto id = static_cast<unsigned int>(std::strtoul(end, &end, 10));
  return {code, id, std::string(end + 1)};
}

TEST(ConstMap, EveryRowHasItsCodeIdAndEnglishTextInOrder) {
  for (const MapCase& map : kMaps) {
    SCOPED_TRACE(testing::Message() << "kind " << map.kind);
    std::stringstream rows(map.rows);
    int index = 0;
    for (std::string text; std::getline(rows, text, '|'); ++index) {
      const Row row = ParseRow(text);
      __CONST_MAP stored{-1, 0};
      ASSERT_EQ(M::GetMap(map.kind, index, stored), 1) << index;
      EXPECT_EQ(stored.lConst, row.code) << index;
      EXPECT_EQ(stored.uStringId, row.id) << index;
      const std::string shown = M::GetMapText(map.kind, index).str();
      if (row.text == "*") {
        EXPECT_FALSE(shown.empty()) << index;
      } else {
        EXPECT_EQ(shown, row.text) << index;
      }
      EXPECT_EQ(M::GetMapTextByConst(map.kind, row.code).str(), shown) << "code " << row.code;
      if (map.getter != nullptr) {
        EXPECT_EQ(map.getter(row.code).str(), shown) << "getter, code " << row.code;
      }
    }
    EXPECT_EQ(M::GetMapSize(map.kind), index);
  }
}

TEST(ConstMap, TwoLevelKindsShareOneTenRowTable) {
  EXPECT_EQ(M::GetMapPointer(M::CMAP_LEVEL_9), M::GetMapPointer(M::CMAP_LEVEL_5));
  EXPECT_EQ(Text(M::GetMapText(M::CMAP_LEVEL_5, 6)), "");
}

TEST(ConstMap, KindsWithoutATableAreEmpty) {
  for (const int none : {0, 1, 11, 43}) {
    EXPECT_EQ(M::GetMapSize(Kind(none)), 0) << none;
    EXPECT_EQ(M::GetMapPointer(Kind(none)), nullptr) << none;
    EXPECT_EQ(Text(M::GetMapText(Kind(none), 0)), "") << none;
  }
  EXPECT_EQ(Text(M::GetColorText(0)), "");
}

// The gaps of sparse maps hold no row: their codes show no text.
TEST(ConstMap, CodesInTheGapsOfSparseMapsShowNoText) {
  const struct { CString (*get)(long); long code; } gaps[] = {
      {M::GetEcgAlarmText, 3}, {M::GetNIBPAlarmText, 16}, {M::GetNIBPAlarmText, 31},
      {M::GetTempAlarmText, 3}, {M::GetECGGainText, 1},
  };
  for (const auto& g : gaps) EXPECT_EQ(Text(g.get(g.code)), "") << "code " << g.code;
}

TEST(ConstMap, GetMapTellsAMissingRowFromARowWithCodeZero) {
  __CONST_MAP row{77, 77};
  EXPECT_EQ(M::GetMapConst(M::CMAP_ADMIT_STATUS, 5), 0);
  EXPECT_EQ(M::GetMap(M::CMAP_ADMIT_STATUS, 5, row), 0);
  EXPECT_EQ(row.lConst, 77);
}

TEST(ConstMap, NIBPIntervalInSeconds) {
  const int seconds[] = {0, 60, 120, 150, 180, 300, 600, 900, 1200, 1800, 2700, 3600, 7200, 0};
  for (long code = 0; code <= 13; ++code) EXPECT_EQ(M::GetNIBPIntervalValue(code), seconds[code]) << code;
  EXPECT_EQ(M::GetNIBPIntervalValue(-1), 0);
}

// The made-up language library LANG_TST.dll becomes the resource handle: its texts win where the
// code page can hold them, the module's English text stands in for the rest. The temperature
// texts are not in the library: 10057 and 10058 are English resources, the degree signs constants.
TEST(ConstMap, LanguageLibraryTextsUnderEachCodePageWithEnglishFallback) {
  const HMODULE library = LoadLibraryA("LANG_TST.dll");
  ASSERT_NE(library, nullptr);
  AfxGetModuleState()->m_hCurrentResourceHandle = library;
  const struct {
    UINT codePage;
    std::string celsius, fahrenheit;  // GetTempUnitText(1), (other codes)
    std::string unit1, unit2;         // 10057 (U+00A1 U+00C9), 10058 (U+00A2 U+00B5)
    std::string upper, lower, cross;  // 10129 Western letters, 10130 Korean, 10143 Chinese
  } cases[] = {
      {CP_UTF8, "\xC2\xB0" "C", "\xC2\xB0" "F", "\xC2\xA1\xC3\x89", "\xC2\xA2\xC2\xB5",
       "Limite sup\xC3\xA9rieure", "\xEC\x83\x81\xED\x95\x9C", "\xE7\x9B\x91\xE6\x8A\xA4"},
      {1252, "\xB0" "C", "\xB0" "F", "\xA1\xC9", "\xA2\xB5", "Limite sup\xE9rieure", "Lower Limit", "Cross channel"},
      {949, "\xA1\xC6" "C", "\xA1\xC6" "F", "", "", "Upper Limit", "\xBB\xF3\xC7\xD1", "Cross channel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    ASSERT_EQ(SetACP(c.codePage), TRUE);
    EXPECT_EQ(Text(M::GetTempUnitText(1)), c.celsius);
    for (const long other : {0L, 2L, -1L}) EXPECT_EQ(Text(M::GetTempUnitText(other)), c.fahrenheit);
    EXPECT_EQ(Text(M::GetMapTextByConst(M::CMAP_TEMP_UNIT, 1)), c.unit1);
    EXPECT_EQ(Text(M::GetMapText(M::CMAP_TEMP_UNIT, 1)), c.unit2);
    EXPECT_EQ(Text(M::GetUCAlarmText(0)), "Normal (Test)");
    EXPECT_EQ(Text(M::GetOnOffText(0)), "\"Aus\"");
    EXPECT_EQ(Text(M::GetFHR1AlarmText(1)), c.upper);
    EXPECT_EQ(Text(M::GetNIBPAlarmText(2)), c.lower);
    EXPECT_EQ(Text(M::GetFHR1AlarmText(3)), c.cross);
    EXPECT_EQ(Text(M::GetUCAlarmText(1)), "Duration High") << "an id the library lacks is English";
  }
  AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
  FreeLibrary(library);
  SetACP(CP_UTF8);
}

}  // namespace
