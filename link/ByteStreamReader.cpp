#include "link/ByteStreamReader.h"

#include <cerrno>
#include <cstring>
#include <istream>
#include <string_view>
#include <vector>

#include "link/HexDecoder.h"

namespace {
constexpr std::size_t kChunkSize = 64 * 1024;
}  // namespace

ByteStreamReader::ByteStreamReader(std::istream& in, bool hex) : m_in(in), m_hex(hex) {}

std::optional<std::string> ByteStreamReader::ReadAll(const Consumer& consume) {
  std::vector<char> chunk(kChunkSize);
  std::vector<unsigned char> decoded;
  HexDecoder hex;
  while (m_in) {
    m_in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::string_view read(chunk.data(), static_cast<std::size_t>(m_in.gcount()));
    if (read.empty()) break;
    if (!m_hex) {
      if (!consume(std::span(reinterpret_cast<const unsigned char*>(read.data()), read.size()))) return std::nullopt;
      continue;
    }
    decoded.clear();
    const std::optional<std::string> fault = hex.Feed(read, decoded);
    if (!consume(decoded)) return std::nullopt;
    if (fault) return fault;
  }
  if (m_in.bad()) return std::string("read error: ") + std::strerror(errno);
  return m_hex ? hex.Finish() : std::nullopt;
}
