#include "platform/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct TextCase {
  const char* what;
  CString actual;
  const char* expected;
};

void ExpectTexts(std::initializer_list<TextCase> cases) {
  for (const TextCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(CStringSubstrings, ClampPositionsAndCountsLikeMfc) {
  const CString text("abcdef");
  ExpectTexts({
      {"Left(-1)", text.Left(-1), ""},
      {"Left(3)", text.Left(3), "abc"},
      {"Left(99)", text.Left(99), "abcdef"},
      {"Right(-5)", text.Right(-5), ""},
      {"Right(2)", text.Right(2), "ef"},
      {"Right(INT_MAX)", text.Right(INT_MAX), "abcdef"},
      {"Mid(-3)", text.Mid(-3), "abcdef"},
      {"Mid(6)", text.Mid(6), ""},
      {"Mid(7)", text.Mid(7), ""},
      {"Mid(2, 2)", text.Mid(2, 2), "cd"},
      {"Mid(-2, 3)", text.Mid(-2, 3), "abc"},
      {"Mid(2, -1)", text.Mid(2, -1), ""},
      {"Mid(4, INT_MAX)", text.Mid(4, INT_MAX), "ef"},
      {"Mid(INT_MAX, INT_MAX)", text.Mid(INT_MAX, INT_MAX), ""},
      {"Mid(INT_MIN, INT_MAX)", text.Mid(INT_MIN, INT_MAX), "abcdef"},
  });
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
  EXPECT_EQ(text.Find("ab", 1), 3);
  EXPECT_EQ(text.Find("ab", 4), -1);
  EXPECT_EQ(text.Find("", 6), 6);  // an empty pattern matches at the start, up to the end
  EXPECT_EQ(text.Find("", 7), -1);
  EXPECT_EQ(text.Find("b", INT_MAX), -1);
  EXPECT_EQ(text.Find(nullptr), -1);
  EXPECT_EQ(text.ReverseFind('b'), 4);
  EXPECT_EQ(text.ReverseFind('z'), -1);
}

TEST(CStringReplace, ScansLeftToRightWithoutRescanningReplacements) {
  const struct {
    const char* text;
    const char* old;
    const char* replacement;
    const char* expected;
    int count;
  } cases[] = {
      {"aaaa", "aa", "b", "bb", 2},
      {"aaa", "aa", "b", "ba", 1},           // overlapping matches: the first wins
      {"abab", "ab", "abab", "abababab", 2},  // replacement contains the pattern
      {"abc", "b", "", "ac", 1},
      {"abc", "b", nullptr, "ac", 1},
      {"abc", "", "x", "abc", 0},  // empty pattern replaces nothing
      {"abc", nullptr, "x", "abc", 0},
      {"abc", "abcd", "x", "abc", 0},
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

TEST(CStringTrim, RemovesOnlyTheTargetsAtTheEnds) {
  const CString text(" \t a b \r\n\v\f");
  ExpectTexts({
      {"Trim", CString(text).Trim(), "a b"},
      {"TrimLeft", CString(text).TrimLeft(), "a b \r\n\v\f"},
      {"TrimRight", CString(text).TrimRight(), " \t a b"},
      {"all blanks", CString(" \t ").Trim(), ""},
      {"empty", CString().Trim(), ""},
      {"targets", CString("xyaxbyx").Trim("xy"), "axb"},
      {"high byte targets", CString("\xA0z\xA0").Trim("\xA0"), "z"},
      {"no targets", CString(" a ").Trim(""), " a "},
      {"null targets", CString(" a ").TrimLeft(nullptr), " a "},
  });
}

TEST(CStringCompare, FoldsAsciiOnlyAndOrdersBytesUnsigned) {
  const struct {
    const char* a;
    const char* b;
    int compare;
    int compareNoCase;
  } cases[] = {
      {"abc", "ABC", 1, 0},
      {"\xE9", "\xC9", 1, 1},  // é and É in 1252: only ASCII letters fold
      {"\xE9", "z", 1, 1},     // bytes above 127 sort after ASCII
      {"a", "\x80", -1, -1},
      {"_", "A", 1, -1},  // folding goes to lower case, as _stricmp
      {"ab", "abc", -1, -1},
      {"", nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.a).Compare(c.b), c.compare) << c.a << " " << (c.b ? c.b : "null");
    EXPECT_EQ(CString(c.a).CompareNoCase(c.b), c.compareNoCase) << c.a;
  }
  EXPECT_EQ(CString("M\xFCller").MakeUpper(), "M\xFCLLER");
}

TEST(CStringFormat, LongTextsAndTheStringItselfAsArgument) {
  const std::string long_text(10000, 'x');
  CString text;
  text.Format("<%s>", long_text.c_str());
  ASSERT_EQ(text.GetLength(), 10002);
  EXPECT_EQ(text.Right(2), "x>");
  text.AppendFormat("%05d", 42);
  EXPECT_EQ(text.Right(6), ">00042");

  // Regression: formatting used to write into the buffer that the argument points into.
  CString self(std::string(40, 'a'));
  self.Format("%s%s", self.GetString(), long_text.c_str());
  EXPECT_EQ(self.Left(41), CString(std::string(40, 'a')) + "x");
  EXPECT_EQ(self.GetLength(), 10040);
  CString doubled(std::string(100, 'b'));
  doubled.AppendFormat("%s", doubled.GetString());
  EXPECT_EQ(doubled, CString(std::string(200, 'b')));

  text.Format("%s", "");
  EXPECT_TRUE(text.IsEmpty());
}

}  // namespace
