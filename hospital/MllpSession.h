#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "hospital/MllpFramer.h"

// One connection of a peer that sends HL7 messages over MLLP and waits for each answer
// (original mode). It reads frames, hands the messages to `handler` one at a time in the order
// they came, writes each answer in its frame, and only then goes on; while a message is being
// handled it reads nothing more, so a peer that sends ahead costs at most a read's worth of
// memory beside the frame under way (see MllpFramer). A framing fault or a frame that does not
// end within `frameTimeout` closes the connection; so does the peer's leaving. `onEnd` is told
// once, with the reason. Lives on the loop, kept alive by its own pending operations.
class MllpSession : public std::enable_shared_from_this<MllpSession> {
 public:
  // Sends `answer` (a message, unframed) back on the connection, if it is still open.
  using Reply = std::function<void(std::string answer)>;
  using Handler = std::function<void(std::string message, Reply reply)>;
  using Ended = std::function<void(MllpSession& session, const std::string& reason)>;

  MllpSession(boost::asio::ip::tcp::socket socket, std::string peer, Handler handler,
              std::chrono::milliseconds frameTimeout, Ended onEnd);

  void Start();
  void Close(const std::string& reason);
  const std::string& Peer() const { return m_peer; }

 private:
  void Read();
  void OnRead(const boost::system::error_code& error, std::size_t count);
  void TimeFrame();
  void OnFrameTimer(const boost::system::error_code& error);
  // Hands out the next whole message, or reads on.
  void Next();
  void Write(std::string answer);

  boost::asio::ip::tcp::socket m_socket;
  std::string m_peer;
  Handler m_handler;
  std::chrono::milliseconds m_frameTimeout;
  Ended m_onEnd;
  boost::asio::steady_timer m_frameTimer;
  MllpFramer m_framer;
  std::array<char, 65536> m_buffer{};
  std::string m_writing;
  bool m_busy = false;
  bool m_closed = false;
  bool m_timing = false;               // the frame timer runs for the frame under way
  std::uint64_t m_timedFrame = 0;      // frames completed when it was set
};
