// The WC_LISTVIEWA class: rows with item data and sub-item texts, columns, and sorting.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/WindowRecord.h"
#include "platform/commctrl.h"

namespace {

using ListRow = WindowRecord::ListRow;

ListRow* RowAt(WindowRecord& list, WPARAM index) {
  return index < list.m_listRows.size() ? &list.m_listRows[index] : nullptr;
}

ListRow* RowAt(WindowRecord& list, int index) {
  return index >= 0 ? RowAt(list, static_cast<WPARAM>(index)) : nullptr;
}

// Sub-item 0 is the row's label; the others exist once their column is inserted.
bool HasSubItem(const WindowRecord& list, int subItem) {
  return subItem == 0 || (subItem > 0 && subItem < list.m_listColumns);
}

CString TextOf(const ListRow& row, int subItem) {
  const auto index = static_cast<size_t>(subItem);
  return subItem >= 0 && index < row.m_texts.size() ? row.m_texts[index] : CString();
}

void SetText(ListRow& row, int subItem, LPCSTR text) {
  const auto index = static_cast<size_t>(subItem);
  if (row.m_texts.size() <= index) row.m_texts.resize(index + 1);
  row.m_texts[index] = text;
}

LRESULT GetItem(WindowRecord& list, LVITEMA* item) {
  ListRow* row = item != nullptr ? RowAt(list, item->iItem) : nullptr;
  if (row == nullptr) return FALSE;
  if (item->mask & LVIF_TEXT) CopyTextOut(TextOf(*row, item->iSubItem), item->pszText, item->cchTextMax);
  if (item->mask & LVIF_PARAM) item->lParam = row->m_data;
  return TRUE;
}

// Checks everything first, so that a refused update changes nothing.
LRESULT SetItem(WindowRecord& list, const LVITEMA* item) {
  ListRow* row = item != nullptr ? RowAt(list, item->iItem) : nullptr;
  if (row == nullptr || ((item->mask & LVIF_TEXT) && !HasSubItem(list, item->iSubItem))) return FALSE;
  if (item->mask & LVIF_TEXT) SetText(*row, item->iSubItem, item->pszText);
  if (item->mask & LVIF_PARAM) row->m_data = item->lParam;
  return TRUE;
}

// A new row at `iItem`, or at the end when that is past it; -1 for a sub-item.
LRESULT InsertItem(WindowRecord& list, const LVITEMA* item) {
  if (item == nullptr || item->iSubItem != 0) return -1;
  const auto place = static_cast<std::ptrdiff_t>(std::clamp<size_t>(static_cast<size_t>(std::max(item->iItem, 0)), 0, list.m_listRows.size()));
  ListRow row;
  if (item->mask & LVIF_PARAM) row.m_data = item->lParam;
  SetText(row, 0, (item->mask & LVIF_TEXT) ? item->pszText : "");
  list.m_listRows.insert(list.m_listRows.begin() + place, std::move(row));
  return place;
}

LRESULT DeleteItem(WindowRecord& list, WPARAM index) {
  if (RowAt(list, index) == nullptr) return FALSE;
  list.m_listRows.erase(list.m_listRows.begin() + static_cast<std::ptrdiff_t>(index));
  return TRUE;
}

// The columns only number the sub-items here: their headings and widths are not kept.
LRESULT InsertColumn(WindowRecord& list, WPARAM index, const LVCOLUMNA* column) {
  if (column == nullptr) return -1;
  ++list.m_listColumns;
  return static_cast<LRESULT>(std::min<WPARAM>(index, static_cast<WPARAM>(list.m_listColumns - 1)));
}

LRESULT GetItemText(WindowRecord& list, WPARAM index, LVITEMA* item) {
  const ListRow* row = RowAt(list, index);
  if (row == nullptr || item == nullptr) return 0;
  return CopyTextOut(TextOf(*row, item->iSubItem), item->pszText, item->cchTextMax);
}

LRESULT SetItemText(WindowRecord& list, WPARAM index, const LVITEMA* item) {
  ListRow* row = RowAt(list, index);
  if (row == nullptr || item == nullptr || !HasSubItem(list, item->iSubItem)) return FALSE;
  SetText(*row, item->iSubItem, item->pszText);
  return TRUE;
}

struct SortKey {
  LPARAM data;
  size_t row;
};

// A stable bottom-up merge sort. It only asks `compare` which of two keys goes first, so
// whatever the host's function answers (inconsistent, never 0), every index stays in range and
// every row comes out exactly once.
template <class Compare>
void MergeSort(std::vector<SortKey>& keys, Compare compare) {
  const size_t count = keys.size();
  std::vector<SortKey> merged(count);
  for (size_t width = 1; width < count; width *= 2) {
    for (size_t left = 0; left < count; left += 2 * width) {
      const size_t middle = std::min(left + width, count);
      const size_t right = std::min(left + 2 * width, count);
      size_t a = left, b = middle, out = left;
      while (a < middle && b < right) merged[out++] = compare(keys[a], keys[b]) <= 0 ? keys[a++] : keys[b++];
      while (a < middle) merged[out++] = keys[a++];
      while (b < right) merged[out++] = keys[b++];
    }
    keys.swap(merged);
  }
}

LRESULT SortItems(HWND hWnd, WPARAM sortValue, PFNLVCOMPARE compare) {
  WindowRecord* list = WindowRecord::Find(hWnd);
  if (list == nullptr || compare == nullptr) return FALSE;
  std::vector<SortKey> keys;
  keys.reserve(list->m_listRows.size());
  for (size_t row = 0; row < list->m_listRows.size(); ++row) keys.push_back({list->m_listRows[row].m_data, row});
  const auto lParamSort = static_cast<LPARAM>(sortValue);
  MergeSort(keys, [&](const SortKey& a, const SortKey& b) { return compare(a.data, b.data, lParamSort); });
  // The comparison is the host's code: look the list up again rather than trust it untouched.
  list = WindowRecord::Find(hWnd);
  if (list == nullptr || list->m_listRows.size() != keys.size()) return FALSE;
  std::vector<ListRow> sorted;
  sorted.reserve(keys.size());
  for (const SortKey& key : keys) sorted.push_back(std::move(list->m_listRows[key.row]));
  list->m_listRows.swap(sorted);
  return TRUE;
}

}  // namespace

LRESULT CALLBACK ListViewWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* list = WindowRecord::Find(hWnd);
  if (list == nullptr) return 0;
  switch (msg) {
    case LVM_GETITEMCOUNT:
      return static_cast<LRESULT>(list->m_listRows.size());
    case LVM_GETITEMA:
      return GetItem(*list, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMA:
      return SetItem(*list, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_INSERTITEMA:
      return InsertItem(*list, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_DELETEITEM:
      return DeleteItem(*list, wParam);
    case LVM_DELETEALLITEMS:
      list->m_listRows.clear();
      return TRUE;
    case LVM_INSERTCOLUMNA:
      return InsertColumn(*list, wParam, reinterpret_cast<const LVCOLUMNA*>(lParam));
    case LVM_GETITEMTEXTA:
      return GetItemText(*list, wParam, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMTEXTA:
      return SetItemText(*list, wParam, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_SORTITEMS:
      return SortItems(hWnd, wParam, reinterpret_cast<PFNLVCOMPARE>(lParam));
    default:
      return DefWindowProcA(hWnd, msg, wParam, lParam);
  }
}
