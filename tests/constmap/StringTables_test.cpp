// The compiled string tables: the module's English table, every language library the build
// makes, and the compiler's checks of a source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/LibraryLoader.h"

namespace {

namespace fs = std::filesystem;

// The module's own table: the library this program is linked with, found beside it.
const StringTable* EnglishTable() { return GetModuleStringTable(LoadLibraryA("libvudoda.so")); }

TEST(EnglishTable, HoldsIds10000To10060And10068To10182WithExactTexts) {
  ASSERT_NE(EnglishTable(), nullptr);
  const StringTable& table = *EnglishTable();
  std::vector<UINT> ids, expected;
  for (UINT i = 0; i < table.count; ++i) ids.push_back(table.entries[i].id);
  for (UINT id = 10000; id <= 10182; ++id) {
    if (id < 10061 || id > 10067) expected.push_back(id);
  }
  EXPECT_EQ(ids, expected);
  // The rows that no map shows; the maps' own rows are pinned with the maps.
  const std::pair<UINT, std::string> texts[] = {
      {10016, "None"}, {10024, "aVR"}, {10025, "aVL"}, {10026, "aVF"}, {10027, "V1"}, {10028, "V2"}, {10029, "V3"},
      {10030, "V4"}, {10031, "V5"}, {10032, "V6"}, {10068, "LANG_BUL"}, {10069, "LANG_CZE "}, {10071, "LANG_FRA "},
      {10072, "LANG_GER "}, {10073, "LANG_ITA "}, {10074, "LANG_POL"}, {10075, "LANG_POR "}, {10076, "LANG_ROM "},
      {10077, "LANG_RUS "}, {10078, "LANG_SPA "}, {10079, "LANG_TUR "}, {10081, "LANG_CHN "}, {10120, "NIBP"},
      {10121, "TEMP"}, {10122, "FHR1"}, {10123, "FHR2"}, {10124, "UC"}, {10125, "IUP"}, {10126, "Unknown"},
      {10164, "MSpO2-PR"}, {10165, "%MSpO2"}, {10166, "FSpO2-PR"}, {10167, "%FSpO2"}, {10168, "FM1"}, {10169, "FM2"},
      {10170, "MHR"}, {10171, "Normal FHR"}, {10172, "DFHR"}, {10173, "GA"}, {10174, "BPM"}, {10175, "Length"},
      {10181, "Level 10"}, {10182, "Level 11"},
  };
  for (const auto& [id, text] : texts) {
    ASSERT_NE(table.Find(id), nullptr) << id;
    EXPECT_EQ(std::string(table.Find(id)->Text()), text) << id;
  }
}

TEST(LanguageLibraries, EachLoadsAndHoldsOnlyEnglishIds) {
  ASSERT_NE(EnglishTable(), nullptr);
  const StringTable& english = *EnglishTable();
  std::stringstream list(VUDODA_LANGUAGE_LIBRARIES);
  for (std::string name; std::getline(list, name, ',');) {
    SCOPED_TRACE(name);
    const HMODULE library = LoadLibraryA((name + ".dll").c_str());
    ASSERT_NE(library, nullptr);
    const StringTable* translation = GetModuleStringTable(library);
    ASSERT_NE(translation, nullptr);
    EXPECT_GT(translation->count, 0u);
    for (UINT i = 0; i < translation->count; ++i) {
      EXPECT_NE(english.Find(translation->entries[i].id), nullptr) << translation->entries[i].id;
      EXPECT_TRUE(i == 0 || translation->entries[i - 1].id < translation->entries[i].id);
    }
    EXPECT_EQ(FreeLibrary(library), TRUE);
  }
}

// The compiler run on sources written to a scratch folder: its exit status and what it said.
class StringCompiler : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(m_folder); }
  void TearDown() override { fs::remove_all(m_folder); }

  int Compile(const std::string& source, const char* translation = nullptr) {
    fs::remove(m_folder / "out.cpp");
    std::ofstream(m_folder / "strings.txt", std::ios::binary) << source;
    std::string command = VUDODA_STRING_COMPILER " --english " + (m_folder / "strings.txt").string();
    if (translation) {
      std::ofstream(m_folder / "LANG_XXX.txt", std::ios::binary) << translation;
      command += " --translation " + (m_folder / "LANG_XXX.txt").string();
    }
    command += " --output " + (m_folder / "out.cpp").string() + " 2>" + (m_folder / "err.txt").string();
    const int status = std::system(command.c_str());
    std::ifstream errFile(m_folder / "err.txt");
    m_err.assign(std::istreambuf_iterator<char>(errFile), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  const fs::path m_folder = fs::temp_directory_path() / ("vudoda-strings-" + std::to_string(getpid()));
  std::string m_err;
};

// Each fault is refused with its file and line, and nothing is written.
TEST_F(StringCompiler, RefusesEveryFaultOfASourceWithItsLine) {
  const struct { std::string source; const char* translation; const char* fault; } cases[] = {
      {"10 \"Off\n", nullptr, "strings.txt:1: error: no closing quote"},
      {"10 \"Off\" x\n", nullptr, "strings.txt:1: error: something after the closing quote"},
      {"10 \"O\\nff\"\n", nullptr, "strings.txt:1: error: bad escape"},
      {"10  \"Off\"\n", nullptr, "strings.txt:1: error: expected one blank and a text"},
      {"10\"Off\"\n", nullptr, "strings.txt:1: error: expected exactly one blank"},
      {"# c\n010 \"Off\"\n", nullptr, "strings.txt:2: error: expected a decimal string id"},
      {"4294967296 \"Off\"\n", nullptr, "strings.txt:1: error: expected a decimal string id"},
      {"11 \"On\"\n10 \"Off\"\n", nullptr, "strings.txt:2: error: id 10 out of order"},
      {"10 \"On\"\n10 \"Off\"\n", nullptr, "strings.txt:2: error: id 10 appears twice (first on line 1)"},
      {"10 \"\"\n", nullptr, "strings.txt:1: error: empty text"},
      {"10 \"O\xE9\"\n", nullptr, "strings.txt:1: error: the text is not valid UTF-8"},
      {"10 \"O\tff\"\n", nullptr, "strings.txt:1: error: the text is not valid UTF-8 or holds a control"},
      {"10 \"Off\"\r\n", nullptr, "strings.txt:1: error: carriage return"},
      {"\xEF\xBB\xBF" "10 \"Off\"\n", nullptr, "strings.txt:1: error: byte-order mark"},
      {"10 \"Off\"\n", "10 \"Aus\"\n13 \"Neu\"\n", "LANG_XXX.txt:2: error: id 13 is not in the English table"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Compile(c.source, c.translation), 1) << c.fault;
    EXPECT_NE(m_err.find(c.fault), std::string::npos) << c.fault << ": " << m_err;
    EXPECT_FALSE(fs::exists(m_folder / "out.cpp")) << c.fault;
  }
}

// Each limit of strict UTF-8 from both sides: the smallest code point of each sequence length
// (one below is an overlong form), the surrogates, the last code point, and the controls.
TEST_F(StringCompiler, Utf8LimitsHoldOnBothSides) {
  const struct { const char* text; bool accepted; } cases[] = {
      {"\xC1\x81", false},         {"\xC2\xA0", true},          {"\xE0\x9F\xBF", false},
      {"\xE0\xA0\x80", true},     {"\xF0\x8F\xBF\xBF", false}, {"\xF0\x90\x80\x80", true},
      {"\xED\x9F\xBF", true},     {"\xED\xA0\x80", false},     {"\xED\xBF\xBF", false},
      {"\xEE\x80\x80", true},     {"\xF4\x8F\xBF\xBF", true}, {"\xF4\x90\x80\x80", false},
      {"~", true},                 {"\x7F", false},             {"\xC2\x9F", false},
  };
  for (const auto& c : cases) {
    std::string hex;
    for (const char* p = c.text; *p; ++p) hex += std::to_string(static_cast<unsigned char>(*p)) + " ";
    EXPECT_EQ(Compile(std::string("10 \"") + c.text + "\"\n"), c.accepted ? 0 : 1) << hex << m_err;
    EXPECT_EQ(fs::exists(m_folder / "out.cpp"), c.accepted) << hex;
  }
}

}  // namespace
