#pragma once

// Inside the platform library only: the state behind one window handle, the registry of live
// windows, and the window procedures of the built-in classes. Hosts use the Win32 functions of
// winuser.h and commctrl.h, never this record.
#include <vector>

#include "platform/CString.h"
#include "platform/winuser.h"

struct WindowRecord {
  // One row of a list view: its item data and its texts by sub-item.
  struct ListRow {
    LPARAM m_data = 0;
    std::vector<CString> m_texts;
  };

  // Registers a new window at the bottom of its parent's children and returns its handle;
  // NULL when `parent` is given but names no window.
  static HWND Create(LPCSTR className, LPCSTR text, DWORD style, const RECT& rect, HWND parent, UINT id);
  // The record of a live window; nullptr for any other handle.
  static WindowRecord* Find(HWND hWnd);
  // Forgets the window and its descendants, and unlinks it from its parent.
  static void Remove(HWND hWnd);

  HWND m_handle = nullptr;
  HWND m_parent = nullptr;
  std::vector<HWND> m_children;  // Z order, top first
  CString m_className;
  WNDPROC m_proc = nullptr;
  DWORD m_style = 0;
  UINT m_id = 0;
  CString m_text;
  RECT m_rect{};  // in the parent's client coordinates; screen coordinates at the top level
  HFONT m_font = nullptr;
  int m_check = BST_UNCHECKED;
  int m_listColumns = 0;
  std::vector<ListRow> m_listRows;
  bool m_destroying = false;  // DestroyWindow is telling it and its children
};

// Copies `text` into a caller's buffer of `size` bytes as WM_GETTEXT does: at most size - 1
// bytes and a terminating zero. Returns the bytes copied; 0 without a buffer.
int CopyTextOut(const CString& text, LPSTR buffer, int size);

// The procedures of the "BUTTON" and WC_LISTVIEWA classes; both fall back to DefWindowProcA.
LRESULT CALLBACK ButtonWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ListViewWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
