#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <optional>
#include <string>

// The addresses of the ward's web side: where it listens, whether that is the machine's own
// (loopback), and which client a login failure is counted against.
class WebAddress {
 public:
  // ADDRESS:PORT: an IPv4 address, an IPv6 address in brackets, or localhost (127.0.0.1); a
  // port of 0 ... 65535. nullopt for anything else.
  static std::optional<boost::asio::ip::tcp::endpoint> Parse(const std::string& text);
  // Whether `address` reaches only this machine (127.0.0.0/8, ::1, or IPv4 loopback in IPv6).
  static bool IsLoopback(const boost::asio::ip::address& address);
  // The client a failed login is counted against: its IPv4 address, or its IPv6 /64 (one
  // client may own a whole /64).
  static std::string Client(const boost::asio::ip::address& address);
};
