#include "platform/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(CStringSubstrings, ClampPositionsAndCountsLikeMfc) {
  const CString text("abcdef");
  const struct { const char* what; CString actual; const char* expected; } cases[] = {
      {"Left(-1)", text.Left(-1), ""},
      {"Left(99)", text.Left(99), "abcdef"},
      {"Right(-5)", text.Right(-5), ""},
      {"Right(INT_MAX)", text.Right(INT_MAX), "abcdef"},
      {"Mid(-3)", text.Mid(-3), "abcdef"},
      {"Mid(7)", text.Mid(7), ""},
      {"Mid(2, 2)", text.Mid(2, 2), "cd"},
      {"Mid(-2, 3)", text.Mid(-2, 3), "abc"},
      {"Mid(2, -1)", text.Mid(2, -1), ""},
      {"Mid(4, INT_MAX)", text.Mid(4, INT_MAX), "ef"},
      {"Mid(INT_MAX, INT_MAX)", text.Mid(INT_MAX, INT_MAX), ""},
      {"Mid(INT_MIN, INT_MAX)", text.Mid(INT_MIN, INT_MAX), "abcdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
  const CString withZero("a\0b\xE9", 4);
  EXPECT_EQ(withZero.Mid(1).GetLength(), 3);
  EXPECT_EQ(withZero.Right(1)[0], '\xE9');
}

TEST(CStringFind, StartOutsideTheTextFindsNothing) {
  const CString text("abcab\xE9");
  EXPECT_EQ(text.Find('a', 1), 3);
  EXPECT_EQ(text.Find('\xE9'), 5);
  EXPECT_EQ(text.Find('a', 6), -1);
  EXPECT_EQ(text.Find('a', -1), -1);
  EXPECT_EQ(text.Find("ab", 4), -1);
  EXPECT_EQ(text.Find("", 6), 6);  // an empty pattern matches at the start, up to the end
  EXPECT_EQ(text.Find("", 7), -1);
  EXPECT_EQ(text.Find("b", INT_MAX), -1);
  EXPECT_EQ(text.Find(nullptr), -1);
  EXPECT_EQ(text.ReverseFind('b'), 4);
}

TEST(CStringReplace, ScansLeftToRightWithoutRescanningReplacements) {
  const struct {
    const char* text;
    const char* old;
    const char* replacement;
    const char* expected;
    int count;
  } cases[] = {
      {"aaa", "aa", "b", "ba", 1},           // overlapping matches: the first wins
      {"abab", "ab", "abab", "abababab", 2},  // replacement contains the pattern
      {"abc", "b", nullptr, "ac", 1},
      {"abc", "", "x", "abc", 0},  // empty pattern replaces nothing
      {"abc", nullptr, "x", "abc", 0},
      {"\xB0" "C \xB0" "F", "\xB0", "deg", "degC degF", 2},
  };
  for (const auto& c : cases) {
    CString text(c.text);
    EXPECT_EQ(text.Replace(c.old, c.replacement), c.count) << c.text;
    EXPECT_EQ(text, c.expected) << c.text;
  }
  CString text("a.b.c");
  EXPECT_EQ(text.Replace('.', '/'), 2);
  EXPECT_EQ(text, "a/b/c");
  EXPECT_EQ(text.Replace('/', '/'), 0);  // MFC counts nothing when old and new are equal
}

TEST(CStringTrimAndCompare, HighBytesAreNoBlanksAndSortAfterAscii) {
  EXPECT_EQ(CString(" \t\xA0z\xA0 \r\n").Trim(), "\xA0z\xA0");
  EXPECT_EQ(CString("xyaxbyx").Trim("xy"), "axb");
  EXPECT_EQ(CString("a").Compare("\x80"), -1);                // bytes above 127 sort after ASCII
  EXPECT_EQ(CString("\xE9").CompareNoCase("\xC9"), 1);        // é and É in 1252: only ASCII letters fold
  EXPECT_EQ(CString("_").CompareNoCase("A"), -1);              // folding goes to lower case, as _stricmp
}

// A null text compares as the empty one, in every comparison.
TEST(CStringTrimAndCompare, NullTextIsTheEmptyText) {
  const char* const none = nullptr;
  const CString empty, text("a");
  EXPECT_EQ(empty.Compare(none), 0);
  EXPECT_EQ(text.Compare(none), 1);
  EXPECT_EQ(empty.CompareNoCase(none), 0);
  EXPECT_EQ(text.CompareNoCase(none), 1);
  EXPECT_TRUE(empty == none && none == empty && text != none && none != text);
  EXPECT_TRUE(!(text < none) && !(empty < none));
}

TEST(CStringFormat, LongTextsAndTheStringItselfAsArgument) {
  const std::string longText(10000, 'x');
  CString text;
  text.Format("<%s>", longText.c_str());
  ASSERT_EQ(text.GetLength(), 10002);
  text.AppendFormat("%05d", 42);
  EXPECT_EQ(text.Right(7), "x>00042");

  // Regression: formatting used to write into the buffer that the argument points into.
  CString self(std::string(40, 'a'));
  self.Format("%s%s", self.GetString(), longText.c_str());
  EXPECT_EQ(self, CString(std::string(40, 'a') + longText));
  CString doubled(std::string(100, 'b'));
  doubled.AppendFormat("%s", doubled.GetString());
  EXPECT_EQ(doubled, CString(std::string(200, 'b')));
}

}  // namespace
