#include "link/HostPort.h"

#include <gtest/gtest.h>

namespace {

TEST(HostPort, ReadsANameAnIpv4AndABracketedIpv6Endpoint) {
  const struct { const char* text; const char* host; int port; } good[] = {
      {"127.0.0.1:4500", "127.0.0.1", 4500},
      {"hospital-engine.example:2575", "hospital-engine.example", 2575},
      {"[fd00::c]:2575", "fd00::c", 2575},
      {"[::1]:0", "::1", 0},
      {"localhost:65535", "localhost", 65535},
  };
  for (const auto& c : good) {
    const std::optional<HostPort> endpoint = HostPort::Parse(c.text);
    ASSERT_TRUE(endpoint) << c.text;
    EXPECT_EQ(endpoint->host, c.host) << c.text;
    EXPECT_EQ(endpoint->port, c.port) << c.text;
  }
}

// Whatever is not HOST:PORT is refused, never read as some other endpoint: an IPv6 address
// without brackets would lose its last group to the port.
TEST(HostPort, RefusesWhatIsNoEndpoint) {
  for (const char* text : {"", "4500", ":4500", "host:", "host:port", "host:-1", "host:65536", "host:45 00",
                           "host:4500x", "fd00::c:2575", "[fd00::c:2575", "[]:2575", "host:+80"}) {
    EXPECT_FALSE(HostPort::Parse(text)) << text;
  }
}

}  // namespace
