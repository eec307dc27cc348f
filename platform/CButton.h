#pragma once

#include "platform/AfxExport.h"
#include "platform/CWnd.h"

// MFC's button control: a window of the "BUTTON" class (push button, check box, group box by
// its BS_* style).
class AFX_EXT_CLASS CButton : public CWnd {
 public:
  CButton() = default;
  ~CButton() override = default;

  // The window as a button: its attached object when that is a CButton, else a temporary
  // CButton that lives until the window is destroyed (a window made through a plain CWnd is
  // still a button by its class). NULL when the window is not of the "BUTTON" class.
  static CButton* FromHandleAsButton(HWND hWnd);

  using CWnd::Create;
  // A button child of `pParentWnd` with the caption and BS_*/WS_* style; FALSE as CWnd::Create.
  virtual BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // BM_GETCHECK / BM_SETCHECK: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; a state the
  // button's style cannot hold is lowered to the highest it can.
  int GetCheck() const;
  void SetCheck(int nCheck);
};
