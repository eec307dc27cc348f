// The constant maps against the station's tables: every kind's size and end rows, the
// particulars that a rewrite gets wrong (shared level table, sparse alarm maps, string ids out
// of sequence, the kind without a table), and the texts under each code page and language.
#include "constmap/ObConstMap.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/AfxModuleState.h"
#include "platform/CodePage.h"
#include "platform/LibraryLoader.h"

namespace {

using M = ObConstMap;

M::CMAP_TYPE Kind(int value) { return static_cast<M::CMAP_TYPE>(value); }

std::string Text(const CString& text) { return text.str(); }

// Each test leaves the process code page and resource handle as it found them.
class ConstMap : public ::testing::Test {
 protected:
  void TearDown() override {
    AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
    if (m_library) FreeLibrary(m_library);
    SetACP(CP_UTF8);
  }
  void UseTestLanguage() {
    m_library = LoadLibraryA("LANG_TST.dll");
    ASSERT_NE(m_library, nullptr);
    AfxGetModuleState()->m_hCurrentResourceHandle = m_library;
  }

  HMODULE m_library = nullptr;
};

TEST_F(ConstMap, EveryKindHasItsRowCountAndEndRows) {
  const struct {
    int kind;
    int size;
    long firstCode;
    unsigned firstId;
    long lastCode;
    unsigned lastId;
  } kinds[] = {
      {2, 3, 1, 10000, 3, 10002},     {3, 2, 1, 10003, 2, 10004},     {4, 2, 0, 10005, 1, 10006},
      {5, 3, 1, 10007, 3, 10009},     {6, 2, 1, 10010, 2, 10011},     {7, 2, 1, 10012, 2, 10013},
      {8, 2, 1, 10014, 2, 10015},     {9, 2, 1, 10017, 2, 10018},     {10, 2, 0, 10019, 1, 10020},
      {12, 3, 1, 10021, 3, 10023},    {13, 4, 2, 10033, 5, 10036},    {14, 4, 1, 10037, 4, 10040},
      {15, 4, 1, 10041, 4, 10044},    {16, 3, 1, 10007, 3, 10009},    {17, 13, 0, 10045, 12, 10056},
      {18, 3, 1, 10092, 3, 10094},    {19, 2, 1, 10114, 2, 10115},    {20, 2, 1, 10057, 2, 10058},
      {21, 2, 0, 10059, 1, 10060},    {22, 6, 0, 10127, 13, 10132},   {23, 11, 0, 10127, 10, 10142},
      {24, 6, 0, 10127, 5, 10145},    {25, 6, 0, 10127, 5, 10145},    {26, 6, 0, 10127, 13, 10132},
      {27, 11, 0, 10127, 10, 10142},  {28, 4, 0, 10127, 3, 10149},    {29, 4, 0, 10127, 3, 10149},
      {30, 17, 0, 10127, 30, 10163},  {31, 4, 0, 10127, 6, 10138},    {32, 4, 1, 10116, 4, 10119},
      {33, 2, 3, 10070, 13, 10080},   {34, 3, 0, 10082, 2, 10084},    {35, 3, 1, 10085, 3, 10087},
      {36, 5, 0, 10019, 4, 10091},    {37, 10, 0, 10019, 9, 10180},   {38, 6, 0, 10019, 5, 10099},
      {39, 2, 0, 10100, 1, 10101},    {40, 3, 0, 10111, 2, 10113},    {41, 5, 0, 10106, 4, 10110},
      {42, 4, 1, 10102, 4, 10104},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.kind);
    const M::CMAP_TYPE kind = Kind(k.kind);
    EXPECT_EQ(M::GetMapSize(kind), k.size);
    ASSERT_NE(M::GetMapPointer(kind), nullptr);
    EXPECT_EQ(M::GetMapPointer(kind)[0].lConst, k.firstCode);
    EXPECT_EQ(M::GetMapConst(kind, 0), k.firstCode);
    EXPECT_EQ(M::GetMapStringId(kind, 0), k.firstId);
    EXPECT_EQ(M::GetMapConst(kind, k.size - 1), k.lastCode);
    EXPECT_EQ(M::GetMapStringId(kind, k.size - 1), k.lastId);
    EXPECT_EQ(M::GetMapStringId(kind, k.size), 0u);
    EXPECT_EQ(M::GetMapStringId(kind, -1), 0u);
    EXPECT_EQ(Text(M::GetMapTextByConst(kind, 1000)), "");
  }
  for (const int none : {-1, 0, 1, 11, 43, 1000}) {
    EXPECT_EQ(M::GetMapSize(Kind(none)), 0) << none;
    EXPECT_EQ(M::GetMapPointer(Kind(none)), nullptr) << none;
    EXPECT_EQ(Text(M::GetMapText(Kind(none), 0)), "") << none;
    EXPECT_EQ(Text(M::GetMapTextByConst(Kind(none), 0)), "") << none;
  }
  EXPECT_EQ(Text(M::GetColorText(0)), "");
  EXPECT_EQ(sizeof(__CONST_MAP), 8u);
}

TEST_F(ConstMap, TwoLevelKindsShareOneTenRowTable) {
  EXPECT_EQ(M::GetMapPointer(M::CMAP_LEVEL_9), M::GetMapPointer(M::CMAP_LEVEL_5));
  EXPECT_EQ(Text(M::GetMapText(M::CMAP_LEVEL_9, 5)), "Level 5");
  EXPECT_EQ(Text(M::GetMapText(M::CMAP_LEVEL_5, 5)), "Level 5");
  EXPECT_EQ(Text(M::GetMapText(M::CMAP_LEVEL_5, 6)), "");
  EXPECT_EQ(Text(M::GetMapTextByConst(M::CMAP_LEVEL_5, 9)), "");
  EXPECT_EQ(Text(M::GetMapTextByConst(M::CMAP_LEVEL_9, 9)), "Level 9");
  // The others that repeat rows keep tables of their own.
  EXPECT_NE(M::GetMapPointer(M::CMAP_ECG_ALARM), M::GetMapPointer(M::CMAP_FECG_ALARM));
  EXPECT_NE(M::GetMapPointer(M::CMAP_ADMIT_TYPE), M::GetMapPointer(M::CMAP_NIBP_CUFF));
}

TEST_F(ConstMap, SparseCodesAndOutOfSequenceIds) {
  const struct {
    int kind;
    long code;
    const char* text;
  } cases[] = {
      {M::CMAP_ECG_ALARM, 11, "lead fault"},        {M::CMAP_ECG_ALARM, 3, ""},
      {M::CMAP_ECG_ALARM, 10, ""},                  {M::CMAP_FECG_ALARM, 13, "Cable Off"},
      {M::CMAP_NIBP_ALARM, 25, "Infufficient Pressure"}, {M::CMAP_NIBP_ALARM, 3, ""},
      {M::CMAP_NIBP_ALARM, 16, ""},                 {M::CMAP_NIBP_ALARM, 31, ""},
      {M::CMAP_TEMP_ALARM, 6, "Probe Off"},         {M::CMAP_TEMP_ALARM, 3, ""},
      {M::CMAP_ECG_GAIN, 1, ""},                    {M::CMAP_ECG_GAIN, 2, "5mm/mV"},
      {M::CMAP_NIBP_INTERVAL, 10, "45min"},         {M::CMAP_NIBP_INTERVAL, 0, "Off"},
      {M::CMAP_WAVE, 2, "MSpO2"},                   {M::CMAP_WAVE, 3, "FECG"},
      {M::CMAP_MONITORING_MODE, 4, "Mother Only"},  {M::CMAP_LANGUAGE, 13, "LANG_KOR "},
      {M::CMAP_LANGUAGE, 5, ""},                    {M::CMAP_SIGNED_OFFSET, 1, "-20"},
      {M::CMAP_FHR2_ALARM, 3, "Fetal-Maternal Cross channel"},
      {M::CMAP_AUTO_RECORD_STOP, 1, "The Auto-recording is stop after [hh:mm]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text(M::GetMapTextByConst(Kind(c.kind), c.code)), c.text) << c.kind << " code " << c.code;
  }
  EXPECT_EQ(M::GetMapStringId(M::CMAP_NIBP_INTERVAL, 10), 10176u);
  EXPECT_EQ(Text(M::GetMapText(M::CMAP_MONITORING_MODE, 2)), "Intrapartum");
  EXPECT_EQ(M::GetMapStringId(M::CMAP_WAVE, 1), 10118u);
}

TEST_F(ConstMap, GetMapTellsAMissingRowFromARowWithCodeZero) {
  __CONST_MAP row{77, 77};
  EXPECT_EQ(M::GetMapConst(M::CMAP_ADMIT_STATUS, 0), 0);
  EXPECT_EQ(M::GetMapConst(M::CMAP_ADMIT_STATUS, 5), 0);
  EXPECT_EQ(M::GetMap(M::CMAP_ADMIT_STATUS, 5, row), 0);
  EXPECT_EQ(row.lConst, 77);
  EXPECT_EQ(row.uStringId, 77u);
  EXPECT_EQ(M::GetMap(M::CMAP_ADMIT_STATUS, 0, row), 1);
  EXPECT_EQ(row.lConst, 0);
  EXPECT_EQ(row.uStringId, 10005u);
}

TEST_F(ConstMap, EachGetterReadsItsOwnKind) {
  const struct {
    const char* name;
    CString (*get)(long);
    long code;
    const char* text;
  } getters[] = {
      {"Model", M::GetModelText, 2, "Doda F20 Twin"},
      {"ACFilter", M::GetACFilterText, 2, "60Hz"},
      {"AdmitStatus", M::GetAdmitStatusText, 0, "Discharged"},
      {"AdmitType", M::GetAdmitTypeText, 3, "Neonate"},
      {"Gender", M::GetGenderText, 2, "Female"},
      {"HeightUnit", M::GetHeightUnitText, 2, "inch"},
      {"WeightUnit", M::GetWeightUnitText, 2, "lbs"},
      {"AlarmLevel", M::GetAlarmLevelText, 1, "Low"},
      {"OnOff", M::GetOnOffText, 1, "On"},
      {"Color", M::GetColorText, 1, ""},
      {"ECGLead", M::GetECGLeadText, 3, "III"},
      {"ECGGain", M::GetECGGainText, 5, "40mm/mV"},
      {"ECGSpeed", M::GetECGSpeedText, 1, "6.25mm/sec"},
      {"ECGFilter", M::GetECGFilterText, 4, "Diagnosis"},
      {"NIBPCuff", M::GetNIBPCuffText, 2, "Pediatric"},
      {"NIBPInterval", M::GetNIBPIntervalText, 12, "120min"},
      {"NIBPUnit", M::GetNIBPUnitText, 2, "kPa"},
      {"Pacemaker", M::GetPacemakerText, 0, "None"},
      {"EcgAlarm", M::GetEcgAlarmText, 12, "Check Electrode"},
      {"SpO2Alarm", M::GetSpO2AlarmText, 4, "PR Upper Limit, % Lower Limit"},
      {"FHR1Alarm", M::GetFHR1AlarmText, 3, "Cross channel"},
      {"FHR2Alarm", M::GetFHR2AlarmText, 5, "Lower Limit, Cross channel verification"},
      {"FEcgAlarm", M::GetFEcgAlarmText, 11, "lead fault"},
      {"FSpO2Alarm", M::GetFSpO2AlarmText, 9, "Searching too long"},
      {"UCAlarm", M::GetUCAlarmText, 3, "Duration, Frequency High"},
      {"IUPAlarm", M::GetIUPAlarmText, 1, "Duration High"},
      {"NIBPAlarm", M::GetNIBPAlarmText, 29, "Pulse Too Week"},
      {"TempAlarm", M::GetTempAlarmText, 6, "Probe Off"},
  };
  for (const auto& g : getters) EXPECT_EQ(Text(g.get(g.code)), g.text) << g.name;
}

TEST_F(ConstMap, NIBPIntervalInSeconds) {
  const int seconds[] = {0, 60, 120, 150, 180, 300, 600, 900, 1200, 1800, 2700, 3600, 7200, 0};
  for (long code = 0; code <= 13; ++code) EXPECT_EQ(M::GetNIBPIntervalValue(code), seconds[code]) << code;
  EXPECT_EQ(M::GetNIBPIntervalValue(-1), 0);
  EXPECT_EQ(M::GetNIBPIntervalValue(2700), 0);
}

TEST_F(ConstMap, SameTextsUnderEachCodePage) {
  const struct {
    UINT codePage;
    const char* celsius;    // GetTempUnitText(1)
    const char* fahrenheit; // GetTempUnitText(other codes)
    const char* tempUnit1;  // string 10057, U+00A1 U+00C9
    const char* tempUnit2;  // string 10058, U+00A2 U+00B5
  } cases[] = {
      {CP_UTF8, "\xC2\xB0" "C", "\xC2\xB0" "F", "\xC2\xA1\xC3\x89", "\xC2\xA2\xC2\xB5"},
      {1252, "\xB0" "C", "\xB0" "F", "\xA1\xC9", "\xA2\xB5"},
      // 949 holds the degree sign but none of the four characters of the two unit texts: they
      // show as nothing rather than as wrong characters.
      {949, "\xA1\xC6" "C", "\xA1\xC6" "F", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    ASSERT_EQ(SetACP(c.codePage), TRUE);
    EXPECT_EQ(Text(M::GetTempUnitText(1)), c.celsius);
    for (const long other : {0L, 2L, -1L}) EXPECT_EQ(Text(M::GetTempUnitText(other)), c.fahrenheit);
    EXPECT_EQ(Text(M::GetMapTextByConst(M::CMAP_TEMP_UNIT, 1)), c.tempUnit1);
    EXPECT_EQ(Text(M::GetMapText(M::CMAP_TEMP_UNIT, 1)), c.tempUnit2);
    EXPECT_EQ(Text(M::GetUCAlarmText(1)), "Duration High");
  }
}

TEST_F(ConstMap, LanguageLibraryTextsWithEnglishFallback) {
  UseTestLanguage();
  const struct {
    UINT codePage;
    std::string upper;  // 10129, Western letters
    std::string lower;  // 10130, Korean
    std::string cross;  // 10143, simplified Chinese
  } cases[] = {
      {CP_UTF8, "Limite sup\xC3\xA9rieure", "\xEC\x83\x81\xED\x95\x9C", "\xE7\x9B\x91\xE6\x8A\xA4"},
      {1252, "Limite sup\xE9rieure", "Lower Limit", "Cross channel"},
      {949, "Upper Limit", "\xBB\xF3\xC7\xD1", "Cross channel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    ASSERT_EQ(SetACP(c.codePage), TRUE);
    EXPECT_EQ(Text(M::GetUCAlarmText(0)), "Normal (Test)");
    EXPECT_EQ(Text(M::GetOnOffText(0)), "\"Aus\"");
    EXPECT_EQ(Text(M::GetFHR1AlarmText(1)), c.upper);
    EXPECT_EQ(Text(M::GetNIBPAlarmText(2)), c.lower);
    EXPECT_EQ(Text(M::GetFHR1AlarmText(3)), c.cross);
    EXPECT_EQ(Text(M::GetUCAlarmText(1)), "Duration High") << "an id the library lacks is English";
  }
}

}  // namespace
