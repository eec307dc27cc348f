#include "hospital/MllpFramer.h"

#include <cstdio>

std::string MllpFramer::Wrap(std::string_view message) {
  std::string frame;
  frame.reserve(message.size() + 3);
  frame.push_back(kStart);
  frame.append(message);
  frame.push_back(kEnd);
  frame.push_back(kCarriageReturn);
  return frame;
}

bool MllpFramer::Feed(std::string_view bytes) {
  if (m_fault) return false;
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (m_state == State::Inside) {
      // The frame's text up to its end, a misplaced start, or what the chunk holds.
      const std::size_t stop = bytes.find_first_of(std::string_view("\x0b\x1c", 2), at);
      const std::size_t length = (stop == std::string_view::npos ? bytes.size() : stop) - at;
      if (m_current.size() + length > kMaxFrameBytes) {
        m_fault = "a frame grew beyond " + std::to_string(kMaxFrameBytes) + " bytes";
        return false;
      }
      m_current.append(bytes.substr(at, length));
      at += length;
      if (at == bytes.size()) break;
      if (bytes[at] == kStart) {
        m_fault = "a frame began inside another (a start byte 0x0B before the end 0x1C 0x0D)";
        return false;
      }
      m_complete.push_back(std::move(m_current));
      ++m_completed;
      m_current.clear();
      m_state = State::AfterEnd;
      ++at;
      continue;
    }
    if (!TakeOutside(bytes[at++])) return false;
  }
  return true;
}

bool MllpFramer::TakeOutside(char byte) {
  if (m_state == State::AfterEnd) {
    m_state = State::Outside;
    if (byte == kCarriageReturn) return true;
  }
  if (byte == kStart) {
    m_state = State::Inside;
    return true;
  }
  if (byte == '\r' || byte == '\n' || byte == ' ' || byte == '\t') return true;
  char text[64];
  std::snprintf(text, sizeof text, "byte 0x%02X outside a frame", static_cast<unsigned char>(byte));
  m_fault = text;
  return false;
}

std::optional<std::string> MllpFramer::Next() {
  if (m_complete.empty()) return std::nullopt;
  std::string message = std::move(m_complete.front());
  m_complete.pop_front();
  return message;
}
