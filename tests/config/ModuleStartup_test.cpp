#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ConfigScratch.h"
#include "config/LanguageLibrary.h"

namespace {

namespace fs = std::filesystem;

// The "Language" numbers of the station and their libraries; English (3) has none.
TEST(LanguageLibrary, EachLanguageNumberNamesItsOwnLibraryAndOthersNone) {
  const struct { int language; const char* library; } cases[] = {
      {1, "LANG_BUL.dll"},  {2, "LANG_CZE.dll"},  {3, nullptr},         {4, "LANG_FRA.dll"},  {5, "LANG_GER.dll"},
      {6, "LANG_ITA.dll"},  {7, "LANG_POL.dll"},  {8, "LANG_POR.dll"},  {9, "LANG_ROM.dll"},  {10, "LANG_RUS.dll"},
      {11, "LANG_SPA.dll"}, {12, "LANG_TUR.dll"}, {13, "LANG_KOR.dll"}, {14, "LANG_CHN.dll"}, {0, nullptr},
      {15, nullptr},        {-1, nullptr},        {INT_MIN, nullptr},   {INT_MAX, nullptr},
  };
  for (const auto& c : cases) EXPECT_STREQ(GetLanguageLibraryName(c.language), c.library) << "language " << c.language;
}

// The station's start-up for real: the probe program loads the module at run time from its own
// program folder, next to a Maternis.ini and a language library, and prints what start-up chose.
TEST_F(ConfigScratch, StartUpLoadsTheLanguageOfTheConfigurationFile) {
  fs::copy_file(VUDODA_STARTUP_PROBE, m_folder / "startup_probe");
  fs::copy_file(VUDODA_MODULE, m_folder / "libvudoda.so");
  for (const char* library : {"LANG_GER.dll", "LANG_CHN.dll"}) {
    fs::copy_file(fs::path(VUDODA_MODULE).parent_path() / library, m_folder / library);
  }
  const std::string english = "resource=none\non=On\nchain=empty\n";
  const std::string german = "resource=LANG_GER.dll\non=Ein\nchain=empty\n";
  const std::string chinese = "resource=LANG_CHN.dll\non=\xE5\xBC\x80\nchain=empty\n";  // U+5F00
  const struct {
    const char* file;  // Maternis.ini, or null for none
    std::string expected;
  } cases[] = {
      {"[CENTRAL_DEFAULT]\r\nLanguage=5\r\n", german},  {"[central_default]\nlanguage = \"5\"\n", german},
      {"[CENTRAL_DEFAULT]\r\nLanguage=3\r\n", english}, {"[CENTRAL_DEFAULT]\r\nLanguage=0\r\n", english},
      {"[CENTRAL_DEFAULT]\r\nLanguage=14\r\n", chinese}, {"[CENTRAL_DEFAULT]\r\nLanguage=15\r\n", english},
      {"[CENTRAL_DEFAULT]\r\nLanguage=13\r\n", english},  // no LANG_KOR.dll anywhere near
      {"[CENTRAL_DEMO]\r\nLanguage=5\r\n", english},    {nullptr, english},
  };
  for (const auto& c : cases) {
    fs::remove(m_folder / "Maternis.ini");
    if (c.file) WriteFile(File("Maternis.ini"), c.file);
    std::string output;
    FILE* probe = ::popen(("cd '" + m_folder.string() + "' && ./startup_probe 2>&1").c_str(), "r");
    ASSERT_NE(probe, nullptr);
    for (std::array<char, 256> chunk{}; std::fgets(chunk.data(), chunk.size(), probe);) output += chunk.data();
    ::pclose(probe);
    EXPECT_EQ(output, c.expected) << (c.file ? c.file : "no file");
  }
}

}  // namespace
