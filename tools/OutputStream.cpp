#include "tools/OutputStream.h"

#include <cerrno>
#include <cstring>

std::optional<std::string> OutputStream::Open(const std::string& name, std::ostream& standardOut) {
  if (name == "-") {
    m_stream = &standardOut;
    m_name = "standard output";
    return std::nullopt;
  }
  m_name = name;
  m_file.open(name, std::ios::binary | std::ios::trunc);
  if (!m_file) return "cannot create " + name + ": " + std::strerror(errno);
  m_stream = &m_file;
  return std::nullopt;
}

std::optional<std::string> OutputStream::Close() {
  m_stream->flush();
  if (m_file.is_open()) m_file.close();
  if (!*m_stream) return "cannot write " + m_name;
  return std::nullopt;
}
