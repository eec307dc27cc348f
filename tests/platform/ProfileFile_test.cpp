#include "platform/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/ConfigScratch.h"
#include "platform/Profile.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string_view>;
using Listing = std::set<std::string>;

class ProfileFunctions : public ConfigScratch {
 protected:
  Listing FolderListing() const {
    Listing names;
    for (const auto& entry : fs::directory_iterator(m_folder)) names.insert(entry.path().filename().string());
    return names;
  }
};

// Records the disk calls of every write, each as "sync PATH" or "rename FROM TO", and passes
// them on to the system's own.
class DiskCallRecorder {
 public:
  DiskCallRecorder() { s_system = ProfileFile::SetDiskCalls({&Sync, &Rename}); }
  ~DiskCallRecorder() { ProfileFile::SetDiskCalls(s_system); }
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }

 private:
  static int Sync(int fd) {
    Calls().push_back("sync " + fs::read_symlink("/proc/self/fd/" + std::to_string(fd)).string());
    return s_system.sync(fd);
  }
  static int Rename(const char* from, const char* to) {
    Calls().push_back(std::string("rename ") + from + " " + to);
    return s_system.rename(from, to);
  }
  static inline ProfileFile::DiskCalls s_system{};
};

TEST(ProfileFileRead, FollowsWindowsRulesForNamesValuesAndLines) {
  const ProfileFile profile(
      "\xEF\xBB\xBF"
      "orphan=before any section\n[Station]\r\n  Name  =  Ward 3  \r\nname=second of the same name\n"
      "Quoted=\"  padded  \"\nSingle='x'\nUnpaired=\"x'\nLone=\"\nEmpty=\nno equals sign\n"
      "; note=comment-like key\n[Broken\nOther=still in Station, after the unclosed bracket\n"
      "[ station ]\nExtra=from the second section of the same name\n[Last]\nTail=no final newline");
  const struct {
    const char* section;
    const char* key;
    const char* expected;  // null: missing
  } cases[] = {
      {"Station", "Name", "Ward 3"},          {"STATION", "nAmE", "Ward 3"},  {" Station ", " Name ", "Ward 3"},
      {"Station", "Quoted", "  padded  "},    {"Station", "Single", "x"},     {"Station", "Unpaired", "\"x'"},
      {"Station", "Lone", "\""},              {"Station", "Empty", ""},       {"Station", "no equals sign", nullptr},
      {"Station", "; note", "comment-like key"}, {"Station", "Extra", nullptr}, {"Station", "[Broken", nullptr},
      {"Station", "Other", "still in Station, after the unclosed bracket"}, {"Last", "Tail", "no final newline"},
      {"", "orphan", nullptr},                {"Missing", "Name", nullptr},
  };
  for (const auto& c : cases) {
    const auto value = profile.Find(c.section, c.key);
    EXPECT_EQ(value.has_value(), c.expected != nullptr) << c.section << "/" << c.key;
    if (value && c.expected) {
      EXPECT_EQ(*value, c.expected) << c.section << "/" << c.key;
    }
  }
}

TEST(ProfileFileRead, ReadsIntegersAsGetPrivateProfileIntDoes) {
  const struct { const char* value; int expected; } cases[] = {
      {"42", 42},     {"  -17", -17},  {"+8", 8},    {"0x1F", 31},         {"0XfF", 255},       {"-0x10", -16},
      {"12abc", 12},  {"abc", 0},      {"0x", 0},    {"0xG", 0},           {"\"25\"", 25},      {"4294967295", -1},
      {"- 3", 0},     {"", -5},        {"\"\"", -5}, {"4294967296", 0},    {"2147483648", INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileFile(std::string("[S]\nK=") + c.value + "\n").FindInt("S", "K", -5), c.expected) << c.value;
  }
  EXPECT_EQ(ProfileFile("[S]\n").FindInt("S", "K", 77), 77);
}

TEST(ProfileFileWrite, EditsInPlaceAppendsListsDeletesAndKeepsForeignLines) {
  ProfileFile profile(
      "; station settings\n[A]\nKey = old\nkey=duplicate stays\n\nUnknown=kept\n[B]\r\ngarbage line\r\n"
      "[a]\nKey=second section of the name\n");
  EXPECT_TRUE(profile.Set("a", "KEY", "new"));
  EXPECT_TRUE(profile.Set("A", "Added", "1"));
  EXPECT_TRUE(profile.Set("A", "added", "2"));
  EXPECT_TRUE(profile.Set("C", "First", "x"));
  EXPECT_TRUE(profile.Set("c", "Second", "\"quoted\""));
  EXPECT_EQ(*profile.Find("A", "ADDED"), "2");
  EXPECT_EQ(*profile.Find("C", "second"), "quoted");
  EXPECT_EQ(profile.SectionNames(), (Names{"A", "B", "C"}));
  EXPECT_EQ(profile.KeyNames("a"), (Names{"Key", "Unknown", "Added"}));
  EXPECT_EQ(profile.KeyNames("c"), (Names{"First", "Second"}));
  EXPECT_TRUE(profile.DeleteKey("c", "FIRST"));
  EXPECT_FALSE(profile.DeleteKey("C", "First"));
  EXPECT_EQ(profile.Serialize(),
            "; station settings\r\n[A]\r\nKey=new\r\nkey=duplicate stays\r\n\r\nUnknown=kept\r\nAdded=2\r\n"
            "[B]\r\ngarbage line\r\n[a]\r\nKey=second section of the name\r\n[C]\r\nSecond=\"quoted\"\r\n");
}

TEST(ProfileFileWrite, RefusesWhatWouldNotReadBackAsWritten) {
  ProfileFile profile("[S]\nK=1\n");
  const struct { const char* section; const char* key; std::string value; } refused[] = {
      {"", "K", "v"},    {"S", "", "v"},     {"S", "  ", "v"},     {"S\n[T]", "K", "v"},                {"S", "K\rX", "v"},
      {"S", "a=b", "v"}, {"S", "[T]", "v"},  {"S", "K", "a\nX=1"}, {"S", "K", std::string("a\0b", 3)},
  };
  for (const auto& c : refused) EXPECT_FALSE(profile.Set(c.section, c.key, c.value)) << c.section << "/" << c.key;
  EXPECT_EQ(profile.Serialize(), "[S]\r\nK=1\r\n");
}

TEST_F(ProfileFunctions, ReadAndWriteAStandardFile) {
  const std::string file = File("Maternis.ini");
  EXPECT_EQ(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, file.c_str()), 3u);
  EXPECT_TRUE(WritePrivateProfileStringA("CENTRAL_DEFAULT", "Language", "5", file.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Hospital Name", "St. Nowhere", file.c_str()));
  EXPECT_EQ(ReadFile(file), "[CENTRAL_DEFAULT]\r\nLanguage=5\r\n[CENTRAL_SYSTEM]\r\nHospital Name=St. Nowhere\r\n");
  EXPECT_EQ(GetPrivateProfileIntA("central_default", "LANGUAGE", 3, file.c_str()), 5u);
  char buffer[8];
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Hospital Name", "", buffer, sizeof buffer, file.c_str()), 7u);
  EXPECT_STREQ(buffer, "St. Now");
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Missing", "dflt  ", buffer, sizeof buffer, file.c_str()), 4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Missing", nullptr, buffer, sizeof buffer, file.c_str()), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Bad", "two\nlines", file.c_str()));
  EXPECT_EQ(errno, EINVAL);
}

// Each name and a zero, one more zero at the end; a list cut to the buffer ends in two zeros.
TEST_F(ProfileFunctions, NullNamesListSectionsOrKeysCutToTheBuffer) {
  const std::string file = File("list.ini");
  WriteFile(file, "[A]\nK1=1\nk1=dup\n\nK2=2\n[B]\n[a]\nK3=3\n[]\nX=1\n[Empty]\n");
  const struct { const char* section; DWORD size; std::string expected; DWORD returned; } cases[] = {
      {nullptr, 64, {"A\0B\0Empty\0\0", 11}, 10}, {nullptr, 11, {"A\0B\0Empty\0\0", 11}, 10},
      {nullptr, 10, {"A\0B\0Empt\0\0", 10}, 8},  {nullptr, 5, {"A\0B\0\0", 5}, 3},
      {nullptr, 2, {"\0\0", 2}, 0},                {nullptr, 1, {"\0", 1}, 0},
      {"a", 64, {"K1\0K2\0\0", 7}, 6},             {"A", 6, {"K1\0K\0\0", 6}, 4},
      {"Empty", 64, {"dflt\0", 5}, 4},             {"Missing", 64, {"dflt\0", 5}, 4},
  };
  for (const auto& c : cases) {
    char buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(GetPrivateProfileStringA(c.section, nullptr, "dflt ", buffer, c.size, file.c_str()), c.returned)
        << (c.section ? c.section : "null") << " in " << c.size;
    EXPECT_EQ(std::string(buffer, c.expected.size()), c.expected) << (c.section ? c.section : "null");
    if (c.size < 64) {
      EXPECT_EQ(buffer[c.size], '#') << "written past the buffer";
    }
  }
  char names[8];
  EXPECT_EQ(GetPrivateProfileSectionNamesA(names, sizeof names, file.c_str()), 6u);
  EXPECT_EQ(std::string(names, 8), std::string("A\0B\0Em\0\0", 8));
}

TEST_F(ProfileFunctions, NullTextDeletesTheKeyAndNullKeyTheWholeSection) {
  const std::string file = File("delete.ini");
  const std::string before = "; head\n[A]\nK=1\nk=2\n; note\n[B]\nM=4\n[a]\nK=5\n[C]\nN=6";
  const struct {
    const char* section;
    const char* key;
    BOOL result;
    std::string after;  // empty: the file untouched
  } cases[] = {
      {"a", "k", TRUE, "; head\r\n[A]\r\nk=2\r\n; note\r\n[B]\r\nM=4\r\n[a]\r\nK=5\r\n[C]\r\nN=6\r\n"},
      {"a", nullptr, TRUE, "; head\r\n[B]\r\nM=4\r\n[a]\r\nK=5\r\n[C]\r\nN=6\r\n"},
      {" b ", nullptr, TRUE, "; head\r\n[A]\r\nK=1\r\nk=2\r\n; note\r\n[a]\r\nK=5\r\n[C]\r\nN=6\r\n"},
      {"C", nullptr, TRUE, "; head\r\n[A]\r\nK=1\r\nk=2\r\n; note\r\n[B]\r\nM=4\r\n[a]\r\nK=5\r\n"},
      {"A", "Missing", TRUE, ""},
      {"Missing", nullptr, TRUE, ""},
      {nullptr, "K", FALSE, ""},
  };
  for (const auto& c : cases) {
    WriteFile(file, before);
    EXPECT_EQ(WritePrivateProfileStringA(c.section, c.key, nullptr, file.c_str()), c.result) << c.section;
    EXPECT_EQ(ReadFile(file), c.after.empty() ? before : c.after) << (c.section ? c.section : "null");
  }
  EXPECT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, File("none.ini").c_str()));
  EXPECT_FALSE(fs::exists(File("none.ini")));
}

TEST_F(ProfileFunctions, AWriteReplacesTheFileKeepingPermissionsAndNeverWritesOverAnUnreadableOne) {
  const std::string file = File("station.ini");
  WriteFile(file, "[S]\nK=1\n");
  ::chmod(file.c_str(), 0640);
  fs::create_symlink(file, File("link.ini"));
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", File("link.ini").c_str()));
  EXPECT_TRUE(fs::is_symlink(File("link.ini")));
  EXPECT_EQ(ReadFile(file), "[S]\r\nK=2\r\n");
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
  EXPECT_EQ(FolderListing(), (Listing{"link.ini", "station.ini", "station.ini.lock"}));  // no temporary file left

  fs::create_directory(File("folder.ini"));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", File("folder.ini").c_str()));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(WritePrivateProfileStringA("S", nullptr, nullptr, File("folder.ini").c_str()));
  EXPECT_TRUE(fs::is_directory(File("folder.ini")));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", File("no/such/folder.ini").c_str()));
}

// Durable: the replacement's bytes reach the disk before its name replaces the old file's, and
// the folder's new entry after.
TEST_F(ProfileFunctions, AReplacementIsSyncedBeforeItsRenameAndTheFolderAfter) {
  const std::string file = File("station.ini");
  WriteFile(file, "[S]\nK=1\n");
  DiskCallRecorder recorder;
  DiskCallRecorder::Calls().clear();
  ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "2", file.c_str()));
  const std::vector<std::string> calls = DiskCallRecorder::Calls();
  ASSERT_EQ(calls.size(), 3u);
  const std::string temporary = calls[0].substr(5);
  EXPECT_EQ(fs::path(temporary).parent_path(), m_folder);
  EXPECT_EQ(calls[1], "rename " + temporary + " " + file);
  EXPECT_EQ(calls[2], "sync " + m_folder.string());
  EXPECT_EQ(ReadFile(file), "[S]\r\nK=2\r\n");
}

// A folder that refuses new files leaves the file itself to be written in place: synced, without
// a rename, and nothing else made in the folder. A missing file there cannot be made at all.
TEST_F(ProfileFunctions, AFolderThatRefusesNewFilesHasItsWritableFileWrittenInPlace) {
  const std::string file = File("station.ini");
  WriteFile(file, "[S]\nK=1\nOld=a longer line than the new file has\n");
  ::chmod(file.c_str(), 0666);
  DiskCallRecorder recorder;
  DiskCallRecorder::Calls().clear();
  const int result = RunWithReadOnlyFolder([&] {
    if (!WritePrivateProfileStringA("S", "Old", nullptr, file.c_str())) return 1;
    if (DiskCallRecorder::Calls() != std::vector<std::string>{"sync " + file}) return 2;
    return WritePrivateProfileStringA("S", "K", "1", File("missing.ini").c_str()) ? 3 : 0;
  });
  EXPECT_EQ(result, 0) << "1: not written, 2: not synced in place, 3: a missing file was made";
  EXPECT_EQ(ReadFile(file), "[S]\r\nK=1\r\n");
  EXPECT_EQ(FolderListing(), Listing{"station.ini"});
}

}  // namespace
