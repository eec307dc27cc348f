#include "qnutil/QnIni.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigScratch.h"
#include "platform/Profile.h"
#include "qnutil/QnGF.h"

namespace {

namespace fs = std::filesystem;

using QnIniFile = ConfigScratch;

int ProfileInt(const char* section, const char* key, const std::string& file) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, -1, file.c_str()));
}

TEST_F(QnIniFile, AWriteReachesTheFileAtOnceAndEveryReaderSeesIt) {
  const std::string file = File("station.ini");
  WriteFile(file, "# kept\n[CENTRAL_DEFAULT]\nLanguage=5\nData Path='/data'\n");
  QnIni first, second;
  EXPECT_EQ(first.SetIni(file.c_str()), 1);
  EXPECT_EQ(second.SetIni(file.c_str()), 1);
  EXPECT_EQ(first.ReadInt("CENTRAL_DEFAULT", "Language", 3), 5);
  EXPECT_EQ(first.ReadString("central_default", "data path", nullptr), "/data");
  EXPECT_EQ(first.ReadString("CENTRAL_DEFAULT", "Missing", nullptr), "");
  EXPECT_EQ(first.ReadInt("CENTRAL_DEFAULT", "Missing", -7), -7);

  EXPECT_EQ(first.WriteInt("CENTRAL_DEFAULT", "Language", -12), 1);
  EXPECT_EQ(ProfileInt("CENTRAL_DEFAULT", "Language", file), -12);  // no Flush, no destructor
  EXPECT_EQ(second.ReadInt("CENTRAL_DEFAULT", "Language", 3), -12);
  ASSERT_TRUE(WritePrivateProfileStringA("CENTRAL_SYSTEM", "Broker Port", "4600", file.c_str()));
  EXPECT_EQ(first.ReadInt("CENTRAL_SYSTEM", "Broker Port", 0), 4600);
  EXPECT_EQ(second.WriteString("CENTRAL_SYSTEM", "Hospital Name", "St. Nowhere\r\nWard\n3\rEast"), 1);
  EXPECT_EQ(first.WriteString("CENTRAL_SYSTEM", "Bad\nKey", "x"), 0);
  EXPECT_EQ(ReadFile(file),
            "# kept\r\n[CENTRAL_DEFAULT]\r\nLanguage=-12\r\nData Path='/data'\r\n"
            "[CENTRAL_SYSTEM]\r\nBroker Port=4600\r\nHospital Name=St. Nowhere Ward 3 East\r\n");
}

// A batch reaches the file at Flush, at SetIni of another file or at the destructor, merged into
// what others wrote meanwhile.
TEST_F(QnIniFile, ABatchIsMergedIntoTheFileAsItStandsWhenItEnds) {
  const std::string first = File("first.ini"), second = File("second.ini");
  {
    QnIni ini;
    ini.SetIni(first.c_str());
    ini.BeginBatch();
    EXPECT_EQ(ini.WriteInt("S", "Mine", 1), 1);
    EXPECT_EQ(ini.ReadInt("S", "Mine", 0), 1);
    EXPECT_FALSE(fs::exists(first));
    ASSERT_TRUE(WritePrivateProfileStringA("S", "Theirs", "2", first.c_str()));
    EXPECT_EQ(ini.ReadInt("S", "Theirs", 0), 2);
    EXPECT_EQ(ini.ReadInt("S", "Mine", 0), 1);
    EXPECT_EQ(ini.SetIni(second.c_str()), 1);
    EXPECT_EQ(ReadFile(first), "[S]\r\nTheirs=2\r\nMine=1\r\n");
    ini.BeginBatch();
    ini.WriteString("T", "Last", "3");
    EXPECT_FALSE(fs::exists(second));
  }
  EXPECT_EQ(ReadFile(second), "[T]\r\nLast=3\r\n");
}

TEST_F(QnIniFile, WithoutWritesNoFileIsTouchedAndWhatIsNoRegularFileIsRefusedAtOnce) {
  {
    QnIni ini;
    ini.SetIni(File("missing.ini").c_str());
    EXPECT_EQ(ini.ReadInt("S", "K", 4), 4);
  }
  EXPECT_TRUE(fs::is_empty(m_folder));
  fs::create_directory(File("folder.ini"));
  ASSERT_EQ(::mkfifo(File("pipe.ini").c_str(), 0666), 0);
  for (const char* name : {"folder.ini", "pipe.ini"}) {  // a pipe without a writer would block a plain open
    QnIni ini;
    EXPECT_EQ(ini.SetIni(File(name).c_str()), 0) << name;
    EXPECT_EQ(ini.ReadInt("S", "K", 4), 4) << name;
    EXPECT_EQ(ini.WriteInt("S", "K", 1), 0) << name;
    EXPECT_EQ(ini.Flush(), 1) << name;
  }
  EXPECT_TRUE(fs::is_directory(File("folder.ini")));
  EXPECT_TRUE(fs::is_fifo(File("pipe.ini")));
}

// "K<writer>-<key>", built by appending: GCC 12 takes "K" + std::to_string(...) for an
// overlapping copy (-Wrestrict) in an optimised build.
std::string KeyName(int writer, int key) {
  std::string name = "K";
  name.append(std::to_string(writer)).append("-").append(std::to_string(key));
  return name;
}

// Threads of one process take turns as processes do: each writer's keys survive the others'.
TEST_F(QnIniFile, WritersInContentionLoseNoKey) {
  const std::string file = File("shared.ini");
  constexpr int kKeys = 20;
  const auto writer = [&](int id) {
    QnIni ini;
    ini.SetIni(file.c_str());
    for (int key = 0; key < kKeys; ++key) {
      const std::string name = KeyName(id, key);
      if (id == 0) {
        WritePrivateProfileStringA("S", name.c_str(), std::to_string(key).c_str(), file.c_str());
      } else {
        ini.WriteInt("S", name.c_str(), key);
      }
    }
  };
  std::vector<std::thread> writers;
  for (int id = 0; id < 3; ++id) writers.emplace_back(writer, id);
  for (std::thread& thread : writers) thread.join();
  for (int id = 0; id < 3; ++id) {
    for (int key = 0; key < kKeys; ++key) {
      EXPECT_EQ(ProfileInt("S", KeyName(id, key).c_str(), file), key);
    }
  }
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
