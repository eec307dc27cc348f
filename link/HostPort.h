#pragma once

#include <optional>
#include <string>

#include "link/LinkApi.h"

// An endpoint as a person writes it, HOST:PORT: a name or an IPv4 address, or an IPv6 address
// in brackets ("[fd00::c]:2575"), then a port of 0 to 65535. The station's options (where it
// listens, where it sends) and the bedside end of a link read endpoints this one way.
struct VUDODA_LINK_API HostPort {
  std::string host;  // without the brackets of an IPv6 address
  int port = 0;

  // The endpoint `text` names, or nullopt when it is not HOST:PORT (no colon, an empty host or
  // port, a port that is not a number of 0 to 65535, an IPv6 address without its brackets).
  static std::optional<HostPort> Parse(const std::string& text);
};
