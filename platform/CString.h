#pragma once

#include <string>
#include <string_view>

#include "platform/AfxExport.h"
#include "platform/windef.h"

// MFC's 8-bit string (CStringA): a text of bytes in the process code page. Bytes above 127 are
// kept as they are; the case operations change only ASCII letters. Positions and counts are
// in bytes. Out-of-range positions are clamped as MFC clamps them, never undefined.
class AFX_EXT_CLASS CString {
 public:
  CString() = default;
  CString(const char* text);  // NOLINT: implicit, as MFC's; nullptr gives the empty string
  CString(const char* text, int length);  // the first `length` bytes, embedded zeros included
  CString(char ch, int repeat = 1);
  CString(std::string_view text);  // NOLINT: implicit
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;
  CString& operator=(const char* text);
  CString& operator=(char ch);
  ~CString() = default;

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  // The first `length` bytes of `text`, embedded zeros included, in the storage the string
  // already has: what a reader filling the same string row after row wants.
  void SetString(const char* text, int length) { m_text.assign(text, static_cast<size_t>(length)); }

  // The byte at `index`; '\0' outside 0 … GetLength()-1.
  char GetAt(int index) const;
  char operator[](int index) const { return GetAt(index); }
  // Replaces the byte at `index`; nothing outside 0 … GetLength()-1.
  void SetAt(int index, char ch);

  operator const char*() const { return m_text.c_str(); }  // NOLINT: implicit, as MFC's
  const char* GetString() const { return m_text.c_str(); }
  // The bytes as a standard string (for code that is not MFC-shaped).
  const std::string& str() const { return m_text; }

  // Replaces the contents with the text of string resource `id`, found by the resource search
  // (platform/StringResource.h) in the process code page; TRUE. FALSE and unchanged when no
  // module holds a text of `id` that the code page can hold.
  BOOL LoadString(UINT id);

  // printf-style formatting; replaces the contents.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Substrings: counts below 0 count as 0, counts past the end stop at the end.
  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  // Position of the first match at or after `start`, or -1.
  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;

  // Replaces every occurrence; returns how many were replaced. An empty `old` replaces nothing;
  // a byte replaced by itself counts 0, as in MFC.
  int Replace(const char* old, const char* replacement);
  int Replace(char old, char replacement);

  CString& MakeUpper();
  CString& MakeLower();
  CString& Trim();
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim(const char* targets);
  CString& TrimLeft(const char* targets);
  CString& TrimRight(const char* targets);

  // <0, 0 or >0 as strcmp: bytes compared unsigned; CompareNoCase as _mbsicmp (mbstring.h).
  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;

  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

 private:
  std::string m_text;
};

AFX_EXT_API CString operator+(const CString& left, const CString& right);
AFX_EXT_API CString operator+(const CString& left, const char* right);
AFX_EXT_API CString operator+(const char* left, const CString& right);
AFX_EXT_API CString operator+(const CString& left, char right);
AFX_EXT_API CString operator+(char left, const CString& right);

inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }
inline bool operator!=(const char* a, const CString& b) { return !(a == b); }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
