#include "qnutil/QnIni.h"

#include <cerrno>

namespace {

// A text pasted from elsewhere may carry line breaks, which an INI line cannot hold.
std::string OnOneLine(const char* text) {
  std::string line;
  for (const char* at = text; *at; ++at) {
    if (*at == '\r' && at[1] == '\n') continue;  // CR LF is one break: its LF makes the space
    line += (*at == '\r' || *at == '\n') ? ' ' : *at;
  }
  return line;
}

}  // namespace

QnIni::QnIni() = default;

QnIni::~QnIni() { Flush(); }

int QnIni::SetIni(const char* path) {
  Flush();
  m_path = path ? path : "";
  m_loaded = false;
  return Refresh() && !m_path.empty() ? 1 : 0;
}

bool QnIni::Refresh() {
  const std::uint64_t writes = ProfileFile::WriteCount();
  if (m_loaded && writes == m_readAtWrite) return true;
  // Counted before reading: a write in between only makes the next read load once more.
  m_readAtWrite = writes;
  m_loaded = true;
  const bool readable = m_profile.Load(m_path.empty() ? nullptr : m_path.c_str());
  for (const Write& write : m_batch) m_profile.Set(write.section, write.key, write.value);
  return readable;
}

int QnIni::ReadInt(const char* section, const char* key, int def) {
  if (!section || !key) return def;
  Refresh();
  return m_profile.FindInt(section, key, def);
}

CString QnIni::ReadString(const char* section, const char* key, const char* def) {
  if (section && key) Refresh();
  const auto value = (section && key) ? m_profile.Find(section, key) : std::nullopt;
  return value ? CString(*value) : CString(def);
}

int QnIni::WriteInt(const char* section, const char* key, int value) {
  return WriteString(section, key, std::to_string(value).c_str());
}

int QnIni::WriteString(const char* section, const char* key, const char* value) {
  if (m_path.empty() || !section || !key || !value) return 0;
  Write write{section, key, OnOneLine(value)};
  if (!m_profile.Set(write.section, write.key, write.value)) return 0;
  m_batch.push_back(std::move(write));
  return m_batching ? 1 : Flush();
}

void QnIni::BeginBatch() { m_batching = true; }

int QnIni::Flush() {
  m_batching = false;
  if (m_batch.empty()) return 1;
  const std::vector<Write> writes = std::move(m_batch);
  m_batch.clear();
  m_loaded = false;  // the next read sees the file as it is now, written or not
  const int error = ProfileFile::Update(m_path.c_str(), [&](ProfileFile& profile) {
    for (const Write& write : writes) profile.Set(write.section, write.key, write.value);
    return true;
  });
  if (error) errno = error;
  return error ? 0 : 1;
}
