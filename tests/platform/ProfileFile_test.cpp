#include "platform/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Profile.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class ProfileFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = fs::temp_directory_path() /
               ("profile-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override { fs::remove_all(m_folder); }
  fs::path File(const char* name) const { return m_folder / name; }

  fs::path m_folder;
};

TEST(ProfileFileRead, FollowsWindowsRulesForNamesValuesAndLines) {
  const ProfileFile profile(
      "\xEF\xBB\xBF"
      "orphan=before any section\n"
      "[Station]\r\n"
      "  Name  =  Ward 3  \r\n"
      "name=second of the same name\n"
      "Quoted=\"  padded  \"\n"
      "Single='x'\n"
      "Unpaired=\"x'\n"
      "Lone=\"\n"
      "Empty=\n"
      "no equals sign\n"
      "; note=comment-like key\n"
      "[Broken\n"
      "Other=still in Station, after the unclosed bracket\n"
      "[ station ]\n"
      "Extra=from the second section of the same name\n"
      "[Last]\n"
      "Tail=no final newline");
  const struct {
    const char* section;
    const char* key;
    const char* expected;  // null: missing
  } cases[] = {
      {"Station", "Name", "Ward 3"},
      {"STATION", "nAmE", "Ward 3"},
      {" Station ", " Name ", "Ward 3"},
      {"Station", "Quoted", "  padded  "},
      {"Station", "Single", "x"},
      {"Station", "Unpaired", "\"x'"},
      {"Station", "Lone", "\""},
      {"Station", "Empty", ""},
      {"Station", "no equals sign", nullptr},
      {"Station", "; note", "comment-like key"},
      {"Station", "Extra", nullptr},
      {"Station", "Other", "still in Station, after the unclosed bracket"},
      {"Station", "[Broken", nullptr},
      {"Last", "Tail", "no final newline"},
      {"", "orphan", nullptr},
      {"Missing", "Name", nullptr},
  };
  for (const auto& c : cases) {
    const auto value = profile.Find(c.section, c.key);
    if (c.expected) {
      ASSERT_TRUE(value) << c.section << "/" << c.key;
      EXPECT_EQ(*value, c.expected) << c.section << "/" << c.key;
    } else {
      EXPECT_FALSE(value) << c.section << "/" << c.key;
    }
  }
}

TEST(ProfileFileRead, ReadsIntegersAsGetPrivateProfileIntDoes) {
  const struct {
    const char* value;
    int expected;
  } cases[] = {
      {"42", 42},        {"  -17", -17},      {"+8", 8},          {"0x1F", 31},    {"0XfF", 255},
      {"-0x10", -16},    {"12abc", 12},       {"abc", 0},         {"0x", 0},       {"0xG", 0},
      {"\"25\"", 25},    {"4294967295", -1},  {"4294967296", 0},  {"2147483648", INT32_MIN},
      {"", -5},          {"\"\"", -5},        {"  ", -5},         {"- 3", 0},
  };
  for (const auto& c : cases) {
    const ProfileFile profile(std::string("[S]\nK=") + c.value + "\n");
    EXPECT_EQ(profile.FindInt("S", "K", -5), c.expected) << '"' << c.value << '"';
  }
  EXPECT_EQ(ProfileFile("[S]\n").FindInt("S", "K", 77), 77);
}

TEST(ProfileFileWrite, EditsInPlaceAppendsAndKeepsForeignLines) {
  ProfileFile profile(
      "; station settings\n"
      "[A]\n"
      "Key = old\n"
      "key=duplicate stays\n"
      "\n"
      "Unknown=kept\n"
      "[B]\r\n"
      "garbage line\r\n"
      "[a]\n"
      "Key=second section of the name\n");
  EXPECT_TRUE(profile.Set("a", "KEY", "new"));
  EXPECT_TRUE(profile.Set("A", "Added", "1"));
  EXPECT_TRUE(profile.Set("A", "added", "2"));
  EXPECT_TRUE(profile.Set("C", "First", "x"));
  EXPECT_TRUE(profile.Set("c", "Second", "\"quoted\""));
  EXPECT_EQ(profile.Serialize(),
            "; station settings\r\n"
            "[A]\r\n"
            "Key=new\r\n"
            "key=duplicate stays\r\n"
            "\r\n"
            "Unknown=kept\r\n"
            "Added=2\r\n"
            "[B]\r\n"
            "garbage line\r\n"
            "[a]\r\n"
            "Key=second section of the name\r\n"
            "[C]\r\n"
            "First=x\r\n"
            "Second=\"quoted\"\r\n");
  EXPECT_EQ(*profile.Find("A", "key"), "new");
  EXPECT_EQ(*profile.Find("A", "ADDED"), "2");
  EXPECT_EQ(*profile.Find("C", "second"), "quoted");
}

TEST(ProfileFileWrite, RefusesWhatWouldNotReadBackAsWritten) {
  ProfileFile profile("[S]\nK=1\n");
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } refused[] = {
      {"", "K", "v"},          {"S", "", "v"},        {"S", "  ", "v"},    {"S\n[T]", "K", "v"},
      {"S", "K\rX", "v"},       {"S", "K", "a\nX=1"},  {"S", "a=b", "v"},   {"S", "[T]", "v"},
      {"S", "K", std::string("a\0b", 3)},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(profile.Set(c.section, c.key, c.value)) << c.section << "/" << c.key;
  }
  EXPECT_EQ(profile.Serialize(), "[S]\r\nK=1\r\n");
}

TEST_F(ProfileFunctions, ReadAndWriteAStandardFile) {
  const std::string file = File("Maternis.ini").string();
  EXPECT_EQ(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, file.c_str()), 3u);
  EXPECT_TRUE(WritePrivateProfileStringA("CENTRAL_DEFAULT", "Language", "5", file.c_str()));
  EXPECT_TRUE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Hospital Name", "St. Nowhere", file.c_str()));
  EXPECT_EQ(ReadBytes(file), "[CENTRAL_DEFAULT]\r\nLanguage=5\r\n[CENTRAL_SYSTEM]\r\nHospital Name=St. Nowhere\r\n");
  EXPECT_EQ(GetPrivateProfileIntA("central_default", "LANGUAGE", 3, file.c_str()), 5u);

  char buffer[8];
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Hospital Name", "", buffer, sizeof buffer, file.c_str()), 7u);
  EXPECT_STREQ(buffer, "St. Now");
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Missing", "dflt  ", buffer, sizeof buffer, file.c_str()), 4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(GetPrivateProfileStringA("CENTRAL_SYSTEM", "Missing", nullptr, buffer, sizeof buffer, file.c_str()), 0u);
  EXPECT_STREQ(buffer, "");

  EXPECT_FALSE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Hospital Name", nullptr, file.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Bad", "two\nlines", file.c_str()));
  EXPECT_EQ(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, File("missing.ini").c_str()), 3u);
}

TEST_F(ProfileFunctions, AWriteReplacesTheFileKeepingPermissionsAndLeavesNoTemporary) {
  const fs::path file = File("station.ini");
  WriteBytes(file, "[S]\nK=1\n");
  ::chmod(file.c_str(), 0640);
  const fs::path link = File("link.ini");
  fs::create_symlink(file, link);
  EXPECT_TRUE(WritePrivateProfileStringA("S", "K", "2", link.c_str()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(file), "[S]\r\nK=2\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 2);
}

TEST_F(ProfileFunctions, AFileThatCannotBeReadIsNeverWrittenOver) {
  const fs::path folderInPlace = File("folder.ini");
  fs::create_directory(folderInPlace);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", folderInPlace.c_str()));
  EXPECT_TRUE(fs::is_directory(folderInPlace));

  const fs::path noFolder = File("no/such/folder.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", noFolder.c_str()));
  EXPECT_FALSE(fs::exists(noFolder));
}

}  // namespace
