#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "link/LinkApi.h"

// The bedside end of a monitor link over TCP: connects to a station and sends the link's bytes
// to it, blocking until each write is handed to the system. Asio stays out of this header.
class VUDODA_LINK_API LinkConnection {
 public:
  LinkConnection();
  ~LinkConnection();
  LinkConnection(const LinkConnection&) = delete;
  LinkConnection& operator=(const LinkConnection&) = delete;

  // Connects to `address`, written HOST:PORT (a name or an IPv4 address; an IPv6 address in
  // brackets). Returns the fault (a bad address, a refused or failed connection), or nullopt.
  std::optional<std::string> Connect(const std::string& address);
  // Sends `bytes`. Returns false once the connection failed; Fault() then tells why. Later
  // sends do nothing.
  bool Send(std::span<const unsigned char> bytes);
  // Closes the connection after the bytes sent so far.
  void Close();
  std::optional<std::string> Fault() const { return m_fault; }

 private:
  struct Socket;
  std::unique_ptr<Socket> m_socket;
  std::optional<std::string> m_fault;
};
