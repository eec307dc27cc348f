#include "util/CSortList.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/COleDateTime.h"
#include "platform/mbstring.h"

namespace {

using SORT_ITEM = CSortList::SORT_ITEM;

// The first minus the second, as an int. Numbers read from texts may lie further apart than
// an int reaches: such a difference keeps its sign instead of wrapping. The range is symmetric
// so that a descending sort can negate any result.
int ClampedDifference(long first, long second) {
  long difference = 0;
  if (__builtin_sub_overflow(first, second, &difference)) return first < second ? -INT_MAX : INT_MAX;
  return static_cast<int>(std::clamp<long>(difference, -INT_MAX, INT_MAX));
}

// strtol and strtod are atol and atof with a defined result for out-of-range texts.
int CompareIntegers(const CString& first, const CString& second) {
  return ClampedDifference(std::strtol(first, nullptr, 10), std::strtol(second, nullptr, 10));
}

int CompareTexts(const CString& first, const CString& second) {
  return _mbsicmp(reinterpret_cast<const unsigned char*>(first.GetString()),
                  reinterpret_cast<const unsigned char*>(second.GetString()));
}

int CompareDates(const CString& first, const CString& second) {
  COleDateTime firstDate, secondDate;
  if (!firstDate.ParseDateTime(first, 0, LANG_USER_DEFAULT) || !secondDate.ParseDateTime(second, 0, LANG_USER_DEFAULT))
    return 0;
  return firstDate < secondDate ? -1 : 1;
}

int CompareDecimals(const CString& first, const CString& second) {
  return std::strtod(first, nullptr) >= std::strtod(second, nullptr) ? 1 : -1;
}

int CompareAs(long type, const CString& first, const CString& second) {
  switch (type) {
    case CSortList::eInteger:
      return CompareIntegers(first, second);
    case CSortList::eString:
      return CompareTexts(first, second);
    case CSortList::eDate:
      return CompareDates(first, second);
    case CSortList::eDouble:
      return CompareDecimals(first, second);
    default:
      return 0;
  }
}

}  // namespace

CSortList::CSortList(CListCtrl* pList, int nColumn) : m_pList(pList) {
  const int count = m_pList != nullptr ? m_pList->GetItemCount() : 0;
  for (int row = 0; row < count; ++row) {
    auto* item = new SORT_ITEM{m_pList->GetItemData(row), m_pList->GetItemText(row, nColumn)};
    m_pList->SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
  }
}

CSortList::~CSortList() {
  const int count = m_pList != nullptr ? m_pList->GetItemCount() : 0;
  for (int row = 0; row < count; ++row) {
    auto* item = reinterpret_cast<SORT_ITEM*>(m_pList->GetItemData(row));
    if (item == nullptr) continue;
    m_pList->SetItemData(row, item->dwData);
    delete item;
  }
}

void CSortList::Sort(bool bAsc, EDataType eType) {
  if (m_pList == nullptr) return;
  const long type = eType;
  const long sortValue = bAsc ? type : -type;
  m_pList->SortItems(Compare, static_cast<DWORD_PTR>(sortValue));
}

int CALLBACK CSortList::Compare(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
  const auto* first = reinterpret_cast<const SORT_ITEM*>(lParam1);
  const auto* second = reinterpret_cast<const SORT_ITEM*>(lParam2);
  // A type outside 1-4 compares as 0; checking it first also keeps the negation in range.
  if (first == nullptr || second == nullptr || lParamSort < -eDouble || lParamSort > eDouble) return 0;
  const int sign = lParamSort >= 0 ? 1 : -1;
  return CompareAs(lParamSort * sign, first->strText, second->strText) * sign;
}
