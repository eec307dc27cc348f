#include "platform/mbstring.h"

#include <gtest/gtest.h>

#include "platform/CString.h"
#include "platform/CodePage.h"

namespace {

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
