#include "recording/RecordFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {
constexpr std::size_t kBufferRecords = 8192;
}  // namespace

std::optional<std::string> RecordFile::Open(const std::string& path, std::uint64_t headerSize,
                                            std::size_t recordSize, std::span<unsigned char> head) {
  m_path = path;
  m_recordSize = recordSize;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return "cannot open " + path + ": " + error.message();
  if (size == 0) return path + " is empty";
  if (size < headerSize) {
    return path + " is truncated: " + std::to_string(size) + " bytes, shorter than its " +
           std::to_string(headerSize) + "-byte header";
  }
  m_file.open(path, std::ios::binary);
  if (!m_file) return "cannot open " + path + ": " + std::strerror(errno);
  m_file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  m_file.seekg(static_cast<std::streamoff>(headerSize));
  if (!m_file) return "cannot read " + path;
  m_recordCount = (size - headerSize) / recordSize;
  m_tailBytes = (size - headerSize) % recordSize;
  m_recordsLeft = m_recordCount;
  m_buffer.resize(recordSize * static_cast<std::size_t>(std::min<std::uint64_t>(m_recordCount, kBufferRecords)));
  return std::nullopt;
}

std::span<const unsigned char> RecordFile::Next() {
  if (m_recordsLeft == 0 || m_fault) return {};
  if (m_pos == m_filled) {
    const std::uint64_t records = std::min<std::uint64_t>(m_recordsLeft, kBufferRecords);
    m_file.read(reinterpret_cast<char*>(m_buffer.data()), static_cast<std::streamsize>(records * m_recordSize));
    if (static_cast<std::uint64_t>(m_file.gcount()) != records * m_recordSize) {
      m_fault = "cannot read " + m_path + ": it ended early or a read failed";
      return {};
    }
    m_pos = 0;
    m_filled = static_cast<std::size_t>(records * m_recordSize);
  }
  const auto record = std::span<const unsigned char>(m_buffer).subspan(m_pos, m_recordSize);
  m_pos += m_recordSize;
  --m_recordsLeft;
  return record;
}
