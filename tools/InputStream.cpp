#include "tools/InputStream.h"

#include <cerrno>
#include <cstring>

std::optional<std::string> InputStream::Open(const std::string& name, std::istream& standardIn) {
  if (name == "-") {
    m_stream = &standardIn;
    m_name = "standard input";
    return std::nullopt;
  }
  m_name = name;
  m_file.open(name, std::ios::binary);
  if (!m_file) return "cannot open " + name + ": " + std::strerror(errno);
  m_stream = &m_file;
  return std::nullopt;
}
