#include "link/LoadKeyedPacket.h"

#include "packet/PKBase.h"

bool LoadKeyedPacket(PKBase& packet, std::span<const unsigned char> block) {
  // SetPacket takes the block as a plain pointer but only reads it.
  auto* bytes = const_cast<unsigned char*>(block.data());
  return packet.SetPacket(bytes, static_cast<int>(block.size()), 1) == 1;
}
