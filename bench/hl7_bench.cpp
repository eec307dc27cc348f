// The hospital side's two costs, each beside a hand-written baseline in the same program:
//
//   - ORU messages a second that HospitalSender sustains to a receiver on the loopback address
//     (every message appended to the durable queue and synced, sent, acknowledged, removed and
//     the removal synced), against a raw MLLP loop that writes the same frames to the same
//     receiver and reads each acknowledgement, keeping nothing;
//   - the wall time to put an 8-hour study's strip (PDF, 1 cm/min) into the EMR folder
//     (temporary file, sync, rename, folder sync), against drawing the same strip straight to a
//     file.
//
// The queue and the EMR folder are in the system's temporary folder (printed with its file
// system): the sync costs are that disk's.
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "../tests/LoopbackListener.h"
#include "hospital/EmrFolder.h"
#include "hospital/HospitalSender.h"
#include "hospital/Hl7Message.h"
#include "hospital/MllpFramer.h"
#include "hospital/OffloadWorker.h"
#include "hospital/OruBuilder.h"
#include "link/MonitorSimulator.h"
#include "strip/LinkStrip.h"
#include "strip/StripSurface.h"

namespace {

using namespace std::chrono;
using Clock = steady_clock;

constexpr int kMessages = 1000;

// 15 seconds of a bed: FHR1 and UC at 4 values a second, and an alarm (about 14 KB).
Hl7Message Observation(int number) {
  ObservationReport report;
  report.patientId = "P" + std::to_string(number % 64);
  report.from = system_clock::now();
  report.to = report.from + 15s;
  for (int sample = 0; sample < 60; ++sample) {
    report.values.push_back({TraceChannel::FHR1, report.from + milliseconds(250 * sample), 140.25});
    report.values.push_back({TraceChannel::UC, report.from + milliseconds(250 * sample), 20.5});
  }
  report.alarms = {{"FHR1", 1, "Upper Limit", ObservationReport::Alarm::Priority::High, report.from}};
  std::string fault;
  return *OruBuilder({"VUDODA", "WARD", "EMR", "CITY"}).Build(report, report.to, fault);
}

// Answers AA to every frame on every connection it accepts, one connection at a time, until
// the listener closes.
void AnswerAll(int listener) {
  while (true) {
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) return;
    MllpFramer framer;
    char chunk[65536];
    while (true) {
      const ssize_t count = ::recv(connection, chunk, sizeof chunk, 0);
      if (count <= 0 || !framer.Feed(std::string_view(chunk, static_cast<std::size_t>(count)))) break;
      while (const std::optional<std::string> message = framer.Next()) {
        const std::size_t tenth = [&] {
          std::size_t at = 0;
          for (int bars = 0; bars < 9 && at != std::string::npos; ++bars) at = message->find('|', at + 1);
          return at;
        }();
        const std::string controlId = message->substr(tenth + 1, message->find('|', tenth + 1) - tenth - 1);
        const std::string ack = MllpFramer::Wrap("MSH|^~\\&|EMR\rMSA|AA|" + controlId + "\r");
        ::send(connection, ack.data(), ack.size(), MSG_NOSIGNAL);
      }
    }
    ::close(connection);
  }
}

double RawLoop(int port, const std::vector<std::string>& frames) {
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const auto start = Clock::now();
  MllpFramer framer;
  char chunk[4096];
  for (const std::string& frame : frames) {
    ::send(client, frame.data(), frame.size(), MSG_NOSIGNAL);
    while (!framer.Next()) {
      const ssize_t count = ::recv(client, chunk, sizeof chunk, 0);
      if (count <= 0) break;
      framer.Feed(std::string_view(chunk, static_cast<std::size_t>(count)));
    }
  }
  const double seconds = duration<double>(Clock::now() - start).count();
  ::close(client);
  return seconds;
}

double Sender(int port, const std::string& queue) {
  boost::asio::io_context loop;
  auto guard = boost::asio::make_work_guard(loop);
  OffloadWorker worker(loop);
  std::thread thread([&] { loop.run(); });
  HospitalSenderOptions options;
  options.host = "127.0.0.1";
  options.port = port;
  options.queueFolder = queue;
  HospitalSender sender(loop, options, worker.Facility(), {});
  std::vector<Hl7Message> messages;
  for (int i = 0; i < kMessages; ++i) messages.push_back(Observation(i));
  std::promise<void> drained;
  const auto start = Clock::now();
  boost::asio::post(loop, [&] {
    sender.Start();
    for (Hl7Message& message : messages) sender.Enqueue(std::move(message));
  });
  std::atomic<bool> empty = false;
  while (!empty) {
    std::this_thread::sleep_for(1ms);
    std::promise<bool> asked;
    boost::asio::post(loop, [&] { asked.set_value(sender.Depth() == 0); });
    empty = asked.get_future().get();
  }
  const double seconds = duration<double>(Clock::now() - start).count();
  boost::asio::post(loop, [&] { sender.Stop(); });
  guard.reset();
  loop.stop();
  thread.join();
  return seconds;
}

void WriteLink(const std::string& path, double hours) {
  std::ofstream out(path, std::ios::binary);
  MonitorSimulator(7).Run(static_cast<std::uint64_t>(hours * 3600 * 1000), [&](std::span<const unsigned char> packet) {
    return static_cast<bool>(out.write(reinterpret_cast<const char*>(packet.data()),
                                       static_cast<std::streamsize>(packet.size())));
  });
}

double DrawStraight(const std::string& link, const std::string& pdf) {
  const auto start = Clock::now();
  const StripLayout layout(1, StripLayout::DefaultBpmPerCm(1), StripPaper::A4);
  StripSurface surface(pdf, StripFormat::Pdf, layout.PageWidth(), layout.PageHeight());
  surface.Open();
  LinkStrip strip(surface, layout, StripColors::Paper(), {"Bench Hospital", "", "P1", "S1"});
  std::ifstream in(link, std::ios::binary);
  if (const auto fault = strip.Draw(in, false)) std::fprintf(stderr, "strip: %s\n", fault->c_str());
  return duration<double>(Clock::now() - start).count();
}

double ToEmrFolder(const std::string& link, const std::string& folder) {
  const auto start = Clock::now();
  std::vector<std::string> files;
  const EmrStudy study{"P1", "Bench Patient", "S1", system_clock::now(), link};
  if (const auto fault = EmrFolder::Write({folder, 0, 1, "Bench Hospital"}, study, files)) {
    std::fprintf(stderr, "EMR folder: %s\n", fault->c_str());
  }
  return duration<double>(Clock::now() - start).count();
}

const char* FileSystemOf(const std::string& path) {
  struct statfs status {};
  if (::statfs(path.c_str(), &status) != 0) return "unknown";
  switch (status.f_type) {
    case 0x01021994: return "tmpfs";
    case 0xEF53: return "ext4";
    case 0x794C7630: return "overlayfs";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    default: return "other";
  }
}

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vudoda-hl7-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "emr");
  std::printf("folder %s (%s)\n", folder.c_str(), FileSystemOf(folder.string()));

  const LoopbackListener listener;
  std::thread receiver(AnswerAll, listener.Socket());
  std::vector<std::string> frames;
  for (int i = 0; i < kMessages; ++i) {
    Hl7Message message = Observation(i);
    message.Header().Set(10, std::to_string(i));
    frames.push_back(MllpFramer::Wrap(message.Serialise()));
  }
  std::printf("%d ORU messages of %zu bytes\n", kMessages, frames[0].size());
  const double raw = RawLoop(listener.Port(), frames);
  const double queued = Sender(listener.Port(), (folder / "queue").string());
  ::shutdown(listener.Socket(), SHUT_RDWR);
  receiver.join();
  std::printf("%-44s %9.0f messages/s   (baseline)\n", "raw MLLP write/ack loop", kMessages / raw);
  std::printf("%-44s %9.0f messages/s   %6.3fx baseline rate\n", "HospitalSender through the durable queue",
              kMessages / queued, raw / queued);

  const std::string link = (folder / "8h.link").string();
  WriteLink(link, 8);
  const double straight = DrawStraight(link, (folder / "straight.pdf").string());
  const double emr = ToEmrFolder(link, (folder / "emr").string());
  std::printf("%-44s %9.2f s            (baseline)\n", "8-hour strip, PDF 1 cm/min, straight to file", straight);
  std::printf("%-44s %9.2f s            %6.2fx baseline time\n", "8-hour strip into the EMR folder", emr,
              emr / straight);
  std::filesystem::remove_all(folder);
  return 0;
}
