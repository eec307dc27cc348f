#include "qnutil/QnIni.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/ConfigScratch.h"
#include "platform/Profile.h"
#include "qnutil/QnGF.h"

namespace {

namespace fs = std::filesystem;

using QnIniFile = ConfigScratch;

TEST_F(QnIniFile, ReadsOnceAndWritesEverythingInOneReplacementAtFlush) {
  const std::string file = File("station.ini");
  WriteFile(file, "# kept\n[CENTRAL_DEFAULT]\nLanguage=5\nData Path='/data'\n");
  {
    QnIni ini;
    EXPECT_EQ(ini.SetIni(file.c_str()), 1);
    WriteFile(file, "[CENTRAL_DEFAULT]\nLanguage=9\n");  // read once: later changes are not seen
    EXPECT_EQ(ini.ReadInt("CENTRAL_DEFAULT", "Language", 3), 5);
    EXPECT_EQ(ini.ReadString("central_default", "data path", nullptr), "/data");
    EXPECT_EQ(ini.ReadString("CENTRAL_DEFAULT", "Missing", nullptr), "");
    EXPECT_EQ(ini.ReadInt("CENTRAL_DEFAULT", "Missing", -7), -7);
    EXPECT_EQ(ini.WriteInt("CENTRAL_DEFAULT", "Language", -12), 1);
    EXPECT_EQ(ini.WriteString("CENTRAL_SYSTEM", "Hospital Name", "St. Nowhere"), 1);
    EXPECT_EQ(ini.WriteString("CENTRAL_SYSTEM", "Bad", "two\nlines"), 0);
    EXPECT_EQ(ini.ReadInt("CENTRAL_DEFAULT", "Language", 3), -12);
    EXPECT_EQ(ReadFile(file), "[CENTRAL_DEFAULT]\nLanguage=9\n");  // nothing written yet
  }  // the destructor flushes
  EXPECT_EQ(ReadFile(file),
            "# kept\r\n[CENTRAL_DEFAULT]\r\nLanguage=-12\r\nData Path='/data'\r\n"
            "[CENTRAL_SYSTEM]\r\nHospital Name=St. Nowhere\r\n");
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, file.c_str())), -12);
}

TEST_F(QnIniFile, WithoutWritesNoFileIsTouchedAndAnUnreadableFileIsNeverReplaced) {
  {
    QnIni ini;
    ini.SetIni(File("missing.ini").c_str());
    EXPECT_EQ(ini.ReadInt("S", "K", 4), 4);
  }
  EXPECT_FALSE(fs::exists(File("missing.ini")));
  fs::create_directory(File("folder.ini"));
  QnIni ini;
  EXPECT_EQ(ini.SetIni(File("folder.ini").c_str()), 0);
  EXPECT_EQ(ini.WriteInt("S", "K", 1), 0);
  EXPECT_EQ(ini.Flush(), 1);
  EXPECT_TRUE(fs::is_directory(File("folder.ini")));
}

TEST_F(QnIniFile, GeneralFunctionsFindTheProgramFolderAndTestFiles) {
  EXPECT_EQ(QnGF::MakePath(nullptr, "Maternis.ini"), (fs::canonical("/proc/self/exe").parent_path() / "Maternis.ini").c_str());
  EXPECT_EQ(QnGF::MakePath("/station/", "Data"), "/station/Data");
  const std::string file = File("a/b/Maternis.ini");
  EXPECT_EQ(QnGF::IsFile(file.c_str()), 0);
  EXPECT_EQ(QnGF::CreateFileA(file.c_str(), 1, 1), 0);  // its folders are made too
  EXPECT_EQ(QnGF::IsFile(file.c_str()), 1);
  WriteFile(file, "kept");
  EXPECT_EQ(QnGF::CreateFileA(file.c_str(), 1, 1), 0);
  EXPECT_EQ(ReadFile(file), "kept");
  EXPECT_EQ(QnGF::IsFile(File("a").c_str()), 0);
  EXPECT_EQ(QnGF::IsExist(File("a").c_str()), 1);
  EXPECT_EQ(QnGF::IsExist(File("none").c_str()), 0);
}

}  // namespace
