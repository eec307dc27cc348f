#include "platform/CStringArray.h"

#include <algorithm>

const CString& CStringArray::GetAt(INT_PTR index) const {
  static const CString kNone;
  return Holds(index) ? m_items[static_cast<size_t>(index)] : kNone;
}

void CStringArray::SetAt(INT_PTR index, const char* text) {
  if (Holds(index)) m_items[static_cast<size_t>(index)] = text;
}

INT_PTR CStringArray::Add(const CString& text) {
  m_items.push_back(text);
  return GetUpperBound();
}

void CStringArray::RemoveAt(INT_PTR index, INT_PTR count) {
  if (!Holds(index) || count <= 0) return;
  const INT_PTR last = std::min(GetSize(), index + count);
  m_items.erase(m_items.begin() + index, m_items.begin() + last);
}
