// The text-length check of every FieldCheck, with the shortening rule of QnGF::AbbreviateText:
// at most the limit in bytes, never half a character of the process code page.

#include "database/CheckFieldLength.h"

#include <gtest/gtest.h>

#include "database/ScratchDatabase.h"
#include "qnutil/QnGF.h"

namespace {

TEST(CheckFieldLength, ShortensOnlyWhatDoesNotFitAndNeverSplitsACharacter) {
  const struct { UINT codePage; const char *text, *result; int limit, abbreviate, fits; } cases[] = {
      {65001, "Anna", "Anna", 4, 1, 1},
      {65001, "Annabel", "Anna", 4, 1, 0},
      {65001, "Annabel", "Annabel", 4, 0, 0},
      {65001, "Zo\xC3\xAB", "Zo", 3, 1, 0},                              // ë is two bytes
      {65001, "\xED\x95\x9C\xEA\xB5\xAD", "\xED\x95\x9C", 5, 1, 0},     // 한국: three bytes each
      {65001, "\xF0\x9F\x98\x80x", "", 3, 1, 0},                         // a four-byte character
      {65001, "ab\xE2\x82", "ab", 3, 1, 0},                              // a character cut short
      {949, "\xC7\xD1\xB1\xB9", "\xC7\xD1", 3, 1, 0},                    // 한국 in the Korean page
      {1252, "M\xFCller", "M\xFC", 2, 1, 0},                             // one byte per character
      {65001, "A", "", 0, 1, 0},
  };
  for (const auto& c : cases) {
    SetACP(c.codePage);
    CString text(c.text);
    EXPECT_EQ(c.fits, CheckFieldLength(text, c.limit, c.abbreviate)) << c.text << " " << c.limit;
    EXPECT_STREQ(c.result, text.GetString()) << c.text << " " << c.limit;
  }
  SetACP(65001);
  EXPECT_STREQ("", QnGF::AbbreviateText(nullptr, 5).GetString());
}

}  // namespace
