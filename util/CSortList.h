#pragma once

#include "platform/AfxExport.h"
#include "platform/CListCtrl.h"
#include "platform/CString.h"
#include "platform/winuser.h"

// Sorts the rows of a report-style list control by the text of one column, read as integers,
// texts, dates or decimals, in either direction, with the control's own sort.
//
// For its lifetime it takes over every row's item data: each row's data becomes a pointer to
// the row's SORT_ITEM, which keeps the original data and the column's text as it was at
// construction. The destructor gives each row its own data back. In between, the host must not
// add or delete rows, change or read item data; it may Sort any number of times. Not copyable.
class AFX_EXT_CLASS CSortList {
 public:
  // How the column texts compare.
  enum EDataType {
    eInteger = 1,  // atol of both, the first minus the second
    eString = 2,   // without regard to case, multibyte-aware (_mbsicmp)
    eDate = 3,     // COleDateTime::ParseDateTime; earlier first; 0 when either does not parse
    eDouble = 4,   // atof of both; equal values are never 0 (the first counts as greater)
  };

  // What a row's item data points to while the sorter lives.
  struct SORT_ITEM {
    DWORD_PTR dwData;  // the row's item data before construction
    CString strText;   // the row's text in the sort column at construction
  };

  // Captures every row of `pList` (none for a null list) with its text in `nColumn`.
  CSortList(CListCtrl* pList, int nColumn);
  CSortList(const CSortList&) = delete;
  CSortList& operator=(const CSortList&) = delete;
  // Gives every row its item data back.
  virtual ~CSortList();

  // Sorts the rows by the captured texts: ascending when `bAsc`, else descending.
  void Sort(bool bAsc, EDataType eType);

 protected:
  // The list's comparison: two rows' SORT_ITEM addresses and the sort value (the data type,
  // negated for descending). A type outside 1-4 compares as 0.
  static int CALLBACK Compare(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

 private:
  CListCtrl* m_pList;
};
