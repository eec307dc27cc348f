#pragma once

// The Win32 window and GDI functions of the headless window model, with Windows' names,
// signatures and numeric constants.
//
// The model: windows form a parent/child tree. Each window has a class ("BUTTON",
// "SysListView32" or any other name for a plain window), a style (WS_VISIBLE and WS_DISABLED are
// its visible and enabled flags), a control id, a text, a rectangle and a font. Windows have no
// frame: a window's client area is its whole rectangle, and a child's position is kept relative
// to its parent's client area. Nothing is drawn. Siblings are kept in Z order, the first child
// on top; a new child goes to the bottom, so creation order is the order GetWindow walks.
//
// Handles are numbers that are never reused: a handle of a destroyed window, or one that never
// named a window, makes every function fail cleanly (FALSE, 0 or NULL). Windows belong to the
// thread that uses them, as a dialog's windows do: the model is not for several threads at once.
#include <cstdint>

#include "platform/AfxExport.h"
#include "platform/windef.h"

static_assert(sizeof(long) == sizeof(void*), "message parameters must hold a pointer");

// Message parameters and results: pointer-wide, as on 64-bit Windows.
typedef unsigned long WPARAM;
typedef long LPARAM;
typedef long LRESULT;
typedef unsigned long UINT_PTR;
typedef long LONG_PTR;
typedef unsigned long DWORD_PTR;

#define CALLBACK

#define DECLARE_HANDLE(name) \
  struct name##__ {          \
    int unused;              \
  };                         \
  typedef struct name##__* name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HFONT);
typedef void* HGDIOBJ;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

struct POINT {
  LONG x;
  LONG y;
};
typedef POINT* LPPOINT;

struct SIZE {
  LONG cx;
  LONG cy;
};
typedef SIZE* LPSIZE;

#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))
#define MAKEWPARAM(low, high) \
  (static_cast<WPARAM>(static_cast<DWORD>(static_cast<WORD>(low)) | (static_cast<DWORD>(static_cast<WORD>(high)) << 16)))

// Window messages.
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_NCDESTROY 0x0082
#define WM_COMMAND 0x0111
// MFC sends a control's own notifications back to it at this offset (message reflection).
#define WM_REFLECT_BASE 0xBC00

// Window styles.
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_TABSTOP 0x00010000L

// Buttons: styles, messages, notifications and check states.
#define BS_PUSHBUTTON 0x00000000L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_TYPEMASK 0x0000000FL
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BN_CLICKED 0
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// SetWindowPos: Z-order places and flags.
#define HWND_TOP (reinterpret_cast<HWND>(0))
#define HWND_BOTTOM (reinterpret_cast<HWND>(1))
#define HWND_TOPMOST (reinterpret_cast<HWND>(-1))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(-2))
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// GetWindow relations.
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// Get/SetWindowLongPtrA fields.
#define GWLP_WNDPROC (-4)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)

// Stock fonts, with fixed metrics of the model: every byte of a text is one cell wide.
//   SYSTEM_FONT       8 pixels wide, 16 high; every device context starts with it
//   DEFAULT_GUI_FONT  6 pixels wide, 13 high
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// ---- windows ------------------------------------------------------------------------------

// Delivers the message to the window's procedure and returns its result; 0 for no window.
AFX_EXT_API LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The default handling: text (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH) and font (WM_SETFONT,
// WM_GETFONT; NULL until set, meaning the system font); 0 for every other message.
AFX_EXT_API LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Calls `proc` with the message; 0 when `proc` is null.
AFX_EXT_API LRESULT CallWindowProcA(WNDPROC proc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// GWLP_WNDPROC, GWLP_ID or GWL_STYLE; 0 for another index or no window. Set returns the old value.
AFX_EXT_API LONG_PTR GetWindowLongPtrA(HWND hWnd, int index);
AFX_EXT_API LONG_PTR SetWindowLongPtrA(HWND hWnd, int index, LONG_PTR value);

// The class name the window was created with, copied as GetWindowTextA copies.
AFX_EXT_API int GetClassNameA(HWND hWnd, LPSTR className, int maxCount);
AFX_EXT_API BOOL IsWindow(HWND hWnd);
// Sends WM_NCDESTROY to the window and to each descendant (children first), then removes them.
AFX_EXT_API BOOL DestroyWindow(HWND hWnd);

// The window related to `hWnd` by `relation` (GW_*): NULL when there is none.
AFX_EXT_API HWND GetWindow(HWND hWnd, UINT relation);
// The parent of a child window; NULL for a top-level window.
AFX_EXT_API HWND GetParent(HWND hWnd);
// The first child of `hDlg` whose control id is `id`; NULL when none.
AFX_EXT_API HWND GetDlgItem(HWND hDlg, int id);
AFX_EXT_API int GetDlgCtrlID(HWND hWnd);

// The window's rectangle in screen coordinates.
AFX_EXT_API BOOL GetWindowRect(HWND hWnd, LPRECT rect);
// The client area: (0, 0) to the window's width and height.
AFX_EXT_API BOOL GetClientRect(HWND hWnd, LPRECT rect);
AFX_EXT_API BOOL ScreenToClient(HWND hWnd, LPPOINT point);
AFX_EXT_API BOOL ClientToScreen(HWND hWnd, LPPOINT point);
// The overlap of two rectangles: nonzero when it is not empty; otherwise `dst` is all zeros.
// Rectangles that only share an edge do not overlap.
AFX_EXT_API BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);

// Clears or sets WS_DISABLED; returns nonzero when the window was disabled before.
AFX_EXT_API BOOL EnableWindow(HWND hWnd, BOOL enable);
AFX_EXT_API BOOL IsWindowEnabled(HWND hWnd);
// SW_HIDE clears WS_VISIBLE, every other command sets it; returns nonzero when it was set before.
AFX_EXT_API BOOL ShowWindow(HWND hWnd, int command);
// Nonzero when the window and all its ancestors carry WS_VISIBLE.
AFX_EXT_API BOOL IsWindowVisible(HWND hWnd);
// Moves (x, y in the parent's client coordinates), sizes and re-orders the window among its
// siblings: after `insertAfter` when that is a sibling, first for HWND_TOP (HWND_TOPMOST and
// HWND_NOTOPMOST too: the model has no topmost layer), last for HWND_BOTTOM. FALSE and no change
// when `insertAfter` is another window that is not a sibling.
AFX_EXT_API BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Through WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH. GetWindowTextA copies at most
// `maxCount` - 1 bytes and a terminating zero, and returns the bytes copied.
AFX_EXT_API BOOL SetWindowTextA(HWND hWnd, LPCSTR text);
AFX_EXT_API int GetWindowTextA(HWND hWnd, LPSTR text, int maxCount);
AFX_EXT_API int GetWindowTextLengthA(HWND hWnd);

// ---- device contexts and fonts -----------------------------------------------------------

// A device context for the window's client area, with SYSTEM_FONT selected; NULL for no window.
AFX_EXT_API HDC GetDC(HWND hWnd);
// Returns 1 when the context was released, 0 for an unknown one.
AFX_EXT_API int ReleaseDC(HWND hWnd, HDC hdc);
// SYSTEM_FONT or DEFAULT_GUI_FONT; NULL for any other index.
AFX_EXT_API HGDIOBJ GetStockObject(int index);
// Selects a font into the context and returns the one it replaces; NULL and no change when
// either is unknown.
AFX_EXT_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// The size of the first `count` bytes of `text` in the selected font: count times the cell
// width, and the font's height. FALSE for an unknown context, a negative count or no output.
AFX_EXT_API BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
