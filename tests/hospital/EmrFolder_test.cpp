#include "hospital/EmrFolder.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>

#include "config/ConfigScratch.h"
#include "hospital/HospitalLoop.h"
#include "link/MonitorSimulator.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

// A record system watching the EMR folder with inotify: every file that appears there under a
// name of its own (created or moved in) is read at once; it notes whether it was whole then.
class FolderWatcher {
 public:
  using Whole = bool (*)(const std::string& bytes);

  FolderWatcher(const std::string& folder, Whole whole) : m_folder(folder), m_whole(whole) {
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(m_inotify, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    m_thread = std::thread([this] { Watch(); });
  }
  ~FolderWatcher() {
    m_stop = true;
    m_thread.join();
    ::close(m_inotify);
  }

  // "moved <name> whole", "created <name> part", … in the order seen; temporary names left out.
  std::vector<std::string> Seen() {
    std::lock_guard lock(m_mutex);
    return m_seen;
  }
  std::size_t TemporaryEvents() const { return m_temporary; }

 private:
  void Watch() {
    alignas(inotify_event) char buffer[16384];
    while (!m_stop) {
      pollfd ready{m_inotify, POLLIN, 0};
      if (::poll(&ready, 1, 20) <= 0) continue;
      const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
      for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        Note(*event);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

  void Note(const inotify_event& event) {
    const std::string name = event.len ? event.name : "";
    if (name.starts_with(".")) {  // a temporary file, hidden until it is renamed into place
      ++m_temporary;
      return;
    }
    if (event.mask & IN_CLOSE_WRITE) {
      std::lock_guard lock(m_mutex);
      m_seen.push_back("written in place " + name);
      return;
    }
    std::ifstream in(m_folder + "/" + name, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::lock_guard lock(m_mutex);
    m_seen.push_back(std::string(event.mask & IN_MOVED_TO ? "moved " : "created ") + name +
                     (m_whole(bytes) ? " whole" : " part"));
  }

  std::string m_folder;
  Whole m_whole;
  int m_inotify = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<std::size_t> m_temporary{0};
  std::mutex m_mutex;
  std::vector<std::string> m_seen;
  std::thread m_thread;
};

bool WholePdf(const std::string& bytes) { return bytes.starts_with("%PDF-") && bytes.find("%%EOF") + 7 > bytes.size(); }
bool WholePng(const std::string& bytes) {
  return bytes.starts_with("\x89PNG") && bytes.ends_with(std::string("IEND\xAE\x42\x60\x82", 8));
}

class EmrFolderTest : public ConfigScratch {
 protected:
  void SetUp() override {
    ConfigScratch::SetUp();
    std::filesystem::create_directories(m_folder / "emr");
  }

  // A made-up study: `minutes` of a simulated monitor's link, as the ward records it.
  EmrStudy Study(double minutes) {
    const std::string link = File("study.link");
    std::ofstream out(link, std::ios::binary);
    MonitorSimulator(3).Run(static_cast<std::uint64_t>(minutes * 60000), [&](std::span<const unsigned char> packet) {
      return static_cast<bool>(out.write(reinterpret_cast<const char*>(packet.data()),
                                         static_cast<std::streamsize>(packet.size())));
    });
    return EmrStudy{"P-17", "Lind, Anna", "20261025023000", sys_days{year(2026) / 10 / 25} + 1h + 30min, link};
  }

  EmrFolderOptions Options(int imageType, int speed = 1) {
    return EmrFolderOptions{File("emr"), imageType, speed, "Demo Birth Centre"};
  }

  // Exports through the loop's offload; the fault, with the files written.
  std::optional<std::string> Export(const EmrFolderOptions& options, const EmrStudy& study,
                                    std::vector<std::string>& files) {
    HospitalLoop loop;
    EmrFolder folder(options, loop.Facility());
    bool done = false;
    std::optional<std::string> fault;
    loop.Call([&] {
      folder.Export(study, [&](std::optional<std::string> exportFault, std::vector<std::string> written) {
        fault = std::move(exportFault);
        files = std::move(written);
        done = true;
      });
      return 0;
    });
    EXPECT_TRUE(loop.WaitFor([&] { return done; }, 60s));
    return fault;
  }

  std::vector<std::string> FolderNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder / "emr"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(EmrFolderTest, NamesTheFileByPatientStudyAndLocalStartWithItsOffset) {
  const std::string zone = std::getenv("TZ") ? std::getenv("TZ") : "";
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  EmrStudy study{"A_1/../b c%\xC3\xBC", "", "20261025023000", sys_days{year(2026) / 10 / 25} + 30min, ""};
  const std::string summer = EmrFolder::FileName(study, "pdf");
  study.start += 1h;  // the same wall time once the clocks went back
  const std::string winter = EmrFolder::FileName(study, "png");
  zone.empty() ? ::unsetenv("TZ") : ::setenv("TZ", zone.c_str(), 1);
  ::tzset();
  EXPECT_EQ(summer, "A%5F1%2F%2E%2E%2Fb%20c%25%C3%BC_20261025023000_20261025T023000+0200.pdf");
  EXPECT_EQ(winter, "A%5F1%2F%2E%2E%2Fb%20c%25%C3%BC_20261025023000_20261025T023000+0100.png");
  EXPECT_EQ(EmrFolder::ExtensionOf(0), "pdf");
  EXPECT_EQ(EmrFolder::ExtensionOf(1), "png");
  EXPECT_EQ(EmrFolder::ExtensionOf(2), "svg");
  EXPECT_EQ(EmrFolder::ExtensionOf(3), std::nullopt);
}

TEST_F(EmrFolderTest, PutsTheWholeStripInThePdfThatAWatcherSeesOnlyWhole) {
  const EmrStudy study = Study(40);
  std::vector<std::string> files;
  std::vector<std::string> seen;
  std::size_t temporary = 0;
  {
    FolderWatcher watcher(File("emr"), WholePdf);
    ASSERT_EQ(Export(Options(0), study, files), std::nullopt);
    std::this_thread::sleep_for(200ms);
    seen = watcher.Seen();
    temporary = watcher.TemporaryEvents();
  }
  const std::string name = EmrFolder::FileName(study, "pdf");
  EXPECT_EQ(files, std::vector<std::string>{File("emr") + "/" + name});
  EXPECT_EQ(seen, std::vector<std::string>{"moved " + name + " whole"});
  EXPECT_GT(temporary, 0u);
  EXPECT_EQ(FolderNames(), std::vector<std::string>{name});
  // Every page of the 40 minutes at 1 cm/min is in the one file.
  const std::string pdf = ReadFile(files[0]);
  const std::regex page("/Type /Page\\b[^s]");
  EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()), 2);
}

TEST_F(EmrFolderTest, PutsAPngPerPageTheFirstLast) {
  const EmrStudy study = Study(20);
  std::vector<std::string> files;
  std::vector<std::string> seen;
  {
    FolderWatcher watcher(File("emr"), WholePng);
    ASSERT_EQ(Export(Options(1, 3), study, files), std::nullopt);
    std::this_thread::sleep_for(200ms);
    seen = watcher.Seen();
  }
  const std::string name = EmrFolder::FileName(study, "png");
  const std::string stem = name.substr(0, name.size() - 4);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], File("emr") + "/" + name);
  EXPECT_EQ(files[2], File("emr") + "/" + stem + "-3.png");
  EXPECT_EQ(seen, (std::vector<std::string>{"moved " + stem + "-3.png whole", "moved " + stem + "-2.png whole",
                                            "moved " + name + " whole"}));
}

TEST_F(EmrFolderTest, RefusesWhatItCannotWriteAndLeavesNothingBehind) {
  const EmrStudy study = Study(2);
  std::vector<std::string> files;
  EXPECT_EQ(EmrFolder::Write(Options(7), study, files), "EMR Image Type 7 is not one of 0 (PDF), 1 (PNG), 2 (SVG)");
  EmrFolderOptions options = Options(0);
  options.folder = File("missing");
  EXPECT_EQ(EmrFolder::Write(options, study, files), "the EMR Data Path " + File("missing") + " is not a folder");
  options.folder.clear();
  EXPECT_EQ(EmrFolder::Write(options, study, files), "no EMR Data Path is configured");

  EmrStudy empty = study;
  empty.recordingPath = File("empty.link");
  WriteFile(empty.recordingPath, "");
  const std::optional<std::string> fault = EmrFolder::Write(Options(0), empty, files);
  ASSERT_TRUE(fault);
  EXPECT_TRUE(fault->starts_with(empty.recordingPath + ": ")) << *fault;
  empty.recordingPath = File("absent.link");
  EXPECT_EQ(EmrFolder::Write(Options(0), empty, files),
            File("absent.link") + ": cannot open the recording " + File("absent.link"));
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
