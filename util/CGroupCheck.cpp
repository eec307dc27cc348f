#include "util/CGroupCheck.h"

namespace {

// The space the check mark and its gap take beside the caption, and the caption's inset from
// the group box's left edge.
constexpr int kCheckMarkWidth = 25;
constexpr int kCaptionInset = 10;

// The text's size in the window's own font, measured in a client device context of it.
SIZE MeasureWindowText(CWnd& window) {
  CString text;
  window.GetWindowText(text);
  SIZE size{};
  const HDC dc = ::GetDC(window.m_hWnd);
  const HGDIOBJ previousFont = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(window.SendMessage(WM_GETFONT)));
  ::GetTextExtentPoint32A(dc, text, text.GetLength(), &size);
  if (previousFont != nullptr) ::SelectObject(dc, previousFont);
  ::ReleaseDC(window.m_hWnd, dc);
  return size;
}

}  // namespace

BEGIN_MESSAGE_MAP(CGroupCheck, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
END_MESSAGE_MAP()

CGroupCheck::CGroupCheck() : m_pGroupbox(nullptr), m_bHideControls(0) {}

CGroupCheck::~CGroupCheck() = default;

void CGroupCheck::SetGroupbox(unsigned int nID, int bHideControls) {
  CWnd* parent = GetParent();
  if (parent == nullptr) return;
  // A dialog's group box is known by its window class and style, not by the C++ object the host
  // happens to have made for it (often a plain CWnd).
  const HWND groupbox = ::GetDlgItem(parent->m_hWnd, static_cast<int>(nID));
  if ((::GetWindowLongPtrA(groupbox, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) return;
  SetGroupbox(CButton::FromHandleAsButton(groupbox), bHideControls);
}

void CGroupCheck::SetGroupbox(CButton* pGroupbox, int bHideControls) {
  CWnd* parent = GetParent();
  if (pGroupbox == nullptr || parent == nullptr) return;
  m_bHideControls = bHideControls;
  m_pGroupbox = pGroupbox;
  m_pGroupbox->SetWindowText("");
  const SIZE caption = MeasureWindowText(*this);
  RECT groupbox{};
  m_pGroupbox->GetWindowRect(&groupbox);
  parent->ScreenToClient(&groupbox);
  SetWindowPos(m_pGroupbox, groupbox.left + kCaptionInset, groupbox.top, caption.cx + kCheckMarkWidth, caption.cy, 0);
  CheckGroupboxControls();
}

void CGroupCheck::SetCheck(int nCheck) {
  CButton::SetCheck(nCheck);
  CheckGroupboxControls();
}

int CGroupCheck::OnClicked() {
  CheckGroupboxControls();
  return 0;
}

void CGroupCheck::CheckGroupboxControls() {
  CWnd* parent = GetParent();
  if (m_pGroupbox == nullptr || parent == nullptr) return;
  const int state = GetCheck();
  RECT groupbox{};
  m_pGroupbox->GetWindowRect(&groupbox);
  for (CWnd* child = parent->GetWindow(GW_CHILD); child != nullptr; child = child->GetWindow(GW_HWNDNEXT)) {
    if (child->m_hWnd == m_hWnd || child->m_hWnd == m_pGroupbox->m_hWnd) continue;
    RECT control{}, overlap{};
    child->GetWindowRect(&control);
    if (!::IntersectRect(&overlap, &groupbox, &control)) continue;
    child->EnableWindow(state == BST_CHECKED);
    if (m_bHideControls) child->ShowWindow(state != BST_UNCHECKED ? SW_SHOW : SW_HIDE);
  }
  if (m_bHideControls) m_pGroupbox->ShowWindow(state != BST_UNCHECKED ? SW_SHOW : SW_HIDE);
}
