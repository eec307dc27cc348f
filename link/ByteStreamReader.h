#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "link/LinkApi.h"

// Reads a monitor-link byte stream to its end in chunks of bounded size, from raw bytes or
// from hex text (see HexDecoder), so that a stream of any length passes through.
class VUDODA_LINK_API ByteStreamReader {
 public:
  using Consumer = std::function<void(std::span<const unsigned char>)>;

  ByteStreamReader(std::istream& in, bool hex);

  // Passes the stream's bytes to `consume`, chunk by chunk. Returns the fault that stopped
  // reading (a read error, bad hex text), or nullopt at the regular end of the stream.
  std::optional<std::string> ReadAll(const Consumer& consume);

 private:
  std::istream& m_in;
  bool m_hex;
};
