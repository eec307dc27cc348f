#pragma once

#include <array>
#include <boost/asio.hpp>
#include <chrono>
#include <memory>
#include <string>

#include "link/StreamFramer.h"

class BedHost;

// One monitor's connection to the station: owns the socket, reads in a loop that re-arms
// itself, frames the bytes and decodes the packets the station uses, and tells its host. An
// error ends this session alone; the other beds never wait for it.
class BedSession : public std::enable_shared_from_this<BedSession> {
 public:
  using Clock = std::chrono::steady_clock;

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
  const std::string& Peer() const { return m_peer; }
  Clock::time_point LastReceived() const { return m_lastReceived; }

 private:
  void ReadSome();
  void OnFrame(const FrameEvent& event);
  void Decode(const FrameEvent& event);

  boost::asio::ip::tcp::socket m_socket;
  BedHost& m_host;
  StreamFramer m_framer;
  std::array<unsigned char, 16 * 1024> m_buffer{};
  std::string m_peer;
  int m_bed = -1;
  bool m_closed = false;
  Clock::time_point m_lastReceived;
};
