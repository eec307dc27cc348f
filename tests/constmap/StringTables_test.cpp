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
  const std::pair<UINT, std::string> texts[] = {
      {10057, "\xC2\xA1\xC3\x89"}, {10058, "\xC2\xA2\xC2\xB5"}, {10068, "LANG_BUL"}, {10069, "LANG_CZE "}, {10182, "Level 11"},
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

// The compiler run on sources written to a scratch folder: each fault is refused with its file
// and line, and nothing is written.
TEST(StringCompiler, RefusesEveryFaultOfASourceWithItsLine) {
  const fs::path folder = fs::temp_directory_path() / ("vudoda-strings-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const struct {
    std::string source;
    const char* translation;
    const char* fault;
  } cases[] = {
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
    std::ofstream(folder / "strings.txt", std::ios::binary) << c.source;
    std::string command = VUDODA_STRING_COMPILER " --english " + (folder / "strings.txt").string();
    if (c.translation) {
      std::ofstream(folder / "LANG_XXX.txt", std::ios::binary) << c.translation;
      command += " --translation " + (folder / "LANG_XXX.txt").string();
    }
    command += " --output " + (folder / "out.cpp").string() + " 2>" + (folder / "err.txt").string();
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.fault;
    std::ifstream errFile(folder / "err.txt");
    const std::string err(std::istreambuf_iterator<char>(errFile), {});
    EXPECT_NE(err.find(c.fault), std::string::npos) << c.fault << ": " << err;
    EXPECT_FALSE(fs::exists(folder / "out.cpp")) << c.fault;
  }
  fs::remove_all(folder);
}

}  // namespace
