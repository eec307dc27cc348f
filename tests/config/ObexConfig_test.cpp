#include "config/ObexConfig.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "ConfigScratch.h"
#include "platform/Profile.h"
#include "platform/ProfileFile.h"

namespace {

namespace fs = std::filesystem;

// The file that a new record saves: every key in the order of writing, under its section, with
// the record's factory default ("@DATA": the "Data" folder beside the program). The doctor and
// nurse keys, written in a second stretch of "CENTRAL_SYSTEM", land in its one section.
constexpr const char* kFactoryFile = R"([CENTRAL_DEMO]
Window Mode=0
Demo Mode=0
[CENTRAL_DEFAULT]
Data Path=@DATA
Auto Record Stop=0
Display Mode=0
Save Display Mode=0
Top Graph=1
Bottom Graph=2
Language=3
Height Unit=1
Weight Unit=1
NIBP Unit=1
Temp Unit=1
Sweep Speed=3
Trend Speed=3
ECG Gain=3
FECG Gain=3
Record Limit=0
All Alarm Sound=1
Device Position Fix=0
Record On Admit=0
FHR1 Delay Time=0
FHR2 Delay Time=0
FHR1 Alarm Sound=1
FHR2 Alarm Sound=1
FECG Alarm Sound=1
FSpO2 Alarm Sound=1
ECG Alarm Sound=1
SpO2 Alarm Sound=1
NIBP Alarm Sound=1
TEMP Alarm Sound=1
UC Alarm Sound=1
IUP Alarm Sound=1
[CENTRAL_SYSTEM]
Broker IP=0
Broker Port=4500
EMR Data Path=@DATA
EMR Program Path=@DATA
EMR Image Type=0
Hospital Name=MY HOSPITAL
Serial Name1=0
Serial Name2=0
Serial Name3=0
Serial Name4=0
Serial Name5=0
Serial Name6=0
Serial Name7=0
Serial Name8=0
Doctor ID=
Doctor Name=
Nurse ID=
Nurse Name=
[CENTRAL_COLOR]
Graph Background=0
Param Background=0
Graph Text=0
Param Text=0
Graph FHR1=0
Graph FHR2=0
Graph FECG=0
Graph FSpO2=0
Graph Normal FHR=0
Graph HR=0
Graph SpO2=0
Graph NIBP=0
Graph TEMP=0
Graph UC=0
Grid Outer=0
Grid Outer Style=0
Grid Inner=0
Grid Inner Style=0
Grid Center=0
Grid Center Style=0
Event=0
Event Maker=0
Event Stimulator=0
[REVIEW_DEFAULT]
Review Sweep Speed=3
Review Trend Speed=3
Review ECG Gain=3
Review FECG Gain=3
[REVIEW_COLOR]
Review Graph Background=0
Review Param Background=0
Review Graph Text=0
Review Param Text=0
Review Graph FHR1=0
Review Graph FHR2=0
Review Graph FECG=0
Review Graph FSpO2=0
Review Graph Normal FHR=0
Review Graph HR=0
Review Graph SpO2=0
Review Graph NIBP=0
Review Graph TEMP=0
Review Graph UC=0
Review Grid Outer=0
Review Grid Outer Style=0
Review Grid Inner=0
Review Grid Inner Style=0
Review Event=0
Review Event Maker=0
Review Event Stimulator=0
Review Event UCZeroing=0
)";

// The member that each key of kFactoryFile fills, in the same order.
using Member = std::variant<int ObexConfig::*, CString ObexConfig::*>;
const Member kMembers[] = {
    &ObexConfig::m_nWindowMode, &ObexConfig::m_nDemoMode, &ObexConfig::m_strDataPath,
    &ObexConfig::m_nAutoRecordStop, &ObexConfig::m_nDisplayMode, &ObexConfig::m_nSaveDisplayMode,
    &ObexConfig::m_nTopGraph, &ObexConfig::m_nBottomGraph, &ObexConfig::m_nLanguage, &ObexConfig::m_nHeightUnit,
    &ObexConfig::m_nWeightUnit, &ObexConfig::m_nNIBPUnit, &ObexConfig::m_nTempUnit, &ObexConfig::m_nSweepSpeed,
    &ObexConfig::m_nTrendSpeed, &ObexConfig::m_nECGGain, &ObexConfig::m_nFECGGain, &ObexConfig::m_nRecordLimit,
    &ObexConfig::m_nAllAlarmSound, &ObexConfig::m_nDevicePositionFix, &ObexConfig::m_nRecordOnAdmit,
    &ObexConfig::m_nFHR1DelayTime, &ObexConfig::m_nFHR2DelayTime, &ObexConfig::m_nFHR1AlarmSound,
    &ObexConfig::m_nFHR2AlarmSound, &ObexConfig::m_nFECGAlarmSound, &ObexConfig::m_nFSpO2AlarmSound,
    &ObexConfig::m_nECGAlarmSound, &ObexConfig::m_nSpO2AlarmSound, &ObexConfig::m_nNIBPAlarmSound,
    &ObexConfig::m_nTEMPAlarmSound, &ObexConfig::m_nUCAlarmSound, &ObexConfig::m_nIUPAlarmSound,
    &ObexConfig::m_nBrokerIP, &ObexConfig::m_nBrokerPort, &ObexConfig::m_strEMRDataPath,
    &ObexConfig::m_strEMRProgramPath, &ObexConfig::m_nEMRImageType, &ObexConfig::m_strHospitalName,
    &ObexConfig::m_nSerialName1, &ObexConfig::m_nSerialName2, &ObexConfig::m_nSerialName3,
    &ObexConfig::m_nSerialName4, &ObexConfig::m_nSerialName5, &ObexConfig::m_nSerialName6,
    &ObexConfig::m_nSerialName7, &ObexConfig::m_nSerialName8, &ObexConfig::m_strDoctorID,
    &ObexConfig::m_strDoctorName, &ObexConfig::m_strNurseID, &ObexConfig::m_strNurseName,
    &ObexConfig::m_nGraphBackground, &ObexConfig::m_nParamBackground, &ObexConfig::m_nGraphText,
    &ObexConfig::m_nParamText, &ObexConfig::m_nGraphFHR1, &ObexConfig::m_nGraphFHR2, &ObexConfig::m_nGraphFECG,
    &ObexConfig::m_nGraphFSpO2, &ObexConfig::m_nGraphNormalFHR, &ObexConfig::m_nGraphHR, &ObexConfig::m_nGraphSpO2,
    &ObexConfig::m_nGraphNIBP, &ObexConfig::m_nGraphTEMP, &ObexConfig::m_nGraphUC, &ObexConfig::m_nGridOuter,
    &ObexConfig::m_nGridOuterStyle, &ObexConfig::m_nGridInner, &ObexConfig::m_nGridInnerStyle,
    &ObexConfig::m_nGridCenter, &ObexConfig::m_nGridCenterStyle, &ObexConfig::m_nEvent, &ObexConfig::m_nEventMaker,
    &ObexConfig::m_nEventStimulator, &ObexConfig::m_nReviewSweepSpeed, &ObexConfig::m_nReviewTrendSpeed,
    &ObexConfig::m_nReviewECGGain, &ObexConfig::m_nReviewFECGGain, &ObexConfig::m_nReviewGraphBackground,
    &ObexConfig::m_nReviewParamBackground, &ObexConfig::m_nReviewGraphText, &ObexConfig::m_nReviewParamText,
    &ObexConfig::m_nReviewGraphFHR1, &ObexConfig::m_nReviewGraphFHR2, &ObexConfig::m_nReviewGraphFECG,
    &ObexConfig::m_nReviewGraphFSpO2, &ObexConfig::m_nReviewGraphNormalFHR, &ObexConfig::m_nReviewGraphHR,
    &ObexConfig::m_nReviewGraphSpO2, &ObexConfig::m_nReviewGraphNIBP, &ObexConfig::m_nReviewGraphTEMP,
    &ObexConfig::m_nReviewGraphUC, &ObexConfig::m_nReviewGridOuter, &ObexConfig::m_nReviewGridOuterStyle,
    &ObexConfig::m_nReviewGridInner, &ObexConfig::m_nReviewGridInnerStyle, &ObexConfig::m_nReviewEvent,
    &ObexConfig::m_nReviewEventMaker, &ObexConfig::m_nReviewEventStimulator, &ObexConfig::m_nReviewEventUCZeroing,
};
constexpr std::size_t kFirstAlarmSound = 23, kFirstStaff = 47;  // the ten switches, the four staff texts

constexpr int ObexConfig::*kDisplayFlags[] = {
    &ObexConfig::m_bVisible0,      &ObexConfig::m_bVisibleECG,        &ObexConfig::m_bVisibleSpO2,
    &ObexConfig::m_bVisibleSpO2PR, &ObexConfig::m_bVisibleTemp,       &ObexConfig::m_bVisibleNIBP,
    &ObexConfig::m_bVisibleUC,     &ObexConfig::m_bVisibleIUP,        &ObexConfig::m_bVisibleFECG,
    &ObexConfig::m_bVisibleFHR1,   &ObexConfig::m_bVisibleFHR2,       &ObexConfig::m_bVisibleFSpO2,
    &ObexConfig::m_bVisibleFSpO2PR, &ObexConfig::m_bVisibleFM1,       &ObexConfig::m_bVisibleFM2,
    &ObexConfig::m_bVisibleMarker, &ObexConfig::m_bVisibleStimulator, &ObexConfig::m_bVisible17,
};

// kFactoryFile as written: CR LF line ends, the data folder put in.
std::string FactoryFile(const std::string& brokerPort = "4500") {
  std::string text;
  for (std::string_view rest = kFactoryFile; !rest.empty();) {
    std::string line(rest.substr(0, rest.find('\n')));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    if (line.ends_with("=@DATA")) line.replace(line.size() - 5, 5, DataFolderBesideProgram());
    if (line.starts_with("Broker Port=")) line = "Broker Port=" + brokerPort;
    text += line + "\r\n";
  }
  return text;
}

// The values of a file's key lines, in file order.
std::vector<std::string> KeyValues(const std::string& file) {
  std::vector<std::string> values;
  for (std::size_t begin = 0, end; begin < file.size(); begin = end + 2) {
    end = file.find("\r\n", begin);
    const std::string line = file.substr(begin, end - begin);
    if (!line.starts_with('[')) values.push_back(line.substr(line.find('=') + 1));
  }
  return values;
}

std::string Stored(const ObexConfig& config, const Member& member) {
  if (const auto* number = std::get_if<int ObexConfig::*>(&member)) return std::to_string(config.**number);
  return (config.*std::get<CString ObexConfig::*>(member)).str();
}

std::vector<std::string> StoredValues(const ObexConfig& config) {
  std::vector<std::string> values;
  for (const Member& member : kMembers) values.push_back(Stored(config, member));
  return values;
}

// Gives the member of row r the value `first` + `step` * r (texts "text N"), and the data path
// an existing folder.
void Fill(ObexConfig& config, int first, int step, const fs::path& dataFolder) {
  for (const Member& member : kMembers) {
    if (const auto* number = std::get_if<int ObexConfig::*>(&member)) config.**number = first;
    else config.*std::get<CString ObexConfig::*>(member) = CString(("text " + std::to_string(first)).c_str());
    first += step;
  }
  config.m_strDataPath = dataFolder.c_str();
}

void ExpectMembers(const ObexConfig& config, const std::vector<std::string>& values, const char* what) {
  ASSERT_EQ(values.size(), std::size(kMembers)) << what;
  for (std::size_t row = 0; row < values.size(); ++row) EXPECT_EQ(Stored(config, kMembers[row]), values[row]) << what << ", row " << row + 1;
}

TEST_F(ConfigScratch, ANewRecordSavesTheFactoryFileAndAnEmptyFileOpensToTheReadDefaults) {
  ObexConfig factory;
  ASSERT_EQ(factory.Save(File("new.ini").c_str()), 1);
  EXPECT_EQ(ReadFile(File("new.ini")), FactoryFile());
  for (int ObexConfig::*flag : kDisplayFlags) EXPECT_EQ(factory.*flag, 1);

  ObexConfig opened;
  Fill(opened, 1000, 1, m_folder);
  opened.m_bVisibleFHR2 = 0;
  WriteFile(File("empty.ini"), "");
  ASSERT_EQ(opened.Open(File("empty.ini").c_str()), 1);
  ExpectMembers(opened, KeyValues(FactoryFile("0")), "opened empty");  // a missing "Broker Port" reads 0
  EXPECT_EQ(opened.m_bVisibleFHR2, 0);
}

TEST_F(ConfigScratch, EachKeyIsWrittenFromAndReadIntoItsOwnMember) {
  const std::string file = File("Maternis.ini");
  ObexConfig saved;
  Fill(saved, 1000, 1, m_folder);
  ASSERT_EQ(saved.Save(file.c_str()), 1);
  const std::vector<std::string> values = StoredValues(saved);
  EXPECT_EQ(KeyValues(ReadFile(file)), values);
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, file.c_str())), saved.m_nLanguage);

  ObexConfig opened;
  opened.m_bVisibleECG = 0;
  ASSERT_EQ(opened.Open(file.c_str()), 1);
  ExpectMembers(opened, values, "opened");
  EXPECT_EQ(opened.m_bVisibleECG, 0);
}

TEST(ObexConfigRecord, CopyAssignmentAndResetFollowTheirRules) {
  ObexConfig source;
  Fill(source, 1000, 1, fs::temp_directory_path());
  int value = 1;
  for (int ObexConfig::*flag : kDisplayFlags) source.*flag = ++value;
  const std::vector<std::string> sourceValues = StoredValues(source);

  ObexConfig copy(source);
  ExpectMembers(copy, sourceValues, "copy");
  ObexConfig assigned;
  EXPECT_EQ(&(assigned = source), &assigned);
  std::vector<std::string> assignedValues = sourceValues;  // the ten switches keep the destination's 1
  std::fill_n(assignedValues.begin() + kFirstAlarmSound, 10, "1");
  ExpectMembers(assigned, assignedValues, "assigned");
  for (int ObexConfig::*flag : kDisplayFlags) {
    EXPECT_EQ(copy.*flag, source.*flag);
    EXPECT_EQ(assigned.*flag, 1);
  }

  copy.Default();  // all but the doctor and nurse texts go back
  std::vector<std::string> defaults = KeyValues(FactoryFile());
  std::copy_n(sourceValues.begin() + kFirstStaff, 4, defaults.begin() + kFirstStaff);
  ExpectMembers(copy, defaults, "reset");
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

TEST_F(ConfigScratch, OpenOfAMissingFileChangesNothingAndAMissingDataFolderFallsBack) {
  ObexConfig config;
  Fill(config, 1000, 1, m_folder);
  const std::vector<std::string> before = StoredValues(config);
  EXPECT_EQ(config.Open(File("missing.ini").c_str()), 0);
  ExpectMembers(config, before, "after a missing file");

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

// One atomic replacement, merged into the file as it stands: keys that another writer put there
// stay, and a text's line breaks become spaces instead of costing the key.
TEST_F(ConfigScratch, SaveIsOneReplacementThatKeepsOtherKeysAndStoresLineBreaksAsSpaces) {
  const std::string file = File("Maternis.ini");
  WriteFile(file, "[CENTRAL_SYSTEM]\nStation Note=kept\n");
  static int renames = 0;
  const auto system = ProfileFile::SetDiskCalls({::fsync, [](const char* from, const char* to) {
                                                   ++renames;
                                                   return ::rename(from, to);
                                                 }});
  ObexConfig config;
  config.m_strHospitalName = "St. Example\r\nMaternity\nWing";
  const int saved = config.Save(file.c_str());
  ProfileFile::SetDiskCalls(system);
  ASSERT_EQ(saved, 1);
  EXPECT_EQ(renames, 1);
  char note[16];
  GetPrivateProfileStringA("CENTRAL_SYSTEM", "Station Note", "", note, sizeof note, file.c_str());
  EXPECT_STREQ(note, "kept");
  ObexConfig opened;
  ASSERT_EQ(opened.Open(file.c_str()), 1);
  EXPECT_EQ(opened.m_strHospitalName, "St. Example Maternity Wing");
}

// Where the folder refuses new files, the writable file is written in place (not atomically); a
// missing file there cannot be made, nor a read-only file written, and Save says so with the
// reason instead of 1.
TEST_F(ConfigScratch, SaveIntoAFolderThatRefusesNewFilesWritesInPlaceOrFails) {
  const std::string file = File("Maternis.ini"), readOnly = File("read-only.ini");
  ObexConfig config;
  ASSERT_EQ(config.Save(file.c_str()), 1);
  ASSERT_EQ(config.Save(readOnly.c_str()), 1);
  const std::string readOnlyBytes = ReadFile(readOnly);
  ::chmod(file.c_str(), 0666);
  ::chmod(readOnly.c_str(), 0444);
  config.m_nLanguage = 7;
  EXPECT_EQ(RunWithReadOnlyFolder([&] { return config.Save(file.c_str()); }), 1);
  for (const std::string& refused : {File("new.ini"), readOnly}) {
    EXPECT_EQ(RunWithReadOnlyFolder([&] { return config.Save(refused.c_str()) ? 0 : errno; }), EACCES) << refused;
  }
  ObexConfig opened;
  ASSERT_EQ(opened.Open(file.c_str()), 1);
  EXPECT_EQ(opened.m_nLanguage, 7);
  EXPECT_FALSE(fs::exists(File("new.ini")));
  EXPECT_EQ(ReadFile(readOnly), readOnlyBytes);
}

// A named pipe in the file's place would block a plain open until someone opens its other end.
TEST_F(ConfigScratch, APipeInTheFilesPlaceIsRefusedAtOnce) {
  const std::string pipe = File("Maternis.ini");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  auto outcome = std::async(std::launch::async, [&] {
    ObexConfig config;
    return std::pair(config.Save(pipe.c_str()), config.Open(pipe.c_str()));
  });
  if (outcome.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // lets the blocked open go on
    outcome.wait();
    ::close(reader);
    FAIL() << "blocked on the pipe";
  }
  EXPECT_EQ(outcome.get(), std::pair(0, 0));
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(ConfigScratch, AProcessKilledWhileSavingLeavesTheOldFileOrTheNewOneWhole) {
  const std::string file = File("Maternis.ini");
  ObexConfig record;
  Fill(record, 1, 0, m_folder);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(record.Save(file.c_str()), 1);
  // Kills fall anywhere in the first three saves' time, however slow a save is on this machine
  // and build, so that some come before the first save ends and some after.
  const auto window = 3 * std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
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
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (window.count() + 1)));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);

    // The file parses and every one of the 100 keys is from the same round, the old or a newer one.
    ObexConfig opened, expected;
    ASSERT_EQ(opened.Open(file.c_str()), 1) << "kill " << kill;
    EXPECT_GE(opened.m_nLanguage, lastRound) << "kill " << kill;
    lastRound = opened.m_nLanguage;
    Fill(expected, lastRound, 0, m_folder);
    ExpectMembers(opened, StoredValues(expected), "after a kill");
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
