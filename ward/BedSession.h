#pragma once

#include <array>
#include <boost/asio.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/StreamFramer.h"

class BedHost;
struct PacketKind;

// One monitor's connection to the station: owns the socket, reads in a loop that re-arms
// itself (after a pause of at most 30 ms when the socket is empty, so that the beds' packets are
// read together), frames the bytes and hands them to its host piece by piece (LinkPiece), decoding the
// patient and numerics packets on the way. It keeps the link's latest protocol version and
// monitor settings packets, with which a study that begins in the middle of the link begins
// too, and counts the patients the link announces. An error ends this session alone; the other
// beds never wait for it.
class BedSession : public std::enable_shared_from_this<BedSession> {
 public:
  using Clock = std::chrono::steady_clock;

  // A monitor changes patient rarely: a link may have this many admitted within an hour.
  static constexpr std::size_t kAdmissionsPerHour = 4;

  BedSession(boost::asio::ip::tcp::socket socket, BedHost& host);
  BedSession(const BedSession&) = delete;
  BedSession& operator=(const BedSession&) = delete;

  // Starts reading. The session keeps itself alive while a read is pending.
  void Start();
  // Ends the link from the station's side; the host hears nothing more of it.
  void Close();
  // Tells the monitor `reason` and closes, without reading anything of the link.
  void Refuse(const std::string& reason);

  // The bed (0-based) that the station gave the link.
  int Bed() const { return m_bed; }
  void SetBed(int bed) { m_bed = bed; }
  // "ADDRESS:PORT" of the monitor, and its address alone (an IPv4 address as such, also when
  // it came over IPv6).
  const std::string& Peer() const { return m_peer; }
  const std::string& Address() const { return m_address; }
  Clock::time_point LastReceived() const { return m_lastReceived; }
  // The link's latest protocol version and monitor settings packets, in that order.
  std::vector<unsigned char> Context() const;
  // Whether the link may have one more patient admitted now (see kAdmissionsPerHour); counts
  // the admission when it may.
  bool MayAdmit(Clock::time_point now);

 private:
  void ReadSome();
  void ReadAtNextTick();
  void Received(std::span<const unsigned char> bytes);
  void OnFrame(const FrameEvent& event);
  void HandOn(std::uint64_t end, const PacketKind* kind);
  void SettleLongRun();

  boost::asio::ip::tcp::socket m_socket;
  BedHost& m_host;
  boost::asio::steady_timer m_pause;  // until the next read, after one that left the socket empty
  StreamFramer m_framer;
  std::array<unsigned char, 16 * 1024> m_buffer{};
  std::string m_peer;
  std::string m_address;
  // Bytes received in this read and before it: handed on up to index m_handed, which is the
  // stream's offset m_handedOffset.
  std::vector<unsigned char> m_unsettled;
  std::size_t m_handed = 0;
  std::uint64_t m_handedOffset = 0;
  std::vector<unsigned char> m_version;
  std::vector<unsigned char> m_monitor;
  std::deque<Clock::time_point> m_admissions;
  int m_bed = -1;
  bool m_closed = false;
  Clock::time_point m_lastReceived;
};
