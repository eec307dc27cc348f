#include "platform/CListCtrl.h"

#include <string>

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(WC_LISTVIEWA, "", dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) {
  LVCOLUMN column{};
  column.mask = LVCF_TEXT | LVCF_FMT | (nWidth != -1 ? LVCF_WIDTH : 0) | (nSubItem != -1 ? LVCF_SUBITEM : 0);
  column.fmt = nFormat;
  column.cx = nWidth;
  column.pszText = const_cast<LPSTR>(lpszColumnHeading);
  column.iSubItem = nSubItem;
  return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, LPCTSTR lpszItem) {
  LVITEM item{};
  item.mask = LVIF_TEXT;
  item.iItem = nItem;
  item.pszText = const_cast<LPSTR>(lpszItem);
  return InsertItem(&item);
}

int CListCtrl::InsertItem(const LVITEM* pItem) {
  return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(pItem)));
}

BOOL CListCtrl::DeleteItem(int nItem) {
  return nItem >= 0 && ::SendMessageA(m_hWnd, LVM_DELETEITEM, static_cast<WPARAM>(nItem), 0) != 0;
}

BOOL CListCtrl::DeleteAllItems() { return ::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0) != 0; }

int CListCtrl::GetItemCount() const { return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }

BOOL CListCtrl::GetItem(LVITEM* pItem) const {
  return ::SendMessageA(m_hWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(pItem)) != 0;
}

BOOL CListCtrl::SetItem(const LVITEM* pItem) {
  return ::SendMessageA(m_hWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(pItem)) != 0;
}

// The message copies into a buffer of the caller's size, so a text that filled the buffer may
// have been cut: ask again with a larger one.
CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  if (nItem < 0) return CString();
  std::string buffer(256, '\0');
  for (;;) {
    LVITEM item{};
    item.iSubItem = nSubItem;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto copied = ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item));
    if (copied < item.cchTextMax - 1) return CString(buffer.data(), static_cast<int>(copied));
    buffer.resize(buffer.size() * 2);
  }
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR lpszText) {
  if (nItem < 0) return FALSE;
  LVITEM item{};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<LPSTR>(lpszText);
  return ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)) != 0;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  LVITEM item{};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  LVITEM item{};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  item.lParam = static_cast<LPARAM>(dwData);
  return SetItem(&item);
}

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) {
  return ::SendMessageA(m_hWnd, LVM_SORTITEMS, dwData, reinterpret_cast<LPARAM>(pfnCompare)) != 0;
}
