#pragma once

#include <span>

#include "link/FieldList.h"
#include "link/LinkApi.h"

// A packet kind of the monitor link as the station layer knows it: the packet class, the type
// header that names it in a stream, its fixed size, and the key that its last byte carries on
// the station's links (a packet's key from its construction on).
struct PacketKind {
  const char* name;  // the packet class, e.g. "PKParam_v110"
  unsigned char typeHeader;
  int size;
  unsigned char key;
  // Loads `block` (exactly `size` bytes, type header first) into a packet of this kind,
  // accepting whatever key it carries, and appends its fields to `out`.
  void (*listFields)(std::span<const unsigned char> block, FieldList& out);
};

// Every packet kind of protocol 1.10, in the order of their type headers.
VUDODA_LINK_API std::span<const PacketKind> AllPacketKinds();
// The kind whose type header is `typeHeader`, or nullptr when no kind has it.
VUDODA_LINK_API const PacketKind* FindPacketKind(unsigned char typeHeader);
