// The compiled string tables: the module's English table, every language library the build
// makes, and the compiler's checks of a source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "constmap/ObConstMap.h"
#include "platform/LibraryLoader.h"

namespace {

namespace fs = std::filesystem;

// The module's own table, found through the module that holds the maps.
const StringTable& EnglishTable() {
  HMODULE module = nullptr;
  const auto* address = reinterpret_cast<LPCSTR>(ObConstMap::GetMapPointer(ObConstMap::CMAP_MODEL));
  EXPECT_EQ(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               address, &module),
            TRUE);
  const StringTable* table = GetModuleStringTable(module);
  if (!table) throw std::runtime_error("the module exports no string table");
  return *table;
}

std::string TextOf(const StringTable& table, UINT id) {
  const StringTableEntry* entry = table.Find(id);
  return entry ? std::string(entry->Text()) : "<none>";
}

TEST(EnglishTable, HoldsIds10000To10060And10068To10182WithExactTexts) {
  const StringTable& table = EnglishTable();
  std::vector<UINT> ids;
  for (UINT i = 0; i < table.count; ++i) ids.push_back(table.entries[i].id);
  std::vector<UINT> expected;
  for (UINT id = 10000; id <= 10182; ++id) {
    if (id < 10061 || id > 10067) expected.push_back(id);
  }
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(table.count, 176u);
  const std::pair<UINT, std::string> texts[] = {
      {10057, "\xC2\xA1\xC3\x89"}, {10058, "\xC2\xA2\xC2\xB5"}, {10068, "LANG_BUL"}, {10069, "LANG_CZE "},
      {10074, "LANG_POL"},         {10081, "LANG_CHN "},        {10016, "None"},     {10126, "Unknown"},
      {10135, "% Lower Limit"},    {10159, "Signal Satuated"},  {10182, "Level 11"},
      {10084, "In case of printing is stop on device, auto recording is stopped."},
  };
  for (const auto& [id, text] : texts) EXPECT_EQ(TextOf(table, id), text) << id;
  for (const UINT model : {10000u, 10001u, 10002u}) EXPECT_NE(TextOf(table, model), "<none>");
}

std::vector<std::string> LanguageLibraries() {
  std::vector<std::string> names;
  std::stringstream list(VUDODA_LANGUAGE_LIBRARIES);
  for (std::string name; std::getline(list, name, ',');) names.push_back(name + ".dll");
  return names;
}

TEST(LanguageLibraries, EachLoadsAndHoldsOnlyEnglishIds) {
  std::set<UINT> english;
  const StringTable& table = EnglishTable();
  for (UINT i = 0; i < table.count; ++i) english.insert(table.entries[i].id);
  for (const std::string& name : LanguageLibraries()) {
    SCOPED_TRACE(name);
    const HMODULE library = LoadLibraryA(name.c_str());
    ASSERT_NE(library, nullptr);
    const StringTable* translation = GetModuleStringTable(library);
    ASSERT_NE(translation, nullptr);
    EXPECT_GT(translation->count, 0u);
    for (UINT i = 0; i < translation->count; ++i) {
      EXPECT_TRUE(english.contains(translation->entries[i].id)) << translation->entries[i].id;
      EXPECT_TRUE(i == 0 || translation->entries[i - 1].id < translation->entries[i].id);
    }
    EXPECT_EQ(FreeLibrary(library), TRUE);
  }
}

// One run of the string-table compiler on sources written to a scratch folder.
struct CompilerRun {
  int exitCode;
  std::string out;
  std::string err;
  std::string generated;
};

class StringCompiler : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() / ("vudoda-strings-" + std::to_string(getpid()));
    fs::create_directories(m_folder);
  }
  void TearDown() override { fs::remove_all(m_folder); }

  std::string Write(const std::string& name, const std::string& content) {
    const fs::path path = m_folder / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  CompilerRun Compile(const std::string& english, const std::string* translation) {
    std::string command = std::string(VUDODA_STRING_COMPILER) + " --english " + Write("strings.txt", english);
    if (translation) command += " --translation " + Write("LANG_XXX.txt", *translation);
    command += " --output " + (m_folder / "out.cpp").string() + " >" + (m_folder / "out.txt").string() + " 2>" +
               (m_folder / "err.txt").string();
    fs::remove(m_folder / "out.cpp");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(m_folder / "out.txt"), Read(m_folder / "err.txt"),
            Read(m_folder / "out.cpp")};
  }

  fs::path m_folder;
};

const char kEnglish[] = "# English\n\n10 \"Off\"\n11 \"On\"\n  # indented comment\n12 \"Say \\\"hi\\\" \\\\ \"\n";

TEST_F(StringCompiler, RefusesEveryFaultOfASourceWithItsLine) {
  const struct {
    const char* name;
    std::string source;
    const char* fault;
  } cases[] = {
      {"missing quote", "10 \"Off\n", "strings.txt:1: error: no closing quote"},
      {"text after quote", "10 \"Off\" x\n", "strings.txt:1: error: something after the closing quote"},
      {"bad escape", "10 \"O\\nff\"\n", "strings.txt:1: error: bad escape"},
      {"two blanks", "10  \"Off\"\n", "strings.txt:1: error: expected one blank and a text"},
      {"no blank", "10\"Off\"\n", "strings.txt:1: error: expected exactly one blank"},
      {"leading zero", "# c\n010 \"Off\"\n", "strings.txt:2: error: expected a decimal string id"},
      {"indented id", " 10 \"Off\"\n", "strings.txt:1: error: expected a decimal string id"},
      {"id too large", "4294967296 \"Off\"\n", "strings.txt:1: error: expected a decimal string id"},
      {"unsorted", "11 \"On\"\n10 \"Off\"\n", "strings.txt:2: error: id 10 out of order"},
      {"duplicate", "10 \"On\"\n10 \"Off\"\n", "strings.txt:2: error: id 10 appears twice (first on line 1)"},
      {"empty text", "10 \"\"\n", "strings.txt:1: error: empty text"},
      {"broken UTF-8", "10 \"O\xE9\"\n", "strings.txt:1: error: the text is not valid UTF-8"},
      {"control character", "10 \"O\tff\"\n", "strings.txt:1: error: the text is not valid UTF-8 or holds a control"},
      {"carriage return", "10 \"Off\"\r\n", "strings.txt:1: error: carriage return"},
      {"byte-order mark", "\xEF\xBB\xBF" "10 \"Off\"\n", "strings.txt:1: error: byte-order mark"},
  };
  for (const auto& c : cases) {
    const CompilerRun run = Compile(c.source, nullptr);
    EXPECT_EQ(run.exitCode, 1) << c.name;
    EXPECT_NE(run.err.find(c.fault), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(run.generated, "") << c.name;
  }
}

TEST_F(StringCompiler, TranslationHoldsOnlyEnglishIdsAndIsToldWhatItLacks) {
  const std::string stray = "10 \"Aus\"\n13 \"Neu\"\n";
  const CompilerRun refused = Compile(kEnglish, &stray);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("LANG_XXX.txt:2: error: id 13 is not in the English table"), std::string::npos)
      << refused.err;

  const std::string partial = "# German\n11 \"Ein\"\n";
  const CompilerRun run = Compile(kEnglish, &partial);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("LANG_XXX.txt: lacks 2 of 3 English ids (shown in English): 10 12"), std::string::npos)
      << run.out;
  EXPECT_NE(run.generated.find("{11u, 3u, \"Ein\"}"), std::string::npos) << run.generated;
  EXPECT_EQ(run.generated.find("Off"), std::string::npos) << "only the translation's own texts";
}

TEST_F(StringCompiler, WritesSortedEntriesWithEscapedBytes) {
  const CompilerRun run = Compile(std::string(kEnglish) + "13 \"\xC2\xB0 ?\"\n", nullptr);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.generated.find("{10u, 3u, \"Off\"},\n    {11u, 2u, \"On\"},\n"
                               "    {12u, 11u, \"Say \\042hi\\042 \\134 \"},\n"
                               "    {13u, 4u, \"\\302\\260 \\077\"},"),
            std::string::npos)
      << run.generated;
  EXPECT_NE(run.generated.find("kTable = {kEntries, 4u};"), std::string::npos);
  EXPECT_NE(run.generated.find("VUDODA_STRING_TABLE() { return &kTable; }"), std::string::npos);
}

}  // namespace
