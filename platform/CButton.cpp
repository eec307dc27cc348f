#include "platform/CButton.h"

CButton* CButton::FromHandleAsButton(HWND hWnd) {
  if (auto* attached = dynamic_cast<CButton*>(FromHandlePermanent(hWnd))) return attached;
  // The temporary object is made by the window's class: a CButton exactly for a "BUTTON" window.
  return dynamic_cast<CButton*>(FromHandleTemporary(hWnd));
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

int CButton::GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }

void CButton::SetCheck(int nCheck) { ::SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0); }
