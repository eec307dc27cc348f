#include "platform/CString.h"
#include "platform/mbstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kWhitespace = " \t\r\n\v\f";

char AsciiUpper(char ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch; }
char AsciiLower(char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; }

// Appends printf output to `out`, sizing the buffer from a first measuring pass.
void AppendFormatV(std::string& out, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return;
  const size_t old_size = out.size();
  out.resize(old_size + static_cast<size_t>(length) + 1);
  std::vsnprintf(out.data() + old_size, static_cast<size_t>(length) + 1, format, args);
  out.resize(old_size + static_cast<size_t>(length));
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(const char* text, int length)
    : m_text(text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string()) {}

CString::CString(char ch, int repeat) : m_text(static_cast<size_t>(std::max(repeat, 0)), ch) {}

CString::CString(std::string_view text) : m_text(text) {}

CString& CString::operator=(const char* text) {
  m_text = text ? text : "";
  return *this;
}

CString& CString::operator=(char ch) {
  m_text.assign(1, ch);
  return *this;
}

char CString::GetAt(int index) const {
  return (index >= 0 && index < GetLength()) ? m_text[static_cast<size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch) {
  if (index >= 0 && index < GetLength()) m_text[static_cast<size_t>(index)] = ch;
}

// Both format into a separate string first: an argument may point into this string's own
// bytes, which growing the buffer would free while printf still reads them.
void CString::Format(const char* format, ...) {
  std::string formatted;
  va_list args;
  va_start(args, format);
  AppendFormatV(formatted, format, args);
  va_end(args);
  m_text = std::move(formatted);
}

void CString::AppendFormat(const char* format, ...) {
  std::string formatted;
  va_list args;
  va_start(args, format);
  AppendFormatV(formatted, format, args);
  va_end(args);
  m_text += formatted;
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = std::clamp(first, 0, GetLength());
  count = std::clamp(count, 0, GetLength() - first);
  return CString(std::string_view(m_text).substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return Mid(GetLength() - count, count);
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const size_t at = m_text.find(ch, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  const size_t at = m_text.find(sub, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
  const size_t at = m_text.rfind(ch);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(const char* old, const char* replacement) {
  const size_t old_length = old ? std::strlen(old) : 0;
  if (old_length == 0) return 0;
  const std::string_view with = replacement ? replacement : "";
  int count = 0;
  std::string result;
  size_t from = 0;
  for (size_t at = m_text.find(old, 0, old_length); at != std::string::npos;
       at = m_text.find(old, from, old_length)) {
    result.append(m_text, from, at - from).append(with);
    from = at + old_length;
    ++count;
  }
  if (count > 0) m_text = result.append(m_text, from, std::string::npos);
  return count;
}

int CString::Replace(char old, char replacement) {
  if (old == replacement) return 0;  // as MFC: nothing is replaced, so nothing is counted
  int count = 0;
  for (char& ch : m_text) {
    if (ch == old) {
      ch = replacement;
      ++count;
    }
  }
  return count;
}

CString& CString::MakeUpper() {
  std::transform(m_text.begin(), m_text.end(), m_text.begin(), AsciiUpper);
  return *this;
}

CString& CString::MakeLower() {
  std::transform(m_text.begin(), m_text.end(), m_text.begin(), AsciiLower);
  return *this;
}

CString& CString::Trim() { return Trim(kWhitespace); }
CString& CString::TrimLeft() { return TrimLeft(kWhitespace); }
CString& CString::TrimRight() { return TrimRight(kWhitespace); }

CString& CString::Trim(const char* targets) { return TrimRight(targets).TrimLeft(targets); }

CString& CString::TrimLeft(const char* targets) {
  m_text.erase(0, m_text.find_first_not_of(targets ? targets : ""));
  return *this;
}

CString& CString::TrimRight(const char* targets) {
  const size_t last = m_text.find_last_not_of(targets ? targets : "");
  m_text.erase(last == std::string::npos ? 0 : last + 1);
  return *this;
}

int CString::Compare(const char* other) const {
  return Sign(std::strcmp(m_text.c_str(), other ? other : ""));
}

int CString::CompareNoCase(const char* other) const {
  return _mbsicmp(reinterpret_cast<const unsigned char*>(m_text.c_str()), reinterpret_cast<const unsigned char*>(other));
}

CString& CString::operator+=(const CString& other) {
  m_text += other.m_text;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text) m_text += text;
  return *this;
}

CString& CString::operator+=(char ch) {
  m_text += ch;
  return *this;
}

CString operator+(const CString& left, const CString& right) { return CString(left) += right; }
CString operator+(const CString& left, const char* right) { return CString(left) += right; }
CString operator+(const char* left, const CString& right) { return CString(left) += right; }
CString operator+(const CString& left, char right) { return CString(left) += right; }
CString operator+(char left, const CString& right) { return CString(left) += right; }
