#include "config/ObexConfig.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ConfigScratch.h"
#include "platform/Profile.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDataFolder = nullptr;  // the "Data" folder beside the program

// Every key of "Maternis.ini" in the order of reading and writing, with its member, the record's
// default and the default that a read takes when the key is missing.
struct StoredKey {
  StoredKey(const char* s, const char* k, int ObexConfig::*m, int record, int read)
      : section(s), key(k), number(m), recordDefault(record), readDefault(read) {}
  StoredKey(const char* s, const char* k, CString ObexConfig::*m, const char* def)
      : section(s), key(k), text(m), textDefault(def) {}
  std::string Stored(ObexConfig& config) const { return number ? std::to_string(config.*number) : (config.*text).str(); }
  std::string Default(bool afterRead) const {
    if (number) return std::to_string(afterRead ? readDefault : recordDefault);
    return textDefault ? textDefault : DataFolderBesideProgram();
  }

  const char *section, *key;
  int ObexConfig::*number = nullptr;
  int recordDefault = 0, readDefault = 0;
  CString ObexConfig::*text = nullptr;
  const char* textDefault = nullptr;
};

const StoredKey kStoredKeys[] = {
    {"CENTRAL_DEMO", "Window Mode", &ObexConfig::m_nWindowMode, 0, 0},
    {"CENTRAL_DEMO", "Demo Mode", &ObexConfig::m_nDemoMode, 0, 0},
    {"CENTRAL_DEFAULT", "Data Path", &ObexConfig::m_strDataPath, kDataFolder},
    {"CENTRAL_DEFAULT", "Auto Record Stop", &ObexConfig::m_nAutoRecordStop, 0, 0},
    {"CENTRAL_DEFAULT", "Display Mode", &ObexConfig::m_nDisplayMode, 0, 0},
    {"CENTRAL_DEFAULT", "Save Display Mode", &ObexConfig::m_nSaveDisplayMode, 0, 0},
    {"CENTRAL_DEFAULT", "Top Graph", &ObexConfig::m_nTopGraph, 1, 1},
    {"CENTRAL_DEFAULT", "Bottom Graph", &ObexConfig::m_nBottomGraph, 2, 2},
    {"CENTRAL_DEFAULT", "Language", &ObexConfig::m_nLanguage, 3, 3},
    {"CENTRAL_DEFAULT", "Height Unit", &ObexConfig::m_nHeightUnit, 1, 1},
    {"CENTRAL_DEFAULT", "Weight Unit", &ObexConfig::m_nWeightUnit, 1, 1},
    {"CENTRAL_DEFAULT", "NIBP Unit", &ObexConfig::m_nNIBPUnit, 1, 1},
    {"CENTRAL_DEFAULT", "Temp Unit", &ObexConfig::m_nTempUnit, 1, 1},
    {"CENTRAL_DEFAULT", "Sweep Speed", &ObexConfig::m_nSweepSpeed, 3, 3},
    {"CENTRAL_DEFAULT", "Trend Speed", &ObexConfig::m_nTrendSpeed, 3, 3},
    {"CENTRAL_DEFAULT", "ECG Gain", &ObexConfig::m_nECGGain, 3, 3},
    {"CENTRAL_DEFAULT", "FECG Gain", &ObexConfig::m_nFECGGain, 3, 3},
    {"CENTRAL_DEFAULT", "Record Limit", &ObexConfig::m_nRecordLimit, 0, 0},
    {"CENTRAL_DEFAULT", "All Alarm Sound", &ObexConfig::m_nAllAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "Device Position Fix", &ObexConfig::m_nDevicePositionFix, 0, 0},
    {"CENTRAL_DEFAULT", "Record On Admit", &ObexConfig::m_nRecordOnAdmit, 0, 0},
    {"CENTRAL_DEFAULT", "FHR1 Delay Time", &ObexConfig::m_nFHR1DelayTime, 0, 0},
    {"CENTRAL_DEFAULT", "FHR2 Delay Time", &ObexConfig::m_nFHR2DelayTime, 0, 0},
    {"CENTRAL_DEFAULT", "FHR1 Alarm Sound", &ObexConfig::m_nFHR1AlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "FHR2 Alarm Sound", &ObexConfig::m_nFHR2AlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "FECG Alarm Sound", &ObexConfig::m_nFECGAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "FSpO2 Alarm Sound", &ObexConfig::m_nFSpO2AlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "ECG Alarm Sound", &ObexConfig::m_nECGAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "SpO2 Alarm Sound", &ObexConfig::m_nSpO2AlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "NIBP Alarm Sound", &ObexConfig::m_nNIBPAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "TEMP Alarm Sound", &ObexConfig::m_nTEMPAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "UC Alarm Sound", &ObexConfig::m_nUCAlarmSound, 1, 1},
    {"CENTRAL_DEFAULT", "IUP Alarm Sound", &ObexConfig::m_nIUPAlarmSound, 1, 1},
    {"CENTRAL_SYSTEM", "Broker IP", &ObexConfig::m_nBrokerIP, 0, 0},
    {"CENTRAL_SYSTEM", "Broker Port", &ObexConfig::m_nBrokerPort, 4500, 0},
    {"CENTRAL_SYSTEM", "EMR Data Path", &ObexConfig::m_strEMRDataPath, kDataFolder},
    {"CENTRAL_SYSTEM", "EMR Program Path", &ObexConfig::m_strEMRProgramPath, kDataFolder},
    {"CENTRAL_SYSTEM", "EMR Image Type", &ObexConfig::m_nEMRImageType, 0, 0},
    {"CENTRAL_SYSTEM", "Hospital Name", &ObexConfig::m_strHospitalName, "MY HOSPITAL"},
    {"CENTRAL_SYSTEM", "Serial Name1", &ObexConfig::m_nSerialName1, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name2", &ObexConfig::m_nSerialName2, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name3", &ObexConfig::m_nSerialName3, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name4", &ObexConfig::m_nSerialName4, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name5", &ObexConfig::m_nSerialName5, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name6", &ObexConfig::m_nSerialName6, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name7", &ObexConfig::m_nSerialName7, 0, 0},
    {"CENTRAL_SYSTEM", "Serial Name8", &ObexConfig::m_nSerialName8, 0, 0},
    {"CENTRAL_COLOR", "Graph Background", &ObexConfig::m_nGraphBackground, 0, 0},
    {"CENTRAL_COLOR", "Param Background", &ObexConfig::m_nParamBackground, 0, 0},
    {"CENTRAL_COLOR", "Graph Text", &ObexConfig::m_nGraphText, 0, 0},
    {"CENTRAL_COLOR", "Param Text", &ObexConfig::m_nParamText, 0, 0},
    {"CENTRAL_COLOR", "Graph FHR1", &ObexConfig::m_nGraphFHR1, 0, 0},
    {"CENTRAL_COLOR", "Graph FHR2", &ObexConfig::m_nGraphFHR2, 0, 0},
    {"CENTRAL_COLOR", "Graph FECG", &ObexConfig::m_nGraphFECG, 0, 0},
    {"CENTRAL_COLOR", "Graph FSpO2", &ObexConfig::m_nGraphFSpO2, 0, 0},
    {"CENTRAL_COLOR", "Graph Normal FHR", &ObexConfig::m_nGraphNormalFHR, 0, 0},
    {"CENTRAL_COLOR", "Graph HR", &ObexConfig::m_nGraphHR, 0, 0},
    {"CENTRAL_COLOR", "Graph SpO2", &ObexConfig::m_nGraphSpO2, 0, 0},
    {"CENTRAL_COLOR", "Graph NIBP", &ObexConfig::m_nGraphNIBP, 0, 0},
    {"CENTRAL_COLOR", "Graph TEMP", &ObexConfig::m_nGraphTEMP, 0, 0},
    {"CENTRAL_COLOR", "Graph UC", &ObexConfig::m_nGraphUC, 0, 0},
    {"CENTRAL_COLOR", "Grid Outer", &ObexConfig::m_nGridOuter, 0, 0},
    {"CENTRAL_COLOR", "Grid Outer Style", &ObexConfig::m_nGridOuterStyle, 0, 0},
    {"CENTRAL_COLOR", "Grid Inner", &ObexConfig::m_nGridInner, 0, 0},
    {"CENTRAL_COLOR", "Grid Inner Style", &ObexConfig::m_nGridInnerStyle, 0, 0},
    {"CENTRAL_COLOR", "Grid Center", &ObexConfig::m_nGridCenter, 0, 0},
    {"CENTRAL_COLOR", "Grid Center Style", &ObexConfig::m_nGridCenterStyle, 0, 0},
    {"CENTRAL_COLOR", "Event", &ObexConfig::m_nEvent, 0, 0},
    {"CENTRAL_COLOR", "Event Maker", &ObexConfig::m_nEventMaker, 0, 0},
    {"CENTRAL_COLOR", "Event Stimulator", &ObexConfig::m_nEventStimulator, 0, 0},
    {"CENTRAL_SYSTEM", "Doctor ID", &ObexConfig::m_strDoctorID, ""},
    {"CENTRAL_SYSTEM", "Doctor Name", &ObexConfig::m_strDoctorName, ""},
    {"CENTRAL_SYSTEM", "Nurse ID", &ObexConfig::m_strNurseID, ""},
    {"CENTRAL_SYSTEM", "Nurse Name", &ObexConfig::m_strNurseName, ""},
    {"REVIEW_DEFAULT", "Review Sweep Speed", &ObexConfig::m_nReviewSweepSpeed, 3, 3},
    {"REVIEW_DEFAULT", "Review Trend Speed", &ObexConfig::m_nReviewTrendSpeed, 3, 3},
    {"REVIEW_DEFAULT", "Review ECG Gain", &ObexConfig::m_nReviewECGGain, 3, 3},
    {"REVIEW_DEFAULT", "Review FECG Gain", &ObexConfig::m_nReviewFECGGain, 3, 3},
    {"REVIEW_COLOR", "Review Graph Background", &ObexConfig::m_nReviewGraphBackground, 0, 0},
    {"REVIEW_COLOR", "Review Param Background", &ObexConfig::m_nReviewParamBackground, 0, 0},
    {"REVIEW_COLOR", "Review Graph Text", &ObexConfig::m_nReviewGraphText, 0, 0},
    {"REVIEW_COLOR", "Review Param Text", &ObexConfig::m_nReviewParamText, 0, 0},
    {"REVIEW_COLOR", "Review Graph FHR1", &ObexConfig::m_nReviewGraphFHR1, 0, 0},
    {"REVIEW_COLOR", "Review Graph FHR2", &ObexConfig::m_nReviewGraphFHR2, 0, 0},
    {"REVIEW_COLOR", "Review Graph FECG", &ObexConfig::m_nReviewGraphFECG, 0, 0},
    {"REVIEW_COLOR", "Review Graph FSpO2", &ObexConfig::m_nReviewGraphFSpO2, 0, 0},
    {"REVIEW_COLOR", "Review Graph Normal FHR", &ObexConfig::m_nReviewGraphNormalFHR, 0, 0},
    {"REVIEW_COLOR", "Review Graph HR", &ObexConfig::m_nReviewGraphHR, 0, 0},
    {"REVIEW_COLOR", "Review Graph SpO2", &ObexConfig::m_nReviewGraphSpO2, 0, 0},
    {"REVIEW_COLOR", "Review Graph NIBP", &ObexConfig::m_nReviewGraphNIBP, 0, 0},
    {"REVIEW_COLOR", "Review Graph TEMP", &ObexConfig::m_nReviewGraphTEMP, 0, 0},
    {"REVIEW_COLOR", "Review Graph UC", &ObexConfig::m_nReviewGraphUC, 0, 0},
    {"REVIEW_COLOR", "Review Grid Outer", &ObexConfig::m_nReviewGridOuter, 0, 0},
    {"REVIEW_COLOR", "Review Grid Outer Style", &ObexConfig::m_nReviewGridOuterStyle, 0, 0},
    {"REVIEW_COLOR", "Review Grid Inner", &ObexConfig::m_nReviewGridInner, 0, 0},
    {"REVIEW_COLOR", "Review Grid Inner Style", &ObexConfig::m_nReviewGridInnerStyle, 0, 0},
    {"REVIEW_COLOR", "Review Event", &ObexConfig::m_nReviewEvent, 0, 0},
    {"REVIEW_COLOR", "Review Event Maker", &ObexConfig::m_nReviewEventMaker, 0, 0},
    {"REVIEW_COLOR", "Review Event Stimulator", &ObexConfig::m_nReviewEventStimulator, 0, 0},
    {"REVIEW_COLOR", "Review Event UCZeroing", &ObexConfig::m_nReviewEventUCZeroing, 0, 0},
};

constexpr int ObexConfig::*kDisplayFlags[] = {
    &ObexConfig::m_bVisible0,      &ObexConfig::m_bVisibleECG,        &ObexConfig::m_bVisibleSpO2,
    &ObexConfig::m_bVisibleSpO2PR, &ObexConfig::m_bVisibleTemp,       &ObexConfig::m_bVisibleNIBP,
    &ObexConfig::m_bVisibleUC,     &ObexConfig::m_bVisibleIUP,        &ObexConfig::m_bVisibleFECG,
    &ObexConfig::m_bVisibleFHR1,   &ObexConfig::m_bVisibleFHR2,       &ObexConfig::m_bVisibleFSpO2,
    &ObexConfig::m_bVisibleFSpO2PR, &ObexConfig::m_bVisibleFM1,       &ObexConfig::m_bVisibleFM2,
    &ObexConfig::m_bVisibleMarker, &ObexConfig::m_bVisibleStimulator, &ObexConfig::m_bVisible17,
};

// Gives the stored member of row r the value `first` + `step` * r (texts "text N"), and the data
// path an existing folder.
void Fill(ObexConfig& config, int first, int step, const fs::path& dataFolder) {
  for (const StoredKey& key : kStoredKeys) {
    if (key.number) config.*key.number = first;
    if (key.text) config.*key.text = CString(("text " + std::to_string(first)).c_str());
    first += step;
  }
  config.m_strDataPath = dataFolder.c_str();
}

TEST(ObexConfigRecord, DefaultsCopyAssignmentAndResetFollowTheirRules) {
  ObexConfig source;
  for (const StoredKey& key : kStoredKeys) EXPECT_EQ(key.Stored(source), key.Default(false)) << key.key;
  for (int ObexConfig::*flag : kDisplayFlags) EXPECT_EQ(source.*flag, 1);
  Fill(source, 1000, 1, fs::temp_directory_path());
  int value = 1;
  for (int ObexConfig::*flag : kDisplayFlags) source.*flag = ++value;

  ObexConfig copy(source);
  ObexConfig assigned;
  EXPECT_EQ(&(assigned = source), &assigned);
  for (std::size_t row = 0; row < std::size(kStoredKeys); ++row) {
    const StoredKey& key = kStoredKeys[row];
    EXPECT_EQ(key.Stored(copy), key.Stored(source)) << key.key;
    const bool alarmSound = row >= 23 && row < 33;  // the ten switches keep the destination's value
    EXPECT_EQ(key.Stored(assigned), alarmSound ? "1" : key.Stored(source)) << key.key;
  }
  for (int ObexConfig::*flag : kDisplayFlags) {
    EXPECT_EQ(copy.*flag, source.*flag);
    EXPECT_EQ(assigned.*flag, 1);
  }

  copy.Default();  // all but the doctor and nurse texts (default empty) go back
  for (const StoredKey& key : kStoredKeys) {
    const bool staff = key.textDefault && !*key.textDefault;
    EXPECT_EQ(key.Stored(copy), staff ? key.Stored(source) : key.Default(false)) << key.key;
  }
  for (int ObexConfig::*flag : kDisplayFlags) EXPECT_EQ(copy.*flag, 1);
}

TEST(ObexConfigRecord, IsVisibleFollowsTheParameterNumbering) {
  ObexConfig config;
  int value = 100;
  for (int ObexConfig::*flag : kDisplayFlags) config.*flag = ++value;  // 101 for m_bVisible0 ... 118
  const struct {
    int kind;
    int expected;
  } cases[] = {
      {0, 0},     {1, 102},  {2, 103},  {3, 104},  {4, 105},  {5, 106},  {6, 107},  {7, 108},
      {8, 109},   {9, 112},  {10, 113}, {11, 110}, {12, 111}, {13, 114}, {14, 115}, {15, 114},
      {16, 115},  {17, 116}, {18, 117}, {19, 1},   {20, 0},   {-1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(config.IsVisible(c.kind), c.expected) << "kind " << c.kind;
  for (int ObexConfig::*flag : kDisplayFlags) config.*flag = 0;
  EXPECT_EQ(config.IsVisible(19), 1);
}

TEST_F(ConfigScratch, SaveWritesEveryKeyGroupedBySectionAndOpenReadsItBack) {
  const std::string file = File("Maternis.ini");
  ObexConfig saved;
  Fill(saved, 1000, 1, m_folder);
  ASSERT_EQ(saved.Save(file.c_str()), 1);

  // One header per section, in the order of first writing; keys in writing order within it.
  std::vector<std::pair<std::string, std::string>> sections;
  for (const StoredKey& key : kStoredKeys) {
    auto section = std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return s.first == key.section; });
    if (section == sections.end()) section = sections.insert(sections.end(), {key.section, ""});
    section->second += std::string(key.key) + "=" + key.Stored(saved) + "\r\n";
  }
  std::string expected;
  for (const auto& [section, lines] : sections) expected += "[" + section + "]\r\n" + lines;
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, file.c_str())),
            saved.m_nLanguage);

  ObexConfig opened;
  opened.m_bVisibleECG = 0;
  ASSERT_EQ(opened.Open(file.c_str()), 1);
  for (const StoredKey& key : kStoredKeys) EXPECT_EQ(key.Stored(opened), key.Stored(saved)) << key.key;
  EXPECT_EQ(opened.m_bVisibleECG, 0);
}

TEST_F(ConfigScratch, OpenTakesTheReadDefaultsForWhatTheFileLacksAndAMissingFileNothing) {
  ObexConfig config;
  Fill(config, 1000, 1, m_folder);
  ObexConfig before(config);
  EXPECT_EQ(config.Open(File("missing.ini").c_str()), 0);
  for (const StoredKey& key : kStoredKeys) EXPECT_EQ(key.Stored(config), key.Stored(before)) << key.key;

  WriteFile(File("empty.ini"), "");
  config.m_bVisibleFHR2 = 0;
  ASSERT_EQ(config.Open(File("empty.ini").c_str()), 1);
  for (const StoredKey& key : kStoredKeys) EXPECT_EQ(key.Stored(config), key.Default(true)) << key.key;
  EXPECT_EQ(config.m_bVisibleFHR2, 0);

  WriteFile(File("paths.ini"), "[CENTRAL_DEFAULT]\nData Path=/no/such/station\n[CENTRAL_SYSTEM]\nEMR Data Path=/no/such/emr\n");
  ASSERT_EQ(config.Open(File("paths.ini").c_str()), 1);
  EXPECT_EQ(config.m_strDataPath.str(), DataFolderBesideProgram());
  EXPECT_EQ(config.m_strEMRDataPath, "/no/such/emr");
}

TEST_F(ConfigScratch, SaveCreatesTheFileAndFailsWhenItCannotBeCreated) {
  ObexConfig config;
  config.m_nLanguage = 5;
  const std::string nested = File("station/settings/Maternis.ini");
  ASSERT_EQ(config.Save(nested.c_str()), 1);
  EXPECT_EQ(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, nested.c_str()), 5u);
  WriteFile(File("plain-file"), "");
  EXPECT_EQ(config.Save(File("plain-file/Maternis.ini").c_str()), 0);
  EXPECT_FALSE(fs::exists(File("plain-file/Maternis.ini")));
}

TEST_F(ConfigScratch, AProcessKilledWhileSavingLeavesTheOldFileOrTheNewOneWhole) {
  const std::string file = File("Maternis.ini");
  ObexConfig record;
  Fill(record, 1, 0, m_folder);
  ASSERT_EQ(record.Save(file.c_str()), 1);
  std::mt19937 random(20240611);
  int lastRound = 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  for (int kill = 0; kill < 40 && std::chrono::steady_clock::now() < deadline; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    for (int round = lastRound + 1; child == 0; ++round) {  // the child saves round after round until killed
      Fill(record, round, 0, m_folder);
      record.Save(file.c_str());
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);

    // The file parses and every one of the 100 keys is from the same round, the old or a newer one.
    ObexConfig opened, expected;
    ASSERT_EQ(opened.Open(file.c_str()), 1) << "kill " << kill;
    EXPECT_GE(opened.m_nLanguage, lastRound) << "kill " << kill;
    lastRound = opened.m_nLanguage;
    Fill(expected, lastRound, 0, m_folder);
    for (const StoredKey& key : kStoredKeys) EXPECT_EQ(key.Stored(opened), key.Stored(expected)) << key.key;
  }
  EXPECT_GT(lastRound, 1) << "no save finished before a kill";
}

TEST_F(ConfigScratch, HostileFilesOpenWithoutHarmAndStillYieldTheirGoodKeys) {
  std::string binary;
  for (int i = 0; i < 64 * 1024; ++i) binary += static_cast<char>((i * 7919) % 256);
  const std::string megabyte(1 << 20, 'x');
  std::string fiftyMegabytes;
  while (fiftyMegabytes.size() < 50u << 20) fiftyMegabytes += std::string(999, 'g') + "\n";
  const struct {
    const char* what;
    std::string bytes;
    int hospitalLength;
  } files[] = {
      {"binary garbage", binary, 11},
      {"NUL bytes", std::string("[CENTRAL_DEFAULT]\0Language=9\n\0\0\0=\0\n", 33), 11},
      {"a megabyte line", "[CENTRAL_DEFAULT]\n" + megabyte + "\nLanguage" + megabyte + "=1\n", 11},
      {"a megabyte value", "[CENTRAL_SYSTEM]\nHospital Name=" + megabyte + "\n", 1 << 20},
      {"unclosed section", "[CENTRAL_DEFAULT\nLanguage=9\n[CENTRAL_SYSTEM\nBroker Port=9\n", 11},
      {"keys without =", "[CENTRAL_DEFAULT]\nLanguage\nLanguage 9\n[CENTRAL_SYSTEM]\nBroker Port\n", 11},
      {"50 MB of long lines", fiftyMegabytes, 11},
  };
  for (const auto& file : files) {
    WriteFile(File("Maternis.ini"), file.bytes + "\n[CENTRAL_COLOR]\nGraph UC=7\n");
    ObexConfig config;
    ASSERT_EQ(config.Open(File("Maternis.ini").c_str()), 1) << file.what;
    EXPECT_EQ(config.m_nGraphUC, 7) << file.what;
    EXPECT_EQ(config.m_nLanguage, 3) << file.what;
    EXPECT_EQ(config.m_nBrokerPort, 0) << file.what;
    EXPECT_EQ(config.m_strHospitalName.GetLength(), file.hospitalLength) << file.what;
  }
}

}  // namespace
