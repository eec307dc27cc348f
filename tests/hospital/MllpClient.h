#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

#include "hospital/MllpFramer.h"

// A blocking MLLP peer on the loopback address for the tests: sends raw bytes or framed
// messages and reads framed answers, each read bounded in time.
class MllpClient {
 public:
  MllpClient() = default;
  ~MllpClient() { Close(); }
  MllpClient(const MllpClient&) = delete;
  MllpClient& operator=(const MllpClient&) = delete;

  bool Connect(int port) {
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  void Close() {
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
  }

  // False once the peer has closed the connection.
  bool SendRaw(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t count = ::send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (count <= 0) return false;
      sent += static_cast<std::size_t>(count);
    }
    return true;
  }
  bool Send(const std::string& message) { return SendRaw(MllpFramer::Wrap(message)); }

  // The next framed answer, or nullopt when none came within `limit` or the connection ended.
  std::optional<std::string> Answer(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
      if (std::optional<std::string> message = m_framer.Next()) return message;
      if (!Receive(end)) return std::nullopt;
    }
  }

  // Whether the peer closes the connection within `limit` (what arrives meanwhile is kept).
  bool ClosedWithin(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (Receive(end)) {
    }
    return m_closed;
  }

 private:
  bool Receive(std::chrono::steady_clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd ready{m_socket, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[65536];
    const ssize_t count = ::recv(m_socket, chunk, sizeof chunk, 0);
    if (count <= 0) {
      m_closed = true;
      return false;
    }
    m_framer.Feed(std::string_view(chunk, static_cast<std::size_t>(count)));
    return true;
  }

  int m_socket = -1;
  MllpFramer m_framer;
  bool m_closed = false;
};
