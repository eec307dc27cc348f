#pragma once

// A ward of simulated bedside monitors at their real pace, for the station's benchmark: each bed
// is a TCP connection that sends its link packet by packet, each packet in a send of its own at
// the moment a monitor sends it (the settings at once, a waveform packet every 50 ms, a numerics
// packet when its 1.25 s are over: LinkPacer's rule), so that every packet reaches the station
// alone, as a real monitor's do. The beds begin at random moments within a waveform period, so
// that their packets spread over it. A few sender threads each pace many beds from one queue of
// due times; they are the monitors' side and are never counted as the station's.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <queue>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/MonitorSimulator.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKWave_v110.h"

class PacedWard {
 public:
  using Clock = std::chrono::steady_clock;
  // Sends that came this many milliseconds or more after their moment share the last bucket.
  static constexpr std::size_t kLatenessBuckets = 256;
  using Lateness = std::array<std::uint64_t, kLatenessBuckets>;

  // `beds` monitors for `linkSeconds` each, paced by `senders` threads.
  PacedWard(int beds, int senders, std::uint64_t linkSeconds) : m_senders(static_cast<std::size_t>(senders)) {
    for (std::uint32_t seed = 1; seed <= kDistinctLinks; ++seed) m_links.push_back(MakeLink(seed, linkSeconds));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(MonitorSimulator::kWaveMilliseconds * 1000) - 1);
    for (int bed = 0; bed < beds; ++bed) {
      m_beds.push_back(Bed{-1, &m_links[static_cast<std::size_t>(bed) % m_links.size()], Patient(bed), 0,
                           std::chrono::microseconds(phase(random))});
    }
  }
  ~PacedWard() {
    Stop();
    Close();
  }
  PacedWard(const PacedWard&) = delete;
  PacedWard& operator=(const PacedWard&) = delete;

  // Connects every bed to 127.0.0.1:`port`; the fault, or nullopt.
  std::optional<std::string> Connect(int port) {
    for (Bed& bed : m_beds) {
      bed.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<std::uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const int on = 1;
      if (bed.fd < 0 || ::setsockopt(bed.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
          ::connect(bed.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return "bed " + std::to_string(&bed - m_beds.data() + 1) + " cannot connect";
      }
    }
    return std::nullopt;
  }

  // Every bed's monitor begins now, each at its phase.
  void Start() {
    const Clock::time_point start = Clock::now();
    for (std::size_t sender = 0; sender < m_senders.size(); ++sender) {
      m_threads.emplace_back([this, sender, start] { Pace(sender, start); });
    }
  }

  void Stop() {
    m_stop = true;
    for (std::thread& thread : m_threads) thread.join();
    m_threads.clear();
  }

  void Close() {
    for (Bed& bed : m_beds) {
      if (bed.fd >= 0) ::close(bed.fd);
      bed.fd = -1;
    }
  }

  std::uint64_t SentBytes() const { return Sum(&Sender::bytes); }
  std::uint64_t SentPackets() const { return Sum(&Sender::packets); }
  // How late the sends were, in whole milliseconds, so far.
  Lateness LatenessSoFar() const {
    Lateness all{};
    for (const Sender& sender : m_senders) {
      for (std::size_t bucket = 0; bucket < kLatenessBuckets; ++bucket) all[bucket] += sender.lateness[bucket].load();
    }
    return all;
  }
  // The lateness in milliseconds that `share` of the sends counted in `histogram` stayed within.
  static std::size_t Quantile(const Lateness& histogram, double share) {
    std::uint64_t total = 0;
    for (std::uint64_t count : histogram) total += count;
    std::uint64_t seen = 0;
    for (std::size_t bucket = 0; bucket < kLatenessBuckets; ++bucket) {
      seen += histogram[bucket];
      if (static_cast<double>(seen) >= share * static_cast<double>(total)) return bucket;
    }
    return kLatenessBuckets - 1;
  }

 private:
  static constexpr std::uint32_t kDistinctLinks = 16;

  struct Packet {
    std::size_t offset;
    std::size_t size;
    std::chrono::milliseconds due;  // after the link's start
  };
  struct Link {
    std::vector<unsigned char> bytes;
    std::vector<Packet> packets;
  };
  struct Bed {
    int fd;
    const Link* link;
    std::vector<unsigned char> patient;  // its own patient packet, sent in place of the link's
    std::size_t next;
    std::chrono::microseconds phase;
  };
  struct Sender {
    std::atomic<std::uint64_t> bytes = 0;
    std::atomic<std::uint64_t> packets = 0;
    std::array<std::atomic<std::uint64_t>, kLatenessBuckets> lateness{};
  };

  // The simulated monitor's link with each packet's moment, as LinkPacer paces it.
  static Link MakeLink(std::uint32_t seed, std::uint64_t seconds) {
    static const unsigned char kWave = PKWave_v110().GetTypeHeader();
    static const unsigned char kNumerics = PKParam_v110().GetTypeHeader();
    Link link;
    std::uint64_t linkMilliseconds = 0;
    MonitorSimulator(seed).Run(seconds * 1000, [&](std::span<const unsigned char> packet) {
      if (packet.front() == kWave) linkMilliseconds += MonitorSimulator::kWaveMilliseconds;
      if (packet.front() == kNumerics) {
        PKParam_v110 numerics;
        numerics.SetPacket(const_cast<unsigned char*>(packet.data()), static_cast<int>(packet.size()), 0);
        linkMilliseconds =
            std::max<std::uint64_t>(linkMilliseconds, numerics.GetTimeStamp() + MonitorSimulator::kNumericsMilliseconds);
      }
      link.packets.push_back(Packet{link.bytes.size(), packet.size(), std::chrono::milliseconds(linkMilliseconds)});
      link.bytes.insert(link.bytes.end(), packet.begin(), packet.end());
      return true;
    });
    return link;
  }

  // A made-up patient of the bed's own, so that every bed is a study of its own.
  static std::vector<unsigned char> Patient(int bed) {
    PKPatient_v110 patient;
    patient.SetPatientId(("PACE-" + std::to_string(bed + 1)).c_str());
    patient.SetLastName("Pacemother");
    patient.ResetCheckSum();
    return {patient.GetPacket(), patient.GetPacket() + patient.GetPacketSize()};
  }

  void Pace(std::size_t sender, Clock::time_point start) {
    using Due = std::pair<Clock::time_point, std::size_t>;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> due;
    for (std::size_t bed = sender; bed < m_beds.size(); bed += m_senders.size()) due.emplace(start + m_beds[bed].phase, bed);
    Sender& counts = m_senders[sender];
    while (!m_stop && !due.empty()) {
      const Clock::time_point now = Clock::now();
      while (!due.empty() && due.top().first <= now) {
        const auto [moment, index] = due.top();
        due.pop();
        Bed& bed = m_beds[index];
        const std::size_t late = static_cast<std::size_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now - moment).count());
        counts.lateness[std::min(late, kLatenessBuckets - 1)].fetch_add(1, std::memory_order_relaxed);
        counts.bytes.fetch_add(Send(bed), std::memory_order_relaxed);
        counts.packets.fetch_add(1, std::memory_order_relaxed);
        if (++bed.next < bed.link->packets.size()) due.emplace(start + bed.phase + bed.link->packets[bed.next].due, index);
      }
      if (!due.empty()) std::this_thread::sleep_until(std::max(due.top().first, now + std::chrono::milliseconds(1)));
    }
  }

  // Sends the bed's next packet in one send; the bytes sent.
  static std::size_t Send(const Bed& bed) {
    static const unsigned char kPatient = PKPatient_v110().GetTypeHeader();
    const Packet& packet = bed.link->packets[bed.next];
    std::span<const unsigned char> bytes(bed.link->bytes.data() + packet.offset, packet.size);
    if (bytes.front() == kPatient) bytes = bed.patient;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t done = ::send(bed.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (done <= 0) break;
      sent += static_cast<std::size_t>(done);
    }
    return sent;
  }

  template <class Member>
  std::uint64_t Sum(Member member) const {
    std::uint64_t sum = 0;
    for (const Sender& sender : m_senders) sum += (sender.*member).load();
    return sum;
  }

  std::vector<Link> m_links;
  std::vector<Bed> m_beds;
  std::vector<Sender> m_senders;
  std::vector<std::thread> m_threads;
  std::atomic<bool> m_stop = false;
};
