#include "link/HostPort.h"

#include <charconv>

std::optional<HostPort> HostPort::Parse(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return std::nullopt;  // an IPv6 address needs its brackets, or its port cannot be told
  }
  const std::string port = text.substr(colon + 1);
  int number = -1;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (host.empty() || port.empty() || error != std::errc() || end != port.data() + port.size() || number < 0 ||
      number > 65535) {
    return std::nullopt;
  }
  return HostPort{host, number};
}
