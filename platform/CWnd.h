#pragma once

#include "platform/AfxExport.h"
#include "platform/AfxMessageMap.h"
#include "platform/CString.h"
#include "platform/winuser.h"

struct CCreateContext;

// MFC's window object: a C++ object attached to a window handle, m_hWnd. A window created
// through Create, or taken over with SubclassWindow / SubclassDlgItem, sends its messages
// through this object first (WindowProc: the message map, then the window's own class
// procedure). The object lets go of the window when the window is destroyed, and destroying
// the object destroys a window it still has, as MFC does. Not copyable.
class AFX_EXT_CLASS CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // Creates a window of the class and attaches it. With a parent, a child window whose `rect`
  // is in the parent's client coordinates; with none, a top-level window (a dialog's stand-in)
  // at `rect` on the screen. FALSE when this object has a window already or the parent has none.
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  // Destroys the window and its children; FALSE when there is none.
  virtual BOOL DestroyWindow();

  // Attaches this object to an existing window that has no object of its own yet.
  BOOL SubclassWindow(HWND hWnd);
  // Attaches this object to the child `nID` of `pParent`; FALSE when there is no such child.
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  // Gives the window its own procedure back and detaches; returns the window.
  HWND UnsubclassWindow();

  // The object attached to the window, or else a temporary one that lives until the window is
  // destroyed (a CButton for a "BUTTON" window, a CListCtrl for a list view, else a CWnd);
  // NULL for no window.
  static CWnd* FromHandle(HWND hWnd);
  // The attached object only; NULL when there is none.
  static CWnd* FromHandlePermanent(HWND hWnd);
  HWND GetSafeHwnd() const { return m_hWnd; }

  // Relatives, through FromHandle; NULL when there is none.
  CWnd* GetParent() const;
  CWnd* GetWindow(UINT nCmd) const;
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const;

  void SetWindowText(LPCTSTR lpszString);
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;

  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const;
  // Both corners.
  void ScreenToClient(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;

  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  // As ::SetWindowPos; a null `pWndInsertAfter` stands for HWND_TOP.
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  HWND m_hWnd = nullptr;

 protected:
  // The message path: OnWndMsg (the message map), and DefWindowProc when it did not handle it.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own class procedure.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND goes to OnCommand; other messages are left to DefWindowProc.
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // A notification from a child: reflected to the child's object first; unless that handled it
  // for good, this object's own map.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // A notification this control sent its parent, reflected back: its map's reflected entries.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

  // The temporary object of the window, of its class's kind, whatever object is attached to it;
  // it lives until the window is destroyed. For a class that needs its own kind of object for a
  // window whose attached object is of another kind. NULL for no window.
  static CWnd* FromHandleTemporary(HWND hWnd);

  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

 private:
  friend LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  // Runs the first entry of the map chain for the message, code and id; FALSE when none matches.
  BOOL DispatchToMessageMap(UINT message, UINT code, UINT id);
  void Detach();

  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before this object took it over
};
