#include "link/StreamFramer.h"

#include <utility>

StreamFramer::StreamFramer(Sink sink) : m_sink(std::move(sink)) {}

void StreamFramer::Feed(std::span<const unsigned char> bytes) {
  m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
  Frame(false);
}

void StreamFramer::Finish() {
  Frame(true);
  FlushUnknown();
}

void StreamFramer::Frame(bool atEnd) {
  std::size_t pos = 0;
  while (pos < m_pending.size()) {
    const std::uint64_t offset = m_pendingOffset + pos;
    const PacketKind* kind = FindPacketKind(m_pending[pos]);
    const std::size_t available = m_pending.size() - pos;
    const bool whole = kind != nullptr && available >= static_cast<std::size_t>(kind->size);
    if (kind != nullptr && !whole && !atEnd) break;  // the rest of this packet is still to come
    if (kind == nullptr || (!whole && KeyedPacketFollows(pos))) {
      ExtendUnknown(offset);
      ++pos;
      continue;
    }
    FlushUnknown();
    const std::size_t length = whole ? static_cast<std::size_t>(kind->size) : available;
    const auto bytes = std::span<const unsigned char>(m_pending).subspan(pos, length);
    if (whole && bytes.back() != kind->key) {
      m_sink(FrameEvent{FrameEvent::Type::Unknown, offset, 1, kind, bytes});
      ++pos;
      continue;
    }
    m_sink(FrameEvent{whole ? FrameEvent::Type::Packet : FrameEvent::Type::Truncated, offset, length, kind, bytes});
    pos += length;
  }
  m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(pos));
  m_pendingOffset += pos;
}

bool StreamFramer::KeyedPacketAt(std::size_t pos) const {
  const PacketKind* kind = FindPacketKind(m_pending[pos]);
  if (kind == nullptr || m_pending.size() - pos < static_cast<std::size_t>(kind->size)) return false;
  return m_pending[pos + static_cast<std::size_t>(kind->size) - 1] == kind->key;
}

// Only asked at the end of the stream, over fewer bytes than the largest packet.
bool StreamFramer::KeyedPacketFollows(std::size_t pos) const {
  for (std::size_t next = pos + 1; next < m_pending.size(); ++next) {
    if (KeyedPacketAt(next)) return true;
  }
  return false;
}

void StreamFramer::ExtendUnknown(std::uint64_t offset) {
  if (m_unknownLength == 0) m_unknownOffset = offset;
  ++m_unknownLength;
}

void StreamFramer::FlushUnknown() {
  if (m_unknownLength == 0) return;
  m_sink(FrameEvent{FrameEvent::Type::Unknown, m_unknownOffset, m_unknownLength, nullptr, {}});
  m_unknownLength = 0;
}
