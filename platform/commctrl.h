#pragma once

// The list-view control of the headless window model: Win32's class name, messages, structures
// and flags, by their Windows values.
//
// A list view keeps rows (items) in display order; each row has item data (lParam) and one text
// per sub-item (sub-item 0 is the item's own label). Sub-item texts beyond the inserted columns
// cannot be set. Nothing is drawn.
#include "platform/windef.h"
#include "platform/winuser.h"

#define WC_LISTVIEWA "SysListView32"

#define LVS_REPORT 0x0001

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETITEMA (LVM_FIRST + 5)
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SETITEMTEXTA (LVM_FIRST + 46)
#define LVM_SORTITEMS (LVM_FIRST + 48)

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000

struct LVITEMA {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
};
typedef LVITEMA LVITEM;

struct LVCOLUMNA {
  UINT mask;
  int fmt;
  int cx;
  LPSTR pszText;
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
};
typedef LVCOLUMNA LVCOLUMN;

// LVM_SORTITEMS: wParam is the sort value passed on as the third argument, lParam this function.
// It receives two rows' item data and returns <0 when the first goes before the second, >0 when
// after, 0 when they are equivalent. The sort is stable and stays well defined whatever the
// function answers (it never has to be consistent).
typedef int(CALLBACK* PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);
