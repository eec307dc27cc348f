#include "qnutil/QnIni.h"

QnIni::QnIni() = default;

QnIni::~QnIni() { Flush(); }

int QnIni::SetIni(const char* path) {
  Flush();
  m_path = path ? path : "";
  m_writable = m_profile.Load(m_path.empty() ? nullptr : m_path.c_str()) && !m_path.empty();
  return m_writable ? 1 : 0;
}

int QnIni::ReadInt(const char* section, const char* key, int def) {
  if (!section || !key) return def;
  return m_profile.FindInt(section, key, def);
}

CString QnIni::ReadString(const char* section, const char* key, const char* def) {
  const auto value = (section && key) ? m_profile.Find(section, key) : std::nullopt;
  return value ? CString(*value) : CString(def);
}

int QnIni::WriteInt(const char* section, const char* key, int value) {
  return WriteString(section, key, std::to_string(value).c_str());
}

int QnIni::WriteString(const char* section, const char* key, const char* value) {
  if (!m_writable || !section || !key || !value || !m_profile.Set(section, key, value)) return 0;
  m_pending = true;
  return 1;
}

int QnIni::Flush() {
  if (!m_pending) return 1;
  m_pending = false;
  return m_profile.Save(m_path.c_str()) ? 1 : 0;
}
