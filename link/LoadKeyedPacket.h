#pragma once

#include <span>

#include "link/LinkApi.h"

class PKBase;

// Loads a framed block of the link into `packet`, as the station takes a packet in: only when
// its last byte is the packet's key. Returns whether it was loaded.
VUDODA_LINK_API bool LoadKeyedPacket(PKBase& packet, std::span<const unsigned char> block);
