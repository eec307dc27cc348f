// The "BUTTON" class: check state and clicks.
#include <algorithm>

#include "platform/WindowRecord.h"

namespace {

// The highest check state a button of this style can hold, as Windows clamps BM_SETCHECK.
int MaxCheckState(DWORD style) {
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      return BST_CHECKED;
    case BS_3STATE:
    case BS_AUTO3STATE:
      return BST_INDETERMINATE;
    default:
      return BST_UNCHECKED;
  }
}

// Automatic check boxes step their state on a click; the others leave it to their parent.
int StateAfterClick(DWORD style, int state) {
  switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
      return state == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
    case BS_AUTO3STATE:
      return (state + 1) % 3;
    default:
      return state;
  }
}

// A user's click: a disabled button ignores it; otherwise the state steps (through BM_SETCHECK,
// so that a subclassing procedure sees it) and the parent gets the BN_CLICKED notification.
void Click(HWND hWnd) {
  if (!IsWindowEnabled(hWnd)) return;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hWnd, GWL_STYLE));
  const int state = static_cast<int>(SendMessageA(hWnd, BM_GETCHECK, 0, 0));
  const int next = StateAfterClick(style, state);
  if (next != state) SendMessageA(hWnd, BM_SETCHECK, static_cast<WPARAM>(next), 0);
  SendMessageA(GetParent(hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), BN_CLICKED), reinterpret_cast<LPARAM>(hWnd));
}

}  // namespace

LRESULT CALLBACK ButtonWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return 0;
  switch (msg) {
    case BM_GETCHECK:
      return record->m_check;
    case BM_SETCHECK:
      record->m_check = static_cast<int>(std::min<WPARAM>(wParam, static_cast<WPARAM>(MaxCheckState(record->m_style))));
      return 0;
    case BM_CLICK:
      Click(hWnd);
      return 0;
    default:
      return DefWindowProcA(hWnd, msg, wParam, lParam);
  }
}
