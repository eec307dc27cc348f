#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Every test leaves the process code page as it found it.
class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetACP(m_saved); }

 private:
  UINT m_saved = GetACP();
};

std::string Convert(UINT from, UINT to, std::string_view in) {
  std::string out = "untouched";
  return ConvertCodePage(from, to, in, out) ? out : "failed, out " + out;
}

std::string ToCodePage(UINT codePage, const std::wstring& wide) {
  char buffer[64];
  const int written = WideCharToMultiByte(codePage, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          buffer, sizeof buffer, nullptr, nullptr);
  return written > 0 ? std::string(buffer, static_cast<size_t>(written)) : "failed";
}

std::wstring FromCodePage(UINT codePage, const std::string& text) {
  wchar_t buffer[64];
  const int written = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.c_str(),
                                          static_cast<int>(text.size()), buffer, 64);
  return written > 0 ? std::wstring(buffer, static_cast<size_t>(written)) : L"failed";
}

TEST_F(CodePageTest, ProcessCodePageIsUtf8UntilTheHostChoosesASupportedOne) {
  EXPECT_EQ(GetACP(), 65001u);
  for (const UINT refused : {437u, 0u, 1200u, 936u}) {
    EXPECT_EQ(SetACP(refused), FALSE) << refused;
    EXPECT_EQ(GetACP(), 65001u) << refused;
  }
  for (const UINT accepted : {1252u, 949u, 65001u}) {
    EXPECT_EQ(SetACP(accepted), TRUE) << accepted;
    EXPECT_EQ(GetACP(), accepted);
  }
}

TEST_F(CodePageTest, CharactersTakeEachCodePagesBytesBothWays) {
  const struct { std::wstring wide; UINT codePage; std::string bytes; } cases[] = {
      {L"\u00B0" L"C", 1252, "\xB0" "C"},
      {L"\u00B0" L"C", 65001, "\xC2\xB0" "C"},
      {L"\u20AC", 1252, "\x80"},
      {L"\uD55C\uAD6D\uC5B4", 949, "\xC7\xD1\xB1\xB9\xBE\xEE"},  // "Korean" in Korean
      {L"\u2103\u2109", 949, "\xA1\xC9\xA2\xB5"},                  // Celsius and Fahrenheit signs
      {L"\uB620", 949, "\x8C\x63"},                                // a syllable beyond EUC-KR's 2,350
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToCodePage(c.codePage, c.wide), c.bytes) << c.codePage << " " << c.bytes;
    EXPECT_EQ(FromCodePage(c.codePage, c.bytes), c.wide) << c.codePage << " " << c.bytes;
  }
  EXPECT_EQ(Convert(1252, 65001, "\xB0" "C"), "\xC2\xB0" "C");
  EXPECT_EQ(Convert(65001, 949, "\xED\x95\x9C"), "\xC7\xD1");
}

TEST_F(CodePageTest, ProcessCodePageSteersTheAnsiHelpers) {
  std::string text;
  ASSERT_TRUE(SetACP(1252));
  ASSERT_TRUE(WideToAnsi(L"\u00B0" L"F", text));
  EXPECT_EQ(text, "\xB0" "F");
  ASSERT_TRUE(AnsiToUtf8(text, text));  // the input may view the output
  EXPECT_EQ(text, "\xC2\xB0" "F");
  ASSERT_TRUE(SetACP(949));
  ASSERT_TRUE(Utf8ToAnsi("\xEA\xB0\x80", text));  // U+AC00
  EXPECT_EQ(text, "\xB0\xA1");
}

TEST_F(CodePageTest, TextTheTargetCannotHoldFailsAndLeavesTheOutput) {
  EXPECT_EQ(ToCodePage(1252, L"ok \uD55C"), "failed");
  EXPECT_EQ(ToCodePage(949, L"\u0153\u00E9"), "failed");  // 949 has œ but no é
  EXPECT_EQ(ToCodePage(65001, std::wstring(1, wchar_t(0xD800))), "failed");  // a lone surrogate
  EXPECT_EQ(Convert(65001, 1252, "ok \xED\x95\x9C"), "failed, out untouched");
  ASSERT_TRUE(SetACP(1252));
  std::string out = "untouched";
  EXPECT_FALSE(Utf8ToAnsi("\xE2\x84\x83", out));  // the Celsius sign
  EXPECT_FALSE(WideToAnsi(L"\u2103", out));
  EXPECT_EQ(out, "untouched");
}

TEST_F(CodePageTest, InvalidInputFailsInEveryPath) {
  const char* brokenUtf8[] = {
      "\xC0\x80",          // overlong zero
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "ab\xE2\x82",        // cut off at the end
      "\xC3" "A",          // lead byte without its continuation
  };
  for (const char* text : brokenUtf8) {
    EXPECT_EQ(Convert(65001, 65001, text), "failed, out untouched") << text;  // same code page
    EXPECT_EQ(Convert(65001, 1252, text), "failed, out untouched") << text;
    EXPECT_EQ(FromCodePage(65001, text), L"failed") << text;
  }
  EXPECT_EQ(Convert(1252, 1252, "a\x81"), "failed, out untouched");  // undefined in 1252
  EXPECT_EQ(Convert(949, 65001, "\xC7\xD1\xC7"), "failed, out untouched");  // a lone lead byte
}

TEST_F(CodePageTest, Win32SizeRulesAndParameterChecks) {
  wchar_t wide[2] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC2\xB0", -1, nullptr, 0), 3);  // "a°" and the terminator
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC2\xB0", -1, wide, 2), 0);     // does not fit
  wchar_t exact[3] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC2\xB0", -1, exact, 3), 3);    // fills it exactly
  EXPECT_EQ(std::wstring(exact, 3), std::wstring(L"a\u00B0", 3));
  char bytes[2] = {};
  EXPECT_EQ(WideCharToMultiByte(949, 0, L"\uB620", 1, bytes, 2, nullptr, nullptr), 2);
  EXPECT_EQ(std::string(bytes, 2), "\x8C\x63");
  EXPECT_EQ(WideCharToMultiByte(949, 0, L"\uB620", 1, bytes, 1, nullptr, nullptr), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x1, "a", 1, wide, 2), 0);              // unknown flag
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, wide, 2), 0);
}

TEST_F(CodePageTest, LongTextsGrowTheirOutput) {
  const std::string euros(5000, '\x80');
  const std::string utf8 = Convert(1252, 65001, euros);
  ASSERT_EQ(utf8.size(), 15000u);  // each one byte becomes three
  EXPECT_EQ(utf8.substr(14997), "\xE2\x82\xAC");
  EXPECT_EQ(Convert(65001, 1252, utf8), euros);
}

// Conversion state is per thread: a failed conversion on one thread never spoils another's.
TEST_F(CodePageTest, ThreadsConvertAtOnce) {
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      const UINT codePage = t % 2 ? 1252u : 949u;
      for (int i = 0; i < 2000; ++i) {
        std::string out;
        failures[t] += !ConvertCodePage(65001, codePage, "\xC2\xB0", out) || out != (t % 2 ? "\xB0" : "\xA1\xC6");
        failures[t] += ConvertCodePage(65001, codePage, "\xC2", out);
        SetACP(i % 2 ? 1252 : 65001);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
