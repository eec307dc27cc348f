#pragma once

#include <vector>

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/windef.h"

// MFC's array of CStrings. An index outside 0 … GetSize()-1 reads an empty string and writes
// nothing (MFC asserts there); a host never crashes on one.
class AFX_EXT_CLASS CStringArray {
 public:
  CStringArray() = default;
  CStringArray(const CStringArray&) = default;
  CStringArray& operator=(const CStringArray&) = default;
  virtual ~CStringArray() = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_items.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }

  const CString& GetAt(INT_PTR index) const;
  void SetAt(INT_PTR index, const char* text);
  const CString& operator[](INT_PTR index) const { return GetAt(index); }

  // Appends and returns the new element's index.
  INT_PTR Add(const CString& text);
  // Removes `count` elements from `index` on (clamped to the array).
  void RemoveAt(INT_PTR index, INT_PTR count = 1);
  void RemoveAll() { m_items.clear(); }
  void Copy(const CStringArray& other) { m_items = other.m_items; }

 private:
  bool Holds(INT_PTR index) const { return index >= 0 && index < GetSize(); }

  std::vector<CString> m_items;
};
