#include "config/LanguageLibrary.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The "Language" numbers of the station and their libraries; English (3) has none.
TEST(LanguageLibrary, EachLanguageNumberNamesItsOwnLibraryAndOthersNone) {
  const struct {
    int language;
    const char* library;
  } cases[] = {
      {1, "LANG_BUL.dll"},  {2, "LANG_CZE.dll"},  {3, nullptr},         {4, "LANG_FRA.dll"},  {5, "LANG_GER.dll"},
      {6, "LANG_ITA.dll"},  {7, "LANG_POL.dll"},  {8, "LANG_POR.dll"},  {9, "LANG_ROM.dll"},  {10, "LANG_RUS.dll"},
      {11, "LANG_SPA.dll"}, {12, "LANG_TUR.dll"}, {13, "LANG_KOR.dll"}, {14, "LANG_CHN.dll"}, {0, nullptr},
      {15, nullptr},        {-1, nullptr},        {INT_MIN, nullptr},   {INT_MAX, nullptr},
  };
  for (const auto& c : cases) EXPECT_STREQ(GetLanguageLibraryName(c.language), c.library) << "language " << c.language;
}

}  // namespace
