#pragma once

#include <cstdint>
#include <span>
#include <string>

class BedSession;
class PKParam_v110;
class PKPatient_v110;

// What a bed's link reports to the station that owns it, in the order the bytes came. Every
// call comes from the station's event loop.
class BedHost {
 public:
  virtual ~BedHost() = default;

  // Bytes just received, before they are framed.
  virtual void OnLinkBytes(BedSession& session, std::span<const unsigned char> bytes) = 0;
  // Bytes that belong to no packet the station can use: unknown bytes, a truncated packet, a
  // packet whose key is wrong.
  virtual void OnBadBytes(BedSession& session, std::uint64_t count) = 0;
  virtual void OnPatient(BedSession& session, PKPatient_v110& patient) = 0;
  virtual void OnNumerics(BedSession& session, PKParam_v110& numerics) = 0;
  // The link ended (closed by the monitor or failed); the session is done.
  virtual void OnLinkEnded(BedSession& session, const std::string& reason) = 0;
};
