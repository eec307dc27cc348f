#include "tools/OutputStream.h"

std::optional<std::string> OutputStream::Open(const std::string& name, std::ostream& standardOut) {
  if (name == "-") {
    m_stream = &standardOut;
    return std::nullopt;
  }
  m_file.emplace(name);
  if (std::optional<std::string> fault = m_file->Open()) return fault;
  m_stream = &m_file->Stream();
  return std::nullopt;
}

std::optional<std::string> OutputStream::Close() {
  if (m_file) return m_file->Commit();
  m_stream->flush();
  if (!*m_stream) return std::string("cannot write standard output");
  return std::nullopt;
}
