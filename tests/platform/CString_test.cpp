#include "platform/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/CodePage.h"
#include "platform/mbstring.h"

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

int Compare(const char* a, const char* b) {
  return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b));
}

struct Case {
  UINT codePage;
  const char* first;
  const char* second;
  int expected;
};

// In the Korean code page a trail byte may look like a Latin letter (0x41-0x5A, 0x61-0x7A):
// \xB0\x41 and \xB0\x61 are two different characters, which folding would have merged.
constexpr Case kCases[] = {
    {65001, "Apgar", "apgar score", -1},
    {65001, "_", "a", -1},  // lowercase forms are compared: '_' (0x5F) before 'a' (0x61)
    {65001, "\xC3\xA9", "\xC3\x89", 1},  // é and É: not ASCII, not folded
    {949, "\xB0\x41", "\xB0\x61", -1},
    {949, "\xB0\x41x", "\xB0\x41X", 0},
    {949, "A\xB0", "a", 0},  // a lead byte at the end counts as the end
    {1252, "\xC9", "\xE9", -1},
};

TEST(MbsicmpCompare, FoldsOnlyWholeSingleByteLetters) {
  const UINT saved = GetACP();
  for (const Case& c : kCases) {
    ASSERT_TRUE(SetACP(c.codePage));
    EXPECT_EQ(Compare(c.first, c.second), c.expected) << c.codePage << ": " << c.first << " / " << c.second;
    EXPECT_EQ(Compare(c.second, c.first), -c.expected) << c.codePage << ": " << c.second << " / " << c.first;
    EXPECT_EQ(CString(c.first).CompareNoCase(c.second), c.expected) << "CString, " << c.codePage;
  }
  SetACP(saved);
}

}  // namespace
