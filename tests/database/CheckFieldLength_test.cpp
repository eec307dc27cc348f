// The text-length check of every FieldCheck, with the shortening rule of QnGF::AbbreviateText:
// at most the limit in bytes, never half a character of the process code page.

#include "database/CheckFieldLength.h"

#include <gtest/gtest.h>

#include "database/ScratchDatabase.h"
#include "qnutil/QnGF.h"

namespace {

TEST(CheckFieldLength, ShortensOnlyWhatDoesNotFitAndNeverSplitsACharacter) {
  const struct {
    UINT codePage;
    const char* text;
    int limit;
    int abbreviate;
    int fits;
    const char* result;
  } cases[] = {
      {65001, "Anna", 4, 1, 1, "Anna"},
      {65001, "Annabel", 4, 1, 0, "Anna"},
      {65001, "Annabel", 4, 0, 0, "Annabel"},
      {65001, "Zo\xC3\xAB", 4, 1, 1, "Zo\xC3\xAB"},
      {65001, "Zo\xC3\xAB", 3, 1, 0, "Zo"},                              // ë is two bytes
      {65001, "\xED\x95\x9C\xEA\xB5\xAD", 5, 1, 0, "\xED\x95\x9C"},     // 한국: three bytes each
      {65001, "\xF0\x9F\x98\x80x", 3, 1, 0, ""},                         // a four-byte character
      {65001, "ab\xE2\x82", 3, 1, 0, "ab"},                              // a character cut short
      {949, "\xC7\xD1\xB1\xB9", 3, 1, 0, "\xC7\xD1"},                    // 한국 in the Korean page
      {949, "a\xC7\xD1", 2, 1, 0, "a"},
      {1252, "M\xFCller", 2, 1, 0, "M\xFC"},                             // one byte per character
      {65001, "A", 0, 1, 0, ""},
      {65001, "", 0, 1, 1, ""},
  };
  for (const auto& c : cases) {
    ScopedCodePage codePage(c.codePage);
    CString text(c.text);
    EXPECT_EQ(c.fits, CheckFieldLength(text, c.limit, c.abbreviate)) << c.text << " " << c.limit;
    EXPECT_STREQ(c.result, text.GetString()) << c.text << " " << c.limit;
  }
  EXPECT_STREQ("", QnGF::AbbreviateText(nullptr, 5).GetString());
  EXPECT_STREQ("", QnGF::AbbreviateText("abc", -1).GetString());
}

}  // namespace
