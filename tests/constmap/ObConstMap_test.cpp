// The constant maps: the particulars that a rewrite gets wrong (shared level table, sparse alarm
// maps, string ids out of sequence, the kind without a table), and the texts under each code
// page and language.
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

TEST(ConstMap, TwoLevelKindsShareOneTenRowTable) {
  EXPECT_EQ(M::GetMapPointer(M::CMAP_LEVEL_9), M::GetMapPointer(M::CMAP_LEVEL_5));
  EXPECT_EQ(M::GetMapSize(M::CMAP_LEVEL_9), 10);
  EXPECT_EQ(M::GetMapSize(M::CMAP_LEVEL_5), 6);
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

// The gaps of sparse maps hold no row: their codes show no text. (Every row is pinned in
// MapTable_test.cpp.)
TEST(ConstMap, CodesInTheGapsOfSparseMapsShowNoText) {
  const struct {
    CString (*get)(long);
    long code;
  } gaps[] = {
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
  EXPECT_EQ(M::GetMap(M::CMAP_ADMIT_STATUS, 0, row), 1);
  EXPECT_EQ(row.lConst, 0);
  EXPECT_EQ(row.uStringId, 10005u);
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
