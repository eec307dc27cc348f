#include "platform/winuser.h"

#include <algorithm>
#include <vector>

#include "platform/WindowRecord.h"

namespace {

// Where the window's client area starts on the screen: its own position plus its ancestors'.
POINT ScreenOrigin(const WindowRecord& record) {
  POINT origin{record.m_rect.left, record.m_rect.top};
  if (const WindowRecord* parent = WindowRecord::Find(record.m_parent)) {
    const POINT parentOrigin = ScreenOrigin(*parent);
    origin.x += parentOrigin.x;
    origin.y += parentOrigin.y;
  }
  return origin;
}

// The parent's children, in which a child window has its place; nullptr for a top-level window.
std::vector<HWND>* Siblings(const WindowRecord& record) {
  WindowRecord* parent = WindowRecord::Find(record.m_parent);
  return parent != nullptr ? &parent->m_children : nullptr;
}

void TellDestroyed(HWND hWnd) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return;
  record->m_destroying = true;
  for (const HWND child : std::vector<HWND>(record->m_children)) TellDestroyed(child);
  SendMessageA(hWnd, WM_NCDESTROY, 0, 0);
}

// Sets or clears a style bit; returns whether it was set before.
BOOL ChangeStyleBit(HWND hWnd, DWORD bit, bool set) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return FALSE;
  const BOOL wasSet = (record->m_style & bit) != 0;
  record->m_style = set ? (record->m_style | bit) : (record->m_style & ~bit);
  return wasSet;
}

BOOL HasStyleBit(HWND hWnd, DWORD bit) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  return record != nullptr && (record->m_style & bit) != 0;
}

// The position in `siblings` that `insertAfter` asks for, or -1 when it names no sibling.
long ZOrderPlace(const std::vector<HWND>& siblings, HWND insertAfter) {
  if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) return 0;
  if (insertAfter == HWND_BOTTOM) return static_cast<long>(siblings.size());
  const auto found = std::find(siblings.begin(), siblings.end(), insertAfter);
  return found == siblings.end() ? -1 : (found - siblings.begin()) + 1;
}

// Moves `hWnd` to `place` in its siblings' order, `place` counted with `hWnd` still in it.
void MoveInZOrder(std::vector<HWND>& siblings, HWND hWnd, long place) {
  const long current = std::find(siblings.begin(), siblings.end(), hWnd) - siblings.begin();
  siblings.erase(siblings.begin() + current);
  siblings.insert(siblings.begin() + (place > current ? place - 1 : place), hWnd);
}

}  // namespace

LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  return record != nullptr ? CallWindowProcA(record->m_proc, hWnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return 0;
  switch (msg) {
    case WM_SETTEXT:
      record->m_text = reinterpret_cast<LPCSTR>(lParam);
      return TRUE;
    case WM_GETTEXT:
      return CopyTextOut(record->m_text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(std::min<WPARAM>(wParam, INT32_MAX)));
    case WM_GETTEXTLENGTH:
      return record->m_text.GetLength();
    case WM_SETFONT:
      record->m_font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(record->m_font);
    default:
      return 0;
  }
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc != nullptr ? proc(hWnd, msg, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int index) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(record->m_proc);
    case GWLP_ID:
      return record->m_id;
    case GWL_STYLE:
      return record->m_style;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int index, LONG_PTR value) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return 0;
  const LONG_PTR old = GetWindowLongPtrA(hWnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      // A window always keeps a procedure: a null one is refused.
      if (value == 0) return 0;
      record->m_proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_ID:
      record->m_id = static_cast<UINT>(value);
      return old;
    case GWL_STYLE:
      record->m_style = static_cast<DWORD>(value);
      return old;
    default:
      return 0;
  }
}

int GetClassNameA(HWND hWnd, LPSTR className, int maxCount) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  return record != nullptr ? CopyTextOut(record->m_className, className, maxCount) : 0;
}

BOOL IsWindow(HWND hWnd) { return WindowRecord::Find(hWnd) != nullptr; }

BOOL DestroyWindow(HWND hWnd) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || record->m_destroying) return FALSE;
  TellDestroyed(hWnd);
  WindowRecord::Remove(hWnd);
  return TRUE;
}

HWND GetWindow(HWND hWnd, UINT relation) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return nullptr;
  if (relation == GW_CHILD) return record->m_children.empty() ? nullptr : record->m_children.front();
  const std::vector<HWND>* siblings = Siblings(*record);
  if (siblings == nullptr) return nullptr;
  const auto self = std::find(siblings->begin(), siblings->end(), hWnd);
  switch (relation) {
    case GW_HWNDFIRST:
      return siblings->front();
    case GW_HWNDLAST:
      return siblings->back();
    case GW_HWNDNEXT:
      return self + 1 == siblings->end() ? nullptr : *(self + 1);
    case GW_HWNDPREV:
      return self == siblings->begin() ? nullptr : *(self - 1);
    default:
      return nullptr;
  }
}

HWND GetParent(HWND hWnd) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  return record != nullptr ? record->m_parent : nullptr;
}

HWND GetDlgItem(HWND hDlg, int id) {
  const WindowRecord* record = WindowRecord::Find(hDlg);
  if (record == nullptr) return nullptr;
  for (const HWND child : record->m_children)
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  return record != nullptr ? static_cast<int>(record->m_id) : 0;
}

BOOL GetWindowRect(HWND hWnd, LPRECT rect) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || rect == nullptr) return FALSE;
  const POINT origin = ScreenOrigin(*record);
  *rect = {origin.x, origin.y, origin.x + (record->m_rect.right - record->m_rect.left),
           origin.y + (record->m_rect.bottom - record->m_rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || rect == nullptr) return FALSE;
  *rect = {0, 0, record->m_rect.right - record->m_rect.left, record->m_rect.bottom - record->m_rect.top};
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT point) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || point == nullptr) return FALSE;
  const POINT origin = ScreenOrigin(*record);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT point) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || point == nullptr) return FALSE;
  const POINT origin = ScreenOrigin(*record);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (dst == nullptr || a == nullptr || b == nullptr) return FALSE;
  const RECT overlap{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                     std::min(a->bottom, b->bottom)};
  if (overlap.left >= overlap.right || overlap.top >= overlap.bottom) {
    *dst = RECT{};
    return FALSE;
  }
  *dst = overlap;
  return TRUE;
}

BOOL EnableWindow(HWND hWnd, BOOL enable) { return ChangeStyleBit(hWnd, WS_DISABLED, !enable); }

BOOL IsWindowEnabled(HWND hWnd) { return IsWindow(hWnd) && !HasStyleBit(hWnd, WS_DISABLED); }

BOOL ShowWindow(HWND hWnd, int command) { return ChangeStyleBit(hWnd, WS_VISIBLE, command != SW_HIDE); }

BOOL IsWindowVisible(HWND hWnd) {
  const WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr || (record->m_style & WS_VISIBLE) == 0) return FALSE;
  return record->m_parent == nullptr || IsWindowVisible(record->m_parent);
}

BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowRecord* record = WindowRecord::Find(hWnd);
  if (record == nullptr) return FALSE;
  std::vector<HWND>* siblings = Siblings(*record);
  if ((flags & SWP_NOZORDER) == 0 && siblings != nullptr && insertAfter != hWnd) {
    const long place = ZOrderPlace(*siblings, insertAfter);
    if (place < 0) return FALSE;
    MoveInZOrder(*siblings, hWnd, place);
  }
  RECT& rect = record->m_rect;
  if ((flags & SWP_NOMOVE) == 0) rect = {x, y, x + (rect.right - rect.left), y + (rect.bottom - rect.top)};
  if ((flags & SWP_NOSIZE) == 0) rect = {rect.left, rect.top, rect.left + std::max(cx, 0), rect.top + std::max(cy, 0)};
  if (flags & SWP_SHOWWINDOW) record->m_style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) record->m_style &= ~static_cast<DWORD>(WS_VISIBLE);
  return TRUE;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR text) {
  return IsWindow(hWnd) && SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int GetWindowTextA(HWND hWnd, LPSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) return 0;
  text[0] = '\0';
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND hWnd) { return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0)); }
