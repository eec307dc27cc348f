// A study's files: made exclusively and synced into their folders, private to the station's
// user, continued only by their owner, written through a full disk, stamped so that no event
// line is ambiguous after the clock falls back.
#include "ward/StudyRecording.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "link/PacketKind.h"
#include "link/RecordingScratch.h"
#include "link/StreamFramer.h"
#include "registry/StationDatabase.h"
#include "ward/FileSizeLimit.h"
#include "ward/LocalTimeText.h"
#include "ward/OpenStudyList.h"
#include "ward/StationBedside.h"

namespace fs = std::filesystem;

// The folders and files fsync was called on, by path: the station's own calls to fsync reach
// this definition first (the program's symbols come before the libraries'), which passes them on.
std::vector<std::string>& SyncedPaths() {
  static std::vector<std::string> paths;
  return paths;
}

extern "C" __attribute__((visibility("default"))) int fsync(int fd) {
  char path[4096];
  const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
  if (length > 0) {
    // The program's station tests sync from the threads beside their loops, at the same time.
    static std::mutex guard;
    const std::lock_guard lock(guard);
    SyncedPaths().emplace_back(path, static_cast<std::size_t>(length));
  }
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  return next(fd);
}

namespace {

using Kind = StudyRecording::OpenFault::Kind;
using Opening = StudyRecording::Opening;

class StudyRecordingTest : public RecordingScratch {
 protected:
  std::string Data() const { return m_folder.string(); }
  std::string LinkOf(const std::string& patient, const std::string& study) const {
    return StudyRecording::LinkPath(Data(), patient, study);
  }
  static std::string EventsOf(const std::string& link) { return link.substr(0, link.size() - 5) + ".events"; }
  static mode_t Mode(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 0777;
  }
  static std::string FirstLine(const std::string& path) {
    const std::string text = ReadFile(path);
    return text.substr(0, text.find('\n'));
  }
  static Kind FaultKind(const std::optional<StudyRecording::OpenFault>& fault) {
    EXPECT_TRUE(fault);
    return fault ? fault->kind : Kind::Failed;
  }
};

// Patients whose identifiers differ only in punctuation, admitted in the same second, used to
// write into one file.
TEST_F(StudyRecordingTest, TwoPatientsInTheSameSecondRecordIntoTwoFilesAndANewRecordingIsNeverAnOldFile) {
  const std::string second = "20261025021000";
  StudyRecording dot("AB.1", second);
  StudyRecording slash("AB/1", second);
  ASSERT_EQ(dot.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  ASSERT_EQ(slash.Open(Data(), Opening::New, "10.0.0.2"), std::nullopt);
  dot.Append(Bytes{1, 2});
  slash.Append(Bytes{3});
  dot.Flush();
  slash.Flush();
  EXPECT_EQ(ReadFile(LinkOf("AB.1", second)), "\x01\x02");
  EXPECT_EQ(ReadFile(LinkOf("AB/1", second)), "\x03");
  EXPECT_EQ(ReadFile(EventsOf(LinkOf("AB/1", second))), "study \"20261025021000\" of patient \"AB/1\" from monitor "
                                                       "\"10.0.0.2\"\n");

  StudyRecording again("AB.1", second);
  EXPECT_EQ(FaultKind(again.Open(Data(), Opening::New, "10.0.0.1")), Kind::Exists);
  EXPECT_EQ(ReadFile(LinkOf("AB.1", second)), "\x01\x02");
  // A link file without its events file: the new study takes neither.
  WriteFile(LinkOf("AB.1", "20261025021001"), "x");
  StudyRecording half("AB.1", "20261025021001");
  EXPECT_EQ(FaultKind(half.Open(Data(), Opening::New, "10.0.0.1")), Kind::Exists);
  EXPECT_FALSE(fs::exists(EventsOf(LinkOf("AB.1", "20261025021001"))));
}

TEST_F(StudyRecordingTest, ARecordingGoesOnOnlyForItsOwnStudyFromItsOwnMonitor) {
  const std::string study = "20261025021000";
  {
    StudyRecording first("P\"1\\", study);
    ASSERT_EQ(first.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
    first.Append(Bytes{7});
  }
  StudyRecording same("P\"1\\", study);
  ASSERT_EQ(same.Open(Data(), Opening::Continued, "10.0.0.1"), std::nullopt);
  same.Append(Bytes{8});
  same.Flush();
  EXPECT_EQ(ReadFile(LinkOf("P\"1\\", study)), "\x07\x08");
  EXPECT_EQ(FirstLine(EventsOf(LinkOf("P\"1\\", study))),
            R"(study "20261025021000" of patient "P\"1\\" from monitor "10.0.0.1")");

  StudyRecording other("P\"1\\", study);
  const auto fault = other.Open(Data(), Opening::Continued, "10.0.0.9");
  ASSERT_EQ(FaultKind(fault), Kind::OtherMonitor);
  EXPECT_EQ(fault->text, "the study was recorded from monitor \"10.0.0.1\"");
  // A recording from before owner lines (or another's at this path) is not continued.
  fs::create_directories(fs::path(LinkOf("OLD", study)).parent_path());
  WriteFile(LinkOf("OLD", study), "\x01");
  WriteFile(EventsOf(LinkOf("OLD", study)), "2026-10-25 02:10:00 bed 1: patient OLD, new study\n");
  StudyRecording legacy("OLD", study);
  EXPECT_EQ(FaultKind(legacy.Open(Data(), Opening::Continued, "10.0.0.1")), Kind::Foreign);
  EXPECT_EQ(StudyRecording::Count(Data(), "OLD", study), std::nullopt);
  StudyRecording missing("NOBODY", study);
  EXPECT_EQ(FaultKind(missing.Open(Data(), Opening::Continued, "10.0.0.1")), Kind::Foreign);
}

TEST_F(StudyRecordingTest, StudiesAndTheirFoldersAreTheStationUsersAloneAndOlderOnesAreMadeSo) {
  fs::create_directories(m_folder / "Studies" / "OLDER");
  fs::permissions(m_folder / "Studies", fs::perms(0755));
  fs::permissions(m_folder / "Studies" / "OLDER", fs::perms(0755));
  StudyRecording older("OLDER", "20261025021000");
  ASSERT_EQ(older.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  StudyRecording fresh("FRESH", "20261025021000");
  ASSERT_EQ(fresh.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  EXPECT_EQ(Mode((m_folder / "Studies").string()), 0700u);
  EXPECT_EQ(Mode((m_folder / "Studies" / "OLDER").string()), 0700u);
  EXPECT_EQ(Mode((m_folder / "Studies" / "FRESH").string()), 0700u);
  EXPECT_EQ(Mode(LinkOf("FRESH", "20261025021000")), 0600u);
  EXPECT_EQ(Mode(EventsOf(LinkOf("FRESH", "20261025021000"))), 0600u);
}

// A new study's directory entries used to reach the disk only when the file system chose: a
// power loss could take the study with it.
TEST_F(StudyRecordingTest, ANewStudysFoldersAndFilesAreSyncedBeforeItIsUsed) {
  SyncedPaths().clear();
  StudyRecording study("SYNCED", "20261025021000");
  ASSERT_EQ(study.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  const std::vector<std::string>& synced = SyncedPaths();
  const auto wasSynced = [&](const fs::path& path) {
    return std::find(synced.begin(), synced.end(), path.string()) != synced.end();
  };
  EXPECT_TRUE(wasSynced(m_folder)) << "the data folder, where Studies/ was made";
  EXPECT_TRUE(wasSynced(m_folder / "Studies")) << "where the patient's folder was made";
  EXPECT_TRUE(wasSynced(m_folder / "Studies" / "SYNCED")) << "where the files were made";
  EXPECT_TRUE(wasSynced(LinkOf("SYNCED", "20261025021000")));
}

// The same for the station's new database file: its entry reaches the disk at once.
TEST_F(StudyRecordingTest, ANewDatabaseFileIsSyncedIntoItsFolder) {
  SyncedPaths().clear();
  StationDatabase database;
  ASSERT_EQ(database.Connect("sqlite:" + File("ward.db")), std::nullopt);
  EXPECT_NE(std::find(SyncedPaths().begin(), SyncedPaths().end(), m_folder.string()), SyncedPaths().end());
}

// One failed write used to stop the recording for good while S_LENGTH went on counting.
TEST_F(StudyRecordingTest, AFullDiskKeepsTheLinkAndItsFiguresCountWhatTheFileHolds) {
  const Bytes link = StationBedside::Link(5, 5000, "TEST-5");  // four numerics packets
  StudyRecording study("TEST-5", "20261025021000");
  ASSERT_EQ(study.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  const std::string path = LinkOf("TEST-5", "20261025021000");
  const auto append = [&](std::size_t from, std::size_t to) {
    StreamFramer framer([&](const FrameEvent& event) {
      StudyRecording::Samples samples;
      if (event.kind && event.kind->typeHeader == 0xC1) samples = {5, 0};
      study.Append(event.bytes, samples);
    });
    framer.Feed(std::span(link).subspan(from, to - from));
  };
  // The packets of the first half, then the disk is full; the second half waits.
  std::size_t half = 0;
  StreamFramer([&](const FrameEvent& event) {
    if (event.offset < link.size() / 2) half = event.offset + event.length;
  }).Feed(link);
  append(0, half);
  EXPECT_EQ(ReadFile(path), "") << "the link waits for the next flush";
  EXPECT_EQ(study.LengthSeconds(), 0) << "what waits in memory is not counted as recorded";
  study.Flush();
  EXPECT_EQ(ReadFile(path).size(), half);
  const long before = study.LengthSeconds();
  EXPECT_GT(before, 0);
  {
    FileSizeLimit full(static_cast<rlim_t>(half));
    append(half, link.size());
    EXPECT_FALSE(study.Failing());
    study.Flush();
    EXPECT_TRUE(study.Failing());
    EXPECT_EQ(study.LengthSeconds(), before);
    EXPECT_EQ(study.TakeChange(),
              "the recording cannot be written (File too large): up to 4 MiB of the link wait in memory until it can");
    EXPECT_EQ(study.TakeChange(), std::nullopt);
    study.Flush();
    EXPECT_TRUE(study.Failing());
    EXPECT_EQ(ReadFile(path).size(), half);
  }
  study.Flush();
  EXPECT_FALSE(study.Failing());
  EXPECT_EQ(study.TakeChange(), "the recording is written again, with the " + std::to_string(link.size() - half) +
                                    " bytes of the link that waited");
  EXPECT_EQ(ReadFile(path), std::string(link.begin(), link.end()));
  EXPECT_EQ(study.LengthSeconds(), 5);
  EXPECT_EQ(StudyRecording::Count(Data(), "TEST-5", "20261025021000")->lengthSeconds, 5);
}

// A study's link waits in memory at most until a flush or until 16 KiB wait, and each file is
// handed to a sync once for what was written since the last one.
TEST_F(StudyRecordingTest, TheLinkWaitsBoundedAndEachWrittenFileIsSyncedOnce) {
  StudyRecording study("TEST-6", "20261025021000");
  ASSERT_EQ(study.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
  const std::string path = LinkOf("TEST-6", "20261025021000");
  EXPECT_EQ(study.TakeUnsynced().size(), 0u) << "a new study's files are synced as they are made";

  const Bytes piece(1000, 0x5A);
  for (int i = 0; i < 16; ++i) study.Append(piece);
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(study.Unwritten(), 16000u);
  EXPECT_EQ(study.TakeUnsynced().size(), 0u) << "nothing written, nothing to sync";
  study.Append(piece);  // 17,000 bytes would wait: all of them are written at once
  EXPECT_EQ(ReadFile(path).size(), 17000u);
  EXPECT_EQ(study.Unwritten(), 0u);
  EXPECT_EQ(study.TakeUnsynced().size(), 1u);
  EXPECT_EQ(study.TakeUnsynced().size(), 0u);

  study.Append(piece);
  study.LogEvent("alarm", 1'790'000'000);
  study.Flush();
  const std::vector<std::shared_ptr<const int>> files = study.TakeUnsynced();
  EXPECT_EQ(files.size(), 2u) << "the link and its events";
  EXPECT_EQ(StudyRecording::Sync("20261025021000", files), std::nullopt);
  EXPECT_EQ(ReadFile(path).size(), 18000u);
}

// Local times repeat after the clock falls back (Europe/Berlin, 2026-10-25 03:00 CEST becomes
// 02:00 CET): an event line carries its offset, so that 02:30 before and after stay apart.
TEST_F(StudyRecordingTest, EventLinesCarryTheirOffsetFromUtcAcrossTheFallBack) {
  const char* zone = ::getenv("TZ");
  const std::string saved = zone ? zone : "";
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  const std::time_t firstPass = 1792888200;   // 2026-10-25 00:30:00 UTC
  const std::time_t secondPass = 1792891800;  // 2026-10-25 01:30:00 UTC
  EXPECT_EQ(StampText(firstPass), "2026-10-25 02:30:00 +0200");
  EXPECT_EQ(StampText(secondPass), "2026-10-25 02:30:00 +0100");
  {
    StudyRecording study("TZ-1", "20261025021000");
    ASSERT_EQ(study.Open(Data(), Opening::New, "10.0.0.1"), std::nullopt);
    study.LogEvent("bed 1: link restored", secondPass);
  }
  const std::string events = ReadFile(EventsOf(LinkOf("TZ-1", "20261025021000")));
  EXPECT_EQ(events.substr(events.find('\n') + 1), "2026-10-25 02:30:00 +0100 bed 1: link restored\n");
  zone ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

TEST_F(StudyRecordingTest, TheOpenStudyListKeepsAnyIdentifiers) {
  const std::vector<OpenStudyList::Study> studies = {{"AB.1", "20261025021000"}, {"a b\n", ""}, {"%", "x y"}};
  ASSERT_EQ(OpenStudyList::Write(Data(), studies), std::nullopt);
  EXPECT_EQ(OpenStudyList::Read(Data()), studies);
  EXPECT_EQ(ReadFile((m_folder / "Studies" / "open-studies").string()),
            "AB%2E1 20261025021000\n%61%20%62%0A %\n%25 %78%20%79\n");
  EXPECT_EQ(Mode((m_folder / "Studies" / "open-studies").string()), 0600u);
  ASSERT_EQ(OpenStudyList::Write(Data(), {}), std::nullopt);
  EXPECT_TRUE(OpenStudyList::Read(Data()).empty());
}

}  // namespace
