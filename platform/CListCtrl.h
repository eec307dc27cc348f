#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/CWnd.h"
#include "platform/commctrl.h"

// MFC's list control: a window of the WC_LISTVIEWA class, filled and read through the list-view
// messages. Rows are numbered from 0 in display order; a row number outside the list fails.
class AFX_EXT_CLASS CListCtrl : public CWnd {
 public:
  CListCtrl() = default;
  ~CListCtrl() override = default;

  using CWnd::Create;
  // A list-view child of `pParentWnd` (LVS_REPORT for the report view); FALSE as CWnd::Create.
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // Adds a column, so that sub-item `nCol` can hold texts; returns its index or -1.
  int InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                   int nSubItem = -1);
  // Inserts a row at `nItem` (at the end when past it); returns its index or -1.
  int InsertItem(int nItem, LPCTSTR lpszItem);
  int InsertItem(const LVITEM* pItem);
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  int GetItemCount() const;

  // LVM_GETITEMA / LVM_SETITEMA with the fields that `mask` names.
  BOOL GetItem(LVITEM* pItem) const;
  BOOL SetItem(const LVITEM* pItem);
  // The text of a row's sub-item (0: the row's label); empty when there is none.
  CString GetItemText(int nItem, int nSubItem) const;
  BOOL SetItemText(int nItem, int nSubItem, LPCTSTR lpszText);
  // The row's item data (lParam); 0 for no row.
  DWORD_PTR GetItemData(int nItem) const;
  BOOL SetItemData(int nItem, DWORD_PTR dwData);

  // LVM_SORTITEMS: `pfnCompare` gets two rows' item data and `dwData`.
  BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData);
};
