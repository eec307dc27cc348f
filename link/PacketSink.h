#pragma once

#include <functional>
#include <span>

// Where a monitor's link goes, packet by packet: a file, a socket, a test's list. It returns
// false when it can take no more (the connection failed), and the sender then stops.
using PacketSink = std::function<bool(std::span<const unsigned char> packet)>;
