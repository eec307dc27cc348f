#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <span>
#include <string>

// A monitor's connection to a station on the loopback address from an address of its own
// (127.0.0.2, 127.0.0.3 …, all loopback), as the monitors a ward file names connect.
class AddressedMonitor {
 public:
  AddressedMonitor() = default;
  ~AddressedMonitor() { Close(); }
  AddressedMonitor(const AddressedMonitor&) = delete;
  AddressedMonitor& operator=(const AddressedMonitor&) = delete;

  // Connects from `source` to the station at 127.0.0.1:`port`; false when it cannot.
  bool Connect(const std::string& source, int port) { return Open(source) && Connect(port); }
  // The socket, bound to `source`: what a connection needs of the process's descriptors.
  bool Open(const std::string& source) {
    Close();
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    return m_socket >= 0 && ::bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
  }
  // Connects the open socket to the station at 127.0.0.1:`port`.
  bool Connect(int port) {
    sockaddr_in station{};
    station.sin_family = AF_INET;
    station.sin_port = htons(static_cast<std::uint16_t>(port));
    station.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(m_socket, reinterpret_cast<const sockaddr*>(&station), sizeof station) == 0;
  }
  // Sends all of `bytes`; false once the link failed.
  bool Send(std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes = bytes.subspan(static_cast<std::size_t>(sent));
    }
    return true;
  }
  // What the station tells before it closes the connection (a refusal).
  std::string Told() {
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::recv(m_socket, buffer, sizeof buffer, 0)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
    return text;
  }
  void Close() {
    if (m_socket >= 0) ::close(m_socket);
    m_socket = -1;
  }

 private:
  int m_socket = -1;
};
