#include "link/PacketKind.h"

#include <array>

#include "link/PacketFields.h"
#include "packet/PKAlarm_v110.h"
#include "packet/PKControl.h"
#include "packet/PKMonitor_v110.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"
#include "packet/PKWave_v110.h"

namespace {

template <class Packet>
void LoadAndList(std::span<const unsigned char> block, FieldList& out) {
  Packet packet;
  // SetPacket only reads the block; its parameter is not const-qualified.
  packet.SetPacket(const_cast<unsigned char*>(block.data()), static_cast<int>(block.size()), 0);
  ListFields(packet, out);
}

// Type header, size and key come from the packet class itself, so the framer cannot disagree
// with it.
template <class Packet>
PacketKind Describe(const char* name) {
  Packet packet;
  return PacketKind{name, packet.GetTypeHeader(), packet.GetPacketSize(), packet.GetKey(), &LoadAndList<Packet>};
}

const std::array<PacketKind, 7>& Kinds() {
  static const std::array<PacketKind, 7> kinds{
      Describe<PKControl>("PKControl"),           Describe<PKProtocolVer>("PKProtocolVer"),
      Describe<PKPatient_v110>("PKPatient_v110"), Describe<PKAlarm_v110>("PKAlarm_v110"),
      Describe<PKMonitor_v110>("PKMonitor_v110"), Describe<PKWave_v110>("PKWave_v110"),
      Describe<PKParam_v110>("PKParam_v110"),
  };
  return kinds;
}

// The framer asks once per byte, so the answer is one table look-up.
const std::array<const PacketKind*, 256>& KindByHeader() {
  static const std::array<const PacketKind*, 256> byHeader = [] {
    std::array<const PacketKind*, 256> table{};
    for (const PacketKind& kind : Kinds()) table[kind.typeHeader] = &kind;
    return table;
  }();
  return byHeader;
}

}  // namespace

std::span<const PacketKind> AllPacketKinds() { return Kinds(); }

const PacketKind* FindPacketKind(unsigned char typeHeader) { return KindByHeader()[typeHeader]; }
