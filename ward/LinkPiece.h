#pragma once

#include <span>

class PKParam_v110;
class PKPatient_v110;

// One piece of a bed's link as it came: a whole packet, or bytes that make no packet the station
// can use (unknown bytes, a truncated packet, a packet whose key is wrong, a garbled patient).
// The pieces of a link hold each of its bytes once, in the order they came; bytes that make no
// packet go with the pieces around them, to the study in force when they came.
struct LinkPiece {
  enum class Kind { Packet, Patient, Numerics, Bad };

  Kind kind = Kind::Bad;
  std::span<const unsigned char> bytes;  // valid during the call that hands the piece on
  PKPatient_v110* patient = nullptr;     // Kind::Patient: the packet, loaded
  PKParam_v110* numerics = nullptr;      // Kind::Numerics: the packet, loaded
};
