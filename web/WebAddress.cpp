#include "web/WebAddress.h"

#include <charconv>

namespace ip = boost::asio::ip;

namespace {

std::optional<unsigned short> ParsePort(const std::string& text) {
  unsigned int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || port > 65535) return std::nullopt;
  return static_cast<unsigned short>(port);
}

// IPv4 addresses that arrive as IPv6 (::ffff:a.b.c.d) count as the IPv4 address.
ip::address Unmapped(const ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    return ip::make_address_v4(ip::v4_mapped, address.to_v6());
  }
  return address;
}

}  // namespace

std::optional<ip::tcp::endpoint> WebAddress::Parse(const std::string& text) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos) return std::nullopt;
  std::string host = text.substr(0, colon);
  const auto port = ParsePort(text.substr(colon + 1));
  if (!port) return std::nullopt;
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return std::nullopt;  // an IPv6 address needs its brackets
  }
  if (host == "localhost") host = "127.0.0.1";
  boost::system::error_code error;
  const ip::address address = ip::make_address(host, error);
  if (error) return std::nullopt;
  return ip::tcp::endpoint(address, *port);
}

bool WebAddress::IsLoopback(const ip::address& address) { return Unmapped(address).is_loopback(); }

std::string WebAddress::Client(const ip::address& address) {
  const ip::address client = Unmapped(address);
  if (client.is_v4()) return client.to_string();
  ip::address_v6::bytes_type bytes = client.to_v6().to_bytes();
  std::fill(bytes.begin() + 8, bytes.end(), 0);
  return ip::make_address_v6(bytes).to_string() + "/64";
}
