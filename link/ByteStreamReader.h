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
  // Takes a chunk; false when it wants no more (its own output is gone, say).
  using Consumer = std::function<bool(std::span<const unsigned char>)>;

  ByteStreamReader(std::istream& in, bool hex);

  // Passes the stream's bytes to `consume`, chunk by chunk, until it wants no more. Returns the
  // fault that stopped reading (a read error, bad hex text), or nullopt at the regular end of
  // the stream and where the consumer stopped it.
  std::optional<std::string> ReadAll(const Consumer& consume);

 private:
  std::istream& m_in;
  bool m_hex;
};
