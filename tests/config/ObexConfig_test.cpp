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

using C = ObexConfig;
using Member = std::variant<std::monostate, int C::*, CString C::*>;

// The file that a new record saves, line by line with the member that each key is written from:
// every key in the order of writing, under its section, with the record's factory default
// ("@DATA": the "Data" folder beside the program). The doctor and nurse keys, written in a
// second stretch of "CENTRAL_SYSTEM", land in its one section.
const struct {
  const char* line;
  Member member;  // none for a section
} kFactoryLines[] = {
    {"[CENTRAL_DEMO]", {}}, {"Window Mode=0", &C::m_nWindowMode}, {"Demo Mode=0", &C::m_nDemoMode},
    {"[CENTRAL_DEFAULT]", {}}, {"Data Path=@DATA", &C::m_strDataPath}, {"Auto Record Stop=0", &C::m_nAutoRecordStop},
    {"Display Mode=0", &C::m_nDisplayMode}, {"Save Display Mode=0", &C::m_nSaveDisplayMode},
    {"Top Graph=1", &C::m_nTopGraph}, {"Bottom Graph=2", &C::m_nBottomGraph}, {"Language=3", &C::m_nLanguage},
    {"Height Unit=1", &C::m_nHeightUnit}, {"Weight Unit=1", &C::m_nWeightUnit}, {"NIBP Unit=1", &C::m_nNIBPUnit},
    {"Temp Unit=1", &C::m_nTempUnit}, {"Sweep Speed=3", &C::m_nSweepSpeed}, {"Trend Speed=3", &C::m_nTrendSpeed},
    {"ECG Gain=3", &C::m_nECGGain}, {"FECG Gain=3", &C::m_nFECGGain}, {"Record Limit=0", &C::m_nRecordLimit},
    {"All Alarm Sound=1", &C::m_nAllAlarmSound}, {"Device Position Fix=0", &C::m_nDevicePositionFix},
    {"Record On Admit=0", &C::m_nRecordOnAdmit}, {"FHR1 Delay Time=0", &C::m_nFHR1DelayTime},
    {"FHR2 Delay Time=0", &C::m_nFHR2DelayTime}, {"FHR1 Alarm Sound=1", &C::m_nFHR1AlarmSound},
    {"FHR2 Alarm Sound=1", &C::m_nFHR2AlarmSound}, {"FECG Alarm Sound=1", &C::m_nFECGAlarmSound},
    {"FSpO2 Alarm Sound=1", &C::m_nFSpO2AlarmSound}, {"ECG Alarm Sound=1", &C::m_nECGAlarmSound},
    {"SpO2 Alarm Sound=1", &C::m_nSpO2AlarmSound}, {"NIBP Alarm Sound=1", &C::m_nNIBPAlarmSound},
    {"TEMP Alarm Sound=1", &C::m_nTEMPAlarmSound}, {"UC Alarm Sound=1", &C::m_nUCAlarmSound},
    {"IUP Alarm Sound=1", &C::m_nIUPAlarmSound},
    {"[CENTRAL_SYSTEM]", {}}, {"Broker IP=0", &C::m_nBrokerIP}, {"Broker Port=4500", &C::m_nBrokerPort},
    {"EMR Data Path=@DATA", &C::m_strEMRDataPath}, {"EMR Program Path=@DATA", &C::m_strEMRProgramPath},
    {"EMR Image Type=0", &C::m_nEMRImageType}, {"Hospital Name=MY HOSPITAL", &C::m_strHospitalName},
    {"Serial Name1=0", &C::m_nSerialName1}, {"Serial Name2=0", &C::m_nSerialName2},
    {"Serial Name3=0", &C::m_nSerialName3}, {"Serial Name4=0", &C::m_nSerialName4},
    {"Serial Name5=0", &C::m_nSerialName5}, {"Serial Name6=0", &C::m_nSerialName6},
    {"Serial Name7=0", &C::m_nSerialName7}, {"Serial Name8=0", &C::m_nSerialName8}, {"Doctor ID=", &C::m_strDoctorID},
    {"Doctor Name=", &C::m_strDoctorName}, {"Nurse ID=", &C::m_strNurseID}, {"Nurse Name=", &C::m_strNurseName},
    {"[CENTRAL_COLOR]", {}}, {"Graph Background=0", &C::m_nGraphBackground},
    {"Param Background=0", &C::m_nParamBackground}, {"Graph Text=0", &C::m_nGraphText},
    {"Param Text=0", &C::m_nParamText}, {"Graph FHR1=0", &C::m_nGraphFHR1}, {"Graph FHR2=0", &C::m_nGraphFHR2},
    {"Graph FECG=0", &C::m_nGraphFECG}, {"Graph FSpO2=0", &C::m_nGraphFSpO2},
    {"Graph Normal FHR=0", &C::m_nGraphNormalFHR}, {"Graph HR=0", &C::m_nGraphHR}, {"Graph SpO2=0", &C::m_nGraphSpO2},
    {"Graph NIBP=0", &C::m_nGraphNIBP}, {"Graph TEMP=0", &C::m_nGraphTEMP}, {"Graph UC=0", &C::m_nGraphUC},
    {"Grid Outer=0", &C::m_nGridOuter}, {"Grid Outer Style=0", &C::m_nGridOuterStyle},
    {"Grid Inner=0", &C::m_nGridInner}, {"Grid Inner Style=0", &C::m_nGridInnerStyle},
    {"Grid Center=0", &C::m_nGridCenter}, {"Grid Center Style=0", &C::m_nGridCenterStyle}, {"Event=0", &C::m_nEvent},
    {"Event Maker=0", &C::m_nEventMaker}, {"Event Stimulator=0", &C::m_nEventStimulator},
    {"[REVIEW_DEFAULT]", {}}, {"Review Sweep Speed=3", &C::m_nReviewSweepSpeed},
    {"Review Trend Speed=3", &C::m_nReviewTrendSpeed}, {"Review ECG Gain=3", &C::m_nReviewECGGain},
    {"Review FECG Gain=3", &C::m_nReviewFECGGain},
    {"[REVIEW_COLOR]", {}}, {"Review Graph Background=0", &C::m_nReviewGraphBackground},
    {"Review Param Background=0", &C::m_nReviewParamBackground}, {"Review Graph Text=0", &C::m_nReviewGraphText},
    {"Review Param Text=0", &C::m_nReviewParamText}, {"Review Graph FHR1=0", &C::m_nReviewGraphFHR1},
    {"Review Graph FHR2=0", &C::m_nReviewGraphFHR2}, {"Review Graph FECG=0", &C::m_nReviewGraphFECG},
    {"Review Graph FSpO2=0", &C::m_nReviewGraphFSpO2}, {"Review Graph Normal FHR=0", &C::m_nReviewGraphNormalFHR},
    {"Review Graph HR=0", &C::m_nReviewGraphHR}, {"Review Graph SpO2=0", &C::m_nReviewGraphSpO2},
    {"Review Graph NIBP=0", &C::m_nReviewGraphNIBP}, {"Review Graph TEMP=0", &C::m_nReviewGraphTEMP},
    {"Review Graph UC=0", &C::m_nReviewGraphUC}, {"Review Grid Outer=0", &C::m_nReviewGridOuter},
    {"Review Grid Outer Style=0", &C::m_nReviewGridOuterStyle}, {"Review Grid Inner=0", &C::m_nReviewGridInner},
    {"Review Grid Inner Style=0", &C::m_nReviewGridInnerStyle}, {"Review Event=0", &C::m_nReviewEvent},
    {"Review Event Maker=0", &C::m_nReviewEventMaker}, {"Review Event Stimulator=0", &C::m_nReviewEventStimulator},
    {"Review Event UCZeroing=0", &C::m_nReviewEventUCZeroing},
};

// The members in the order of their keys.
const std::vector<Member> kMembers = [] {
  std::vector<Member> members;
  for (const auto& line : kFactoryLines) {
    if (line.member.index() != 0) members.push_back(line.member);
  }
  return members;
}();
constexpr std::size_t kFirstAlarmSound = 23, kFirstStaff = 47;  // the ten switches, the four staff texts

constexpr int C::*kDisplayFlags[] = {
    &C::m_bVisible0, &C::m_bVisibleECG, &C::m_bVisibleSpO2, &C::m_bVisibleSpO2PR, &C::m_bVisibleTemp,
    &C::m_bVisibleNIBP, &C::m_bVisibleUC, &C::m_bVisibleIUP, &C::m_bVisibleFECG, &C::m_bVisibleFHR1,
    &C::m_bVisibleFHR2, &C::m_bVisibleFSpO2, &C::m_bVisibleFSpO2PR, &C::m_bVisibleFM1, &C::m_bVisibleFM2,
    &C::m_bVisibleMarker, &C::m_bVisibleStimulator, &C::m_bVisible17,
};

// The factory file as written: CR LF line ends, the data folder put in.
std::string FactoryFile(const std::string& brokerPort = "4500") {
  std::string text;
  for (const auto& factory : kFactoryLines) {
    std::string line = factory.line;
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
  if (const auto* number = std::get_if<int C::*>(&member)) return std::to_string(config.**number);
  return (config.*std::get<CString C::*>(member)).str();
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
    if (const auto* number = std::get_if<int C::*>(&member)) config.**number = first;
    else config.*std::get<CString C::*>(member) = CString(("text " + std::to_string(first)).c_str());
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
  for (int C::*flag : kDisplayFlags) EXPECT_EQ(factory.*flag, 1);

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
  for (int C::*flag : kDisplayFlags) source.*flag = ++value;
  const std::vector<std::string> sourceValues = StoredValues(source);

  ObexConfig copy(source);
  ExpectMembers(copy, sourceValues, "copy");
  ObexConfig assigned;
  EXPECT_EQ(&(assigned = source), &assigned);
  std::vector<std::string> assignedValues = sourceValues;  // the ten switches keep the destination's 1
  std::fill_n(assignedValues.begin() + kFirstAlarmSound, 10, "1");
  ExpectMembers(assigned, assignedValues, "assigned");
  for (int C::*flag : kDisplayFlags) {
    EXPECT_EQ(copy.*flag, source.*flag);
    EXPECT_EQ(assigned.*flag, 1);
  }

  copy.Default();  // all but the doctor and nurse texts go back
  std::vector<std::string> defaults = KeyValues(FactoryFile());
  std::copy_n(sourceValues.begin() + kFirstStaff, 4, defaults.begin() + kFirstStaff);
  ExpectMembers(copy, defaults, "reset");
  for (int C::*flag : kDisplayFlags) EXPECT_EQ(copy.*flag, 1);
}

TEST(ObexConfigRecord, IsVisibleFollowsTheParameterNumbering) {
  ObexConfig config;
  int value = 100;
  for (int C::*flag : kDisplayFlags) config.*flag = ++value;  // 101 for m_bVisible0 ... 118
  const struct { int kind; int expected; } cases[] = {
      {0, 0},     {1, 102},  {2, 103},  {3, 104},  {4, 105},  {5, 106},  {6, 107},  {7, 108},
      {8, 109},   {9, 112},  {10, 113}, {11, 110}, {12, 111}, {13, 114}, {14, 115}, {15, 114},
      {16, 115},  {17, 116}, {18, 117}, {19, 1},   {20, 0},   {-1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(config.IsVisible(c.kind), c.expected) << "kind " << c.kind;
  for (int C::*flag : kDisplayFlags) config.*flag = 0;
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
  // and build, so that some come before the first save ends and some after; on a loaded machine,
  // where a child may not finish one save in that time, the window grows until one does.
  auto window = 3 * std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
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
    if (opened.m_nLanguage == lastRound) window = std::min(2 * window, decltype(window)(std::chrono::milliseconds(500)));
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
  const struct { const char* what; std::string bytes; int hospitalLength; } files[] = {
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
